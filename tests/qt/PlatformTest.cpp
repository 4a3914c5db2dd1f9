#include "WindowFixture.h"
#include "qt/Guard.h"
#include "qt/OrderlyEnd.h"
#include "qt/ShutdownSignals.h"
#include "support/WavWriter.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tarn::gui::testing {
namespace {

using namespace std::chrono_literals;

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

// A second marker sees the first until it is gone; one left by a dead process does not block.
TEST(InstanceMarkerTest, OnlyALiveInstanceBlocks) {
    ::tarn::testing::TempDir folder;
    const QString path = QString::fromStdString(folder.File("tarnme.lock"));
    auto first = std::make_unique<QtInstanceMarker>(path);
    EXPECT_FALSE(first->AnotherInstanceRunning());
    EXPECT_TRUE(QtInstanceMarker(path).AnotherInstanceRunning());
    first.reset();

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
    EXPECT_FALSE(QtInstanceMarker(path).AnotherInstanceRunning());
}

TEST(NotifierTest, ShowsOneModalBoxWithTitleIconPlainTextAndOk) {
    const std::string text = "The file cannot be read:\n/tmp/<b>loud</b> & clear.wav";
    bool inspected = false;
    QTimer::singleShot(0, [&] {
        QWidget* modal = nullptr;
        ProcessEventsUntil([&] { return (modal = QApplication::activeModalWidget()) != nullptr; });
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Tarn MP3 Encoder"));
        EXPECT_EQ(box->text(), QString::fromStdString(text));
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        inspected = true;
        box->button(QMessageBox::Ok)->click();
    });
    QtNotifier notifier;
    notifier.ShowMessage({text, platform::MessageIcon::Exclamation, "Tarn MP3 Encoder"});
    EXPECT_TRUE(inspected);
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
    const std::pair<const char*, bool> names[] = {
        {"song.wav", true},  {"SONG.WAV", true},      {"a b-c.wAV", true},
        {"song.mp3", false}, {"song.wav.txt", false},
    };
    for (const auto& [name, wanted] : names) {
        // Case-sensitive, as file names are here.
        const bool matched = std::any_of(patterns.begin(), patterns.end(), [&](const QString& p) {
            return QRegularExpression(QRegularExpression::wildcardToRegularExpression(p))
                .match(QString::fromLatin1(name))
                .hasMatch();
        });
        EXPECT_EQ(matched, wanted) << name;
    }
}

// The dialog opens with the pattern in its name box, and a name typed there is the choice.
TEST(OpenDialogTest, NameBoxStartsWithThePatternAndReturnsTheChosenPath) {
    ::tarn::testing::TempDir folder;
    ::tarn::testing::WriteWav(folder.File("my song.wav"), ::tarn::testing::WavSpec{});
    platform::OpenDialogRequest request = WaveRequest();
    request.InitialFolder = folder.Path().string();
    QString shownName;
    QString shownTitle;
    QTimer::singleShot(0, [&] {
        QWidget* modal = nullptr;
        ProcessEventsUntil([&] { return (modal = QApplication::activeModalWidget()) != nullptr; });
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        shownName = name->text();
        shownTitle = dialog->windowTitle();
        name->setText(QStringLiteral("my song.wav"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    QtOpenDialog dialog;
    EXPECT_EQ(dialog.ShowOpen(request), folder.File("my song.wav"));
    EXPECT_EQ(shownName, QStringLiteral("*.wav"));
    EXPECT_EQ(shownTitle, QStringLiteral("Choose the file which will be encoded:"));
}

// SIGTERM from outside gives a listed file its chosen name back and closes the window.
TEST_F(WindowFixture, SigtermEndsTheProgramInOrder) {
    Start();
    ShutdownSignals requests;
    EndInOrderOnRequest(form, requests, &window);
    ::tarn::testing::WriteWav(folder.File("my song.wav"), ::tarn::testing::WavSpec{});
    AddThroughButton(folder.File("my song.wav"));
    ASSERT_TRUE(std::filesystem::exists(folder.File("mysong.wav")));

    ASSERT_EQ(std::raise(SIGTERM), 0);
    ASSERT_TRUE(ProcessEventsUntil([&] { return window.Unloaded(); }));
    EXPECT_FALSE(form.Loaded());
    EXPECT_TRUE(std::filesystem::exists(folder.File("my song.wav")));
    EXPECT_FALSE(std::filesystem::exists(folder.File("mysong.wav")));
}

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