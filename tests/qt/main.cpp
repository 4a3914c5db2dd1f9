#include "qt/AppSetup.h"
#include "qt/QtPlatform.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    // The tests run without a display unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    tarn::gui::QtDesktop desktop;
    tarn::gui::SetUpApplication(app, tarn::gui::TwipsScale(desktop.ScreenTwipsPerPixelY()));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
