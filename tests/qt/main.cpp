#include "qt/AppSetup.h"
#include "qt/QtPlatform.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <stdlib.h>

int main(int argc, char* argv[]) {
    // Without a display unless told otherwise, also when the tests are only listed.
    ::setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0); // NOLINT(concurrency-mt-unsafe)
    QApplication app(argc, argv);
    tarn::gui::SetUpApplication(
        app, tarn::gui::TwipsScale(tarn::gui::QtDesktop().ScreenTwipsPerPixelY()));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
