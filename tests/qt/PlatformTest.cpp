#include "WindowFixture.h"
#include "qt/Guard.h"
#include "qt/OrderlyEnd.h"
#include "qt/ShutdownSignals.h"
#include "support/WavWriter.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tarn::gui::testing {
namespace {

using namespace std::chrono_literals;

// Runs `inspect` on the modal dialog once it is open; it must close it.
void WhenModalOpens(std::function<void(QWidget*)> inspect) {
    QTimer::singleShot(0, [inspect = std::move(inspect)] {
        QWidget* modal = nullptr;
        ProcessEventsUntil([&] {
            modal = QApplication::activeModalWidget();
            return modal != nullptr;
        });
        ASSERT_NE(modal, nullptr);
        inspect(modal);
    });
}

TEST(TimerBindingTest, TicksOnlyWhenEventsAreProcessed) {
    forms::Timer timer("tmrTest", 10);
    QObject owner;
    TimerBinding binding(timer, &owner);
    int ticks = 0;
    timer.Tick.Connect([&] { ++ticks; });

    timer.SetEnabled(true);
    EXPECT_TRUE(binding.Qtimer().isActive());
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(ticks, 0) << "a due timer waits for the event loop";
    QtEventPump pump;
    ASSERT_TRUE(ProcessEventsUntil([&] {
        pump.DoEvents();
        return ticks > 0;
    }));

    timer.SetEnabled(false);
    EXPECT_FALSE(binding.Qtimer().isActive());
    const int stopped = ticks;
    std::this_thread::sleep_for(30ms);
    QCoreApplication::processEvents();
    EXPECT_EQ(ticks, stopped);
}

TEST(TimerBindingTest, ATickNeverReentersItsOwnHandler) {
    forms::Timer timer("tmrTest", 1);
    QObject owner;
    TimerBinding binding(timer, &owner);
    int depth = 0;
    int deepest = 0;
    int ticks = 0;
    QtEventPump pump;
    timer.Tick.Connect([&] {
        ++depth;
        ++ticks;
        deepest = std::max(deepest, depth);
        // A handler that lets events through, as the encoding run does.
        for (int i = 0; i < 5; ++i) {
            std::this_thread::sleep_for(3ms);
            pump.DoEvents();
        }
        --depth;
    });
    timer.SetEnabled(true);
    ASSERT_TRUE(ProcessEventsUntil([&] { return ticks >= 3; }));
    timer.SetEnabled(false);
    EXPECT_EQ(deepest, 1);
}

TEST(InstanceMarkerTest, ASecondMarkerSeesTheFirstUntilItIsGone) {
    ::tarn::testing::TempDir folder;
    const QString path = QString::fromStdString(folder.File("tarnme.lock"));
    auto first = std::make_unique<QtInstanceMarker>(path);
    EXPECT_FALSE(first->AnotherInstanceRunning());
    QtInstanceMarker second(path);
    EXPECT_TRUE(second.AnotherInstanceRunning());
    first.reset();
    QtInstanceMarker third(path);
    EXPECT_FALSE(third.AnotherInstanceRunning());
}

TEST(InstanceMarkerTest, AMarkerLeftByADeadInstanceDoesNotBlock) {
    ::tarn::testing::TempDir folder;
    const QString path = QString::fromStdString(folder.File("tarnme.lock"));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Takes the marker and dies without a word, as a crashed instance would.
        auto* marker = new QtInstanceMarker(path);
        _exit(marker->AnotherInstanceRunning() ? 2 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    ASSERT_TRUE(std::filesystem::exists(folder.File("tarnme.lock")));
    QtInstanceMarker marker(path);
    EXPECT_FALSE(marker.AnotherInstanceRunning());
}

TEST(InstanceMarkerTest, AnUnusableFolderDoesNotKeepTheUserOut) {
    QtInstanceMarker marker(QStringLiteral("/proc/no-such-folder/tarnme.lock"));
    EXPECT_FALSE(marker.AnotherInstanceRunning());
}

struct MessageCase {
    platform::MessageIcon icon;
    QMessageBox::Icon shown;
};

TEST(NotifierTest, ShowsOneModalBoxWithTitleIconPlainTextAndOk) {
    const MessageCase cases[] = {
        {platform::MessageIcon::Critical, QMessageBox::Critical},
        {platform::MessageIcon::Exclamation, QMessageBox::Warning},
        {platform::MessageIcon::Information, QMessageBox::Information},
        {platform::MessageIcon::None, QMessageBox::NoIcon},
    };
    for (const MessageCase& messageCase : cases) {
        const std::string text = "The file cannot be read:\n/tmp/<b>loud</b> & clear.wav";
        bool inspected = false;
        WhenModalOpens([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), QStringLiteral("Tarn MP3 Encoder"));
            EXPECT_EQ(box->text(), QString::fromStdString(text));
            EXPECT_EQ(box->textFormat(), Qt::PlainText);
            EXPECT_EQ(box->icon(), messageCase.shown);
            EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
            EXPECT_TRUE(box->isModal());
            inspected = true;
            box->button(QMessageBox::Ok)->click();
        });
        QtNotifier notifier;
        notifier.ShowMessage({text, messageCase.icon, "Tarn MP3 Encoder"});
        EXPECT_TRUE(inspected);
    }
}

platform::OpenDialogRequest WaveRequest() {
    return {"Choose the file which will be encoded:", "*.wav", "Wave Files", "*.wav", "", ""};
}

TEST(OpenDialogTest, FilterMatchesWaveFilesInAnyLetterCaseOnly) {
    const QStringList filters = NameFiltersFor(WaveRequest());
    ASSERT_EQ(filters.size(), 1);
    const QRegularExpression parts(QStringLiteral("^Wave Files \\((.*)\\)$"));
    const QRegularExpressionMatch match = parts.match(filters.front());
    ASSERT_TRUE(match.hasMatch()) << filters.front().toStdString();
    const QStringList patterns = match.captured(1).split(QLatin1Char(' '));
    const auto matches = [&](const QString& name) {
        for (const QString& pattern : patterns) {
            // Case-sensitive, as file names are here.
            if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern))
                    .match(name)
                    .hasMatch()) {
                return true;
            }
        }
        return false;
    };
    for (const char* name : {"song.wav", "SONG.WAV", "Song.Wav", "a b-c.wAV", ".wav"}) {
        EXPECT_TRUE(matches(QString::fromLatin1(name))) << name;
    }
    for (const char* name : {"song.mp3", "song.wav.txt", "songwav", "song.wave"}) {
        EXPECT_FALSE(matches(QString::fromLatin1(name))) << name;
    }
}

TEST(OpenDialogTest, AsksForOneExistingFileAndReturnsItsPath) {
    ::tarn::testing::TempDir folder;
    const std::string chosen = folder.File("Loud Song.WAV");
    ::tarn::testing::WriteWav(chosen, ::tarn::testing::WavSpec{});
    WhenModalOpens([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Choose the file which will be encoded:"));
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(dialog->nameFilters(), NameFiltersFor(WaveRequest()));
        EXPECT_TRUE(dialog->isModal());
        dialog->selectFile(QString::fromStdString(chosen));
        static_cast<QDialog*>(dialog)->accept();
    });
    QtOpenDialog openDialog;
    EXPECT_EQ(openDialog.ShowOpen(WaveRequest()), chosen);

    WhenModalOpens([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    EXPECT_EQ(openDialog.ShowOpen(WaveRequest()), "");
}

TEST(ClockTest, GivesLocalTimeInMilliseconds) {
    const auto localNow = [] {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return static_cast<std::int64_t>(timegm(&local)) * 1000;
    };
    const std::int64_t before = localNow();
    const std::int64_t now = QtClock().Now().count();
    const std::int64_t after = localNow();
    EXPECT_GE(now, before);
    EXPECT_LT(now, after + 1000);
}

class OrderlyEndTest : public WindowFixture, public ::testing::WithParamInterface<int> {};

// An end from outside gives a listed file its chosen name back and closes the window.
TEST_P(OrderlyEndTest, SignalEndsTheProgramInOrder) {
    Start();
    ShutdownSignals requests;
    EndInOrderOnRequest(form, requests, &window);
    ::tarn::testing::WriteWav(folder.File("my song.wav"), ::tarn::testing::WavSpec{});
    AddThroughButton(folder.File("my song.wav"));
    ASSERT_TRUE(std::filesystem::exists(folder.File("mysong.wav")));

    ASSERT_EQ(std::raise(GetParam()), 0);
    ASSERT_TRUE(ProcessEventsUntil([&] { return window.Unloaded(); }));
    EXPECT_FALSE(form.Loaded());
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(std::filesystem::exists(folder.File("my song.wav")));
    EXPECT_FALSE(std::filesystem::exists(folder.File("mysong.wav")));
}

// A signal during a job aborts it and still gives the file its chosen name back.
TEST_P(OrderlyEndTest, SignalDuringAJobEndsItInOrder) {
    Start();
    ShutdownSignals requests;
    EndInOrderOnRequest(form, requests, &window);
    ::tarn::testing::WavSpec fiveSeconds;
    fiveSeconds.frames = 5 * 44100;
    ::tarn::testing::WriteWav(folder.File("my song.wav"), fiveSeconds);
    AddThroughButton(folder.File("my song.wav"));
    SwitchToTab(2);

    bool jobActiveAtSignal = false;
    QTimer::singleShot(0, &window, [&] {
        jobActiveAtSignal = form.JobActive();
        std::raise(GetParam());
    });
    Click(form.cmdGo);
    ASSERT_TRUE(ProcessEventsUntil([&] { return window.Unloaded() && !form.JobActive(); }));
    EXPECT_TRUE(jobActiveAtSignal);
    EXPECT_FALSE(form.Loaded());
    EXPECT_TRUE(std::filesystem::exists(folder.File("my song.wav")));
    EXPECT_FALSE(std::filesystem::exists(folder.File("mysong.wav")));
}

INSTANTIATE_TEST_SUITE_P(Signals, OrderlyEndTest, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

TEST_F(WindowFixture, AnErrorInAHandlerEndsInOrderInsteadOfAborting) {
    Start();
    ::tarn::testing::WriteWav(folder.File("my song.wav"), ::tarn::testing::WavSpec{});
    AddThroughButton(folder.File("my song.wav"));
    std::string reported;
    SetErrorHandler([&](const std::exception& error) {
        reported = error.what();
        form.Shutdown();
    });
    form.chkCRC.Click.Connect([] { throw std::runtime_error("broken handler"); });
    SwitchToTab(1);
    Click(form.chkCRC);
    SetErrorHandler(nullptr);
    EXPECT_EQ(reported, "broken handler");
    EXPECT_TRUE(window.Unloaded());
    EXPECT_TRUE(std::filesystem::exists(folder.File("my song.wav")));
}

} // namespace
} // namespace tarn::gui::testing
