#pragma once

namespace tarn::help {

// The help reader program: `tarnme-help-reader FILE` reads the compiled HTML help file FILE
// whole through chmlib and writes it to its standard output as ReaderMessage.h describes.
//
// chmlib believes what a file says about itself: some damaged files make it divide by zero,
// others make it loop or ask for gigabytes. So it runs only here, in a program of its own that
// limits its own time and memory first, and whatever goes wrong ends this program alone. The
// status tells nothing the message does not: 0 when the whole file was written.
int RunHelpReader(int argc, char* argv[]) noexcept;

} // namespace tarn::help
