#include "qt/HelpWindow.h"

#include "helpviewer/HelpManual.h"
#include "qt/HelpBrowser.h"
#include "qt/QtPlatform.h"
#include "support/TempDir.h"

#include <QDesktopServices>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>
#include <fstream>
#include <gtest/gtest.h>

namespace tarn::gui::testing {
namespace {

const std::string kManual = TARN_HELP_FILE;

// Stands in for the desktop's handlers of the links the window hands over.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened.append(url); }
};

QString PageText(const HelpWindow& window) {
    return window.Browser()->toPlainText();
}

// A help file that cannot be read is named in the window, which reads it again on the next
// Help; a page the file lacks shows as such.
TEST(HelpWindowTest, SaysWhatIsWrongAndRecovers) {
    ::tarn::testing::TempDir dir;
    std::ofstream(dir.File("tarnme.chm")) << "<html>not a help file</html>";
    QtDesktop desktop;
    for (const std::string& file : {dir.File("absent.chm"), dir.File("tarnme.chm")}) {
        desktop.ShowHelp(file);
        const HelpWindow& window = *desktop.Help();
        const help::HelpManual manual(file);
        EXPECT_TRUE(window.isVisible());
        EXPECT_TRUE(PageText(window).contains(
            QString::fromStdString(help::ProblemText(manual.Problem(), file))))
            << PageText(window).toStdString();
        EXPECT_EQ(window.ContentsTree()->topLevelItemCount(), 0);
        EXPECT_EQ(window.IndexList()->count(), 0);
    }
    desktop.ShowHelp(kManual);
    HelpWindow& window = *desktop.Help();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tarn MP3 Encoder Help"));
    EXPECT_EQ(window.Browser()->Topic(), "/welcome.html");
    EXPECT_TRUE(PageText(window).startsWith(QStringLiteral("Welcome to Tarn MP3 Encoder")));

    window.Browser()->ShowTopic("/gone <b>.html");
    EXPECT_TRUE(PageText(window).startsWith(QStringLiteral("Page not found")));
    EXPECT_TRUE(PageText(window).contains(QStringLiteral("/gone <b>.html")));
}

QTreeWidgetItem* ContentsItem(const HelpWindow& window, const QString& name) {
    const auto found =
        window.ContentsTree()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.front();
}

TEST(HelpWindowTest, FollowsContentsIndexLinksAndHistory) {
    UrlCatcher desktopHandler;
    for (const char* scheme : {"mailto", "https", "file"}) {
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &desktopHandler, "Open");
    }
    QtDesktop desktop;
    desktop.ShowHelp(kManual);
    HelpWindow& window = *desktop.Help();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    HelpBrowser& browser = *window.Browser();

    QTreeWidgetItem* presets = ContentsItem(window, QStringLiteral("Quality presets"));
    ASSERT_NE(presets, nullptr);
    emit window.ContentsTree()->itemClicked(presets, 0);
    EXPECT_EQ(browser.Topic(), "/presets.html");

    // Typing narrows the index to the entries that hold the text; Return opens the first.
    window.IndexFilter()->setText(QStringLiteral("HELP WIN"));
    QStringList shown;
    for (int row = 0; row < window.IndexList()->count(); ++row) {
        if (!window.IndexList()->item(row)->isHidden()) {
            shown.append(window.IndexList()->item(row)->text());
        }
    }
    EXPECT_EQ(shown, QStringList{QStringLiteral("help window")});
    emit window.IndexFilter()->returnPressed();
    EXPECT_EQ(browser.Topic(), "/about.html");
    EXPECT_EQ(browser.source().fragment(), QStringLiteral("help"));

    // A link to an anchor of another page, relative to this one.
    emit browser.anchorClicked(QUrl(QStringLiteral("options.html#deletesource")));
    EXPECT_EQ(browser.Topic(), "/options.html");
    EXPECT_EQ(browser.source().fragment(), QStringLiteral("deletesource"));
    EXPECT_GT(browser.verticalScrollBar()->value(), 0);

    // Web and mail links go to the desktop; a link to a local file goes nowhere.
    for (const char* link :
         {"mailto:tarn@example.org", "https://tarn.example.org/", "file:///etc/passwd"}) {
        emit browser.anchorClicked(QUrl(QString::fromLatin1(link)));
    }
    EXPECT_EQ(desktopHandler.opened,
              (QList<QUrl>{QUrl(QStringLiteral("mailto:tarn@example.org")),
                           QUrl(QStringLiteral("https://tarn.example.org/"))}));
    EXPECT_EQ(browser.Topic(), "/options.html");

    browser.backward();
    browser.backward();
    EXPECT_EQ(browser.Topic(), "/presets.html");
    browser.forward();
    EXPECT_EQ(browser.Topic(), "/about.html");

    // Closed and asked for again: the same window, page and place.
    const QRect place = window.geometry();
    window.close();
    EXPECT_FALSE(window.isVisible());
    desktop.ShowHelp(kManual);
    EXPECT_EQ(desktop.Help(), &window);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(browser.Topic(), "/about.html");
    EXPECT_EQ(window.geometry(), place);
    for (const char* scheme : {"mailto", "https", "file"}) {
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
}

} // namespace
} // namespace tarn::gui::testing

#include "HelpWindowTest.moc"
