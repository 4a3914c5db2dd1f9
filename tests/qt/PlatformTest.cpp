#include "FakeDesktop.h"
#include "helpviewer/HelpManual.h"
#include "helpviewer/ReaderProcess.h"
#include "qt/HelpBrowser.h"
#include "qt/HelpWindow.h"
#include "qt/QtPlatform.h"
#include "qt/SleepInhibitor.h"
#include "qt/SyncWaits.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDesktopServices>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace tarn::gui::testing {
namespace {

// One instance or none: a lock that can be neither made nor taken is a failure, never "alone".
TEST(InstanceMarkerTest, TellsAloneHeldAndCannotTell) {
    const tarn::testing::TempDir folder;
    const QString lock = QString::fromStdString(folder.File("new/tarnme.lock"));
    QtInstanceMarker first(lock), second(lock);
    EXPECT_FALSE(first.AnotherInstanceRunning().ValueOr(true));
    EXPECT_TRUE(second.AnotherInstanceRunning().ValueOr(false));
    const QString inAFile = QString::fromStdString(folder.File("new/tarnme.lock/x.lock"));
    EXPECT_FALSE(QtInstanceMarker(inAFile).AnotherInstanceRunning().Ok());
    // Whatever their runtime folders (sudo -u, env -i, cron), starts with one journal share a lock.
    const QByteArray state = qgetenv("XDG_STATE_HOME"), runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_STATE_HOME", folder.File("state").c_str());
    qputenv("XDG_RUNTIME_DIR", folder.File("one").c_str());
    QtInstanceMarker third;
    qputenv("XDG_RUNTIME_DIR", folder.File("two").c_str());
    EXPECT_FALSE(third.AnotherInstanceRunning().ValueOr(true));
    EXPECT_TRUE(QtInstanceMarker().AnotherInstanceRunning().ValueOr(false));
    for (const auto& [name, value] :
         {std::pair{"XDG_STATE_HOME", state}, {"XDG_RUNTIME_DIR", runtime}}) {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
}

// Native dialogs match the patterns of a filter case-sensitively.
TEST(OpenDialogTest, TheFilterTakesWaveFilesInAnyLetterCaseOnly) {
    const QString filter = NameFiltersFor({"", "", "Wave Files", "*.wav", "", ""}).join(';');
    QStringList patterns =
        QRegularExpression("^Wave Files \\((.+)\\)$").match(filter).captured(1).split(' ');
    for (QString& pattern : patterns) {
        pattern = QRegularExpression::wildcardToRegularExpression(pattern);
    }
    const QRegularExpression taken(patterns.join('|'));
    for (const char* name : {"a.wav", "B.WAV", "c d-e.wAv", "f.mp3", "g.wav.txt"}) {
        EXPECT_EQ(taken.match(name).hasMatch(), QString(name).endsWith(".wav", Qt::CaseInsensitive))
            << name;
    }
}

// While a step waits for a slow disk the timers run, clicks let in or not; its answer wakes it.
TEST(SyncWaitsTest, TheWindowGoesOnWhileAStepWaitsForTheDisk) {
    for (const bool inputAllowed : {false, true}) {
        const SyncWaits waits([inputAllowed] { return inputAllowed; });
        platform::SyncThread* syncs = platform::CurrentSyncThread();
        ASSERT_NE(syncs, nullptr);
        std::atomic<bool> ticked = false;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            EXPECT_TRUE(syncs->Waiting());
            ticked = true;
        });
        timer.start(10);
        const int answer = syncs->Wait(syncs->Queue([&] {
            for (int i = 0; i < 1000 && !ticked; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            return ticked ? ENOSPC : ETIMEDOUT;
        }));
        EXPECT_EQ(answer, ENOSPC);
        EXPECT_FALSE(syncs->Waiting());
    }
    EXPECT_EQ(platform::CurrentSyncThread(), nullptr);
}

// A sync that does not answer is told while it lasts; once an end is asked for, it is given up on.
TEST(SyncWaitsTest, ADiskThatDoesNotAnswerIsToldAndHoldsNoEnd) {
    for (const bool endAsked : {false, true}) {
        std::vector<bool> told;
        std::atomic<bool> noticed = false, givenUp = false;
        DiskPatience patience{std::chrono::milliseconds(20), std::chrono::milliseconds(60),
                              [&](bool slow) {
                                  told.push_back(slow);
                                  noticed = true;
                              },
                              [&] {
                                  givenUp = true;
                              }};
        const SyncWaits waits([] { return false; }, [endAsked] { return endAsked; }, patience);
        platform::SyncThread* syncs = platform::CurrentSyncThread();
        ASSERT_NE(syncs, nullptr);
        // Without an end it answers once the notice is out; with one, once given up on.
        const int answer = syncs->Wait(syncs->Queue([&] {
            for (int i = 0; i < 1000 && !(endAsked ? givenUp : noticed); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            return 0;
        }));
        EXPECT_EQ(std::tuple(answer, givenUp.load(), told),
                  std::tuple(0, endAsked, std::vector{true, false}));
    }
}

// A wait for the workers runs the window's timers, and returns once the work is done.
TEST(SyncWaitsTest, AWaitForTheWorkersRunsTheWindowMeanwhile) {
    {
        const WorkerWaits waits(2, [] { return true; });
        platform::Workers* workers = platform::CurrentWorkers();
        ASSERT_NE(workers, nullptr);
        EXPECT_EQ(workers->Count(), 2);
        std::atomic<bool> ticked = false;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [&] { ticked = true; });
        timer.start(10);
        const auto ticket = workers->Post(1, [&] {
            for (int i = 0; i < 1000 && !ticked; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
        workers->WaitForAny({ticket});
        EXPECT_EQ(std::pair(workers->Done(ticket), ticked.load()), std::pair(true, true));
    }
    EXPECT_EQ(platform::CurrentWorkers(), nullptr);
}

// Stands in for the desktop's handlers of the links the window hands over.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE void Open(const QUrl& url) { opened.append(url); }
    QList<QUrl> opened;
};

// A damaged file is read again; manual links followed, web and mail ones to the desktop, no others.
TEST(HelpWindowTest, SaysWhatIsWrongFollowsItsLinksAndComesBackAsItWas) {
    ::tarn::testing::TempDir dir;
    const std::string manual = dir.File("tarnme.chm");
    std::ofstream(manual) << "<html>not a help file</html>";
    QtDesktop desktop;
    for (const std::string& file : {dir.File("absent.chm"), manual}) {
        desktop.ShowHelp(file);
        const std::string problem = help::HelpManual(file).Outcome().Reason();
        EXPECT_TRUE(desktop.Help()->Browser()->toPlainText().contains(problem.c_str())) << problem;
    }
    std::ofstream(manual) << std::ifstream(TARN_HELP_FILE).rdbuf();
    desktop.ShowHelp(manual);
    HelpWindow& window = *desktop.Help();
    HelpBrowser& browser = *window.Browser();
    ASSERT_TRUE(QTest::qWaitFor([&] { return browser.Topic() == "/welcome.html"; }));
    browser.ShowTopic("/gone <b>.html");
    EXPECT_TRUE(browser.toPlainText().startsWith(QStringLiteral("Page not found")));
    EXPECT_TRUE(browser.toPlainText().contains(QStringLiteral("/gone <b>.html")));

    UrlCatcher desktopHandler;
    const QStringList schemes{"mailto", "https", "file"};
    for (const QString& scheme : schemes) {
        QDesktopServices::setUrlHandler(scheme, &desktopHandler, "Open");
    }
    const QList<QUrl> links{QUrl("options.html#deletesource"), QUrl("mailto:tarn@example.org"),
                            QUrl("https://tarn.example.org/"), QUrl("file:///etc/passwd")};
    for (const QUrl& link : links) {
        emit browser.anchorClicked(link);
    }
    EXPECT_EQ(std::tuple(desktopHandler.opened, browser.Topic(), browser.source().fragment()),
              std::tuple(links.mid(1, 2), "/options.html", QStringLiteral("deletesource")));
    for (const QString& scheme : schemes) {
        QDesktopServices::unsetUrlHandler(scheme);
    }

    window.close();
    desktop.ShowHelp(manual);
    EXPECT_EQ(std::tuple(desktop.Help(), window.isVisible(), browser.Topic()),
              std::tuple(&window, true, "/options.html"));
}

// A reader program of its own: one that hangs is given up on; a second Help starts no other.
TEST(HelpWindowTest, ReadsWhileTheWindowGoesOnAndGivesUpOnAReaderThatHangs) {
    ::tarn::testing::TempDir dir;
    const std::string starts = dir.File("starts"), go = dir.File("go");
    const auto script = [&](const std::string& name, const std::string& body) {
        std::ofstream(dir.File(name)) << "#!/bin/sh\n" << body << "\n";
        std::filesystem::permissions(dir.File(name), std::filesystem::perms::owner_exec,
                                     std::filesystem::perm_options::add);
        return dir.File(name);
    };
    HelpWindow reading(script("reader", "echo >>" + starts + "; until [ -e " + go +
                                            " ]; do sleep 0.01; done; exec " +
                                            help::ReaderProgramPath() + " \"$@\""));
    HelpWindow hung(script("hung", "exec sleep 600"), std::chrono::milliseconds(100));
    reading.Present(TARN_HELP_FILE);
    hung.Present(TARN_HELP_FILE);
    const QString damaged = QString::fromStdString(help::DamagedFile(TARN_HELP_FILE).Reason());
    EXPECT_EQ(reading.Browser()->toPlainText().toStdString(), "Loading the manual\u2026");
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return std::filesystem::exists(starts) && hung.Browser()->toPlainText().contains(damaged);
    }));
    reading.Present(TARN_HELP_FILE);
    const std::ofstream made(go);
    ASSERT_TRUE(QTest::qWaitFor([&] { return reading.Browser()->Topic() == "/welcome.html"; }));
    EXPECT_EQ(std::filesystem::file_size(starts), 1U) << "one reader for two Helps";
}

// A portal that refuses, or answers after it was given up on, leaves the hold to logind.
TEST(SleepInhibitorTest, APortalThatRefusesOrAnswersLateLeavesTheHoldToLogind) {
    FakeDesktop desktop;
    for (const FakeDesktop::Portal portal : {FakeDesktop::Refuses, FakeDesktop::Silent}) {
        desktop.Reset(portal);
        SleepInhibitor inhibitor(QDBusConnection::connectToBus(desktop.address, "session"),
                                 QDBusConnection::connectToBus(desktop.address, "system"), nullptr,
                                 std::chrono::milliseconds(200));
        inhibitor.Hold({});
        EXPECT_TRUE(QTest::qWaitFor([&] { return desktop.LogindHolding(); })) << portal;
        EXPECT_TRUE(QTest::qWaitFor([&] { return desktop.portalRequests.empty(); })) << portal;
        inhibitor.Release();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !desktop.Holding(); })) << portal;
    }
}

} // namespace
} // namespace tarn::gui::testing

#include "PlatformTest.moc"
