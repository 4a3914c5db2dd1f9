#include "helpviewer/ChmReader.h"

int main(int argc, char* argv[]) {
    return tarn::help::RunHelpReader(argc, argv);
}
