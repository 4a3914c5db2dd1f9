#include "qt/AppSetup.h"
#include "qt/QtPlatform.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    // Without a display unless told otherwise, also when the tests are only listed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    tarn::gui::SetUpApplication(
        app, tarn::gui::TwipsScale(tarn::gui::QtDesktop().ScreenTwipsPerPixelY()));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
