#include "WindowFixture.h"
#include "qt/FileDrops.h"
#include "support/TableRows.h"
#include "support/WavWriter.h"

#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <filesystem>

namespace tarn::gui::testing {
namespace {

using ::tarn::testing::PrintTo;
using ::tarn::testing::RowName;
using ::tarn::testing::WavSpec;
using ::tarn::testing::WriteWav;
using Names = std::vector<std::string>;

struct DragOutcome {
    bool moveAccepted = false;
    bool dropAccepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
};

class FileDropTest : public WindowFixture {
protected:
    void SetUp() override { Start(); }

    QUrl Url(const std::string& name) const {
        return QUrl::fromLocalFile(QString::fromStdString(folder.File(name)));
    }
    QListWidget* List(const forms::ListBox& list) { return W<QListWidget>(list); }

    // Drags the URLs over the middle of `target` and drops them there, as the window system
    // delivers a drag: enter, move and drop, each sent to the window, which hands it to the
    // widget under the pointer. The drop is sent even when the move was refused.
    DragOutcome DragAndDrop(QWidget* target, const QList<QUrl>& urls,
                            Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction |
                                                      Qt::LinkAction) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = target->mapTo(&window, target->rect().center());
        QWindow* handle = window.windowHandle();
        QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(handle, &enter);
        QDragMoveEvent move(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(handle, &move);
        QDropEvent drop(QPointF(at), offered, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(handle, &drop);
        return {move.isAccepted(), drop.isAccepted(),
                drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction};
    }

    // Lets the window handle what a drop may have left for later.
    void Settle() {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
        }
    }

    Names Rows(const forms::ListBox& list) {
        Names rows;
        for (int row = 0; row < List(list)->count(); ++row) {
            rows.push_back(List(list)->item(row)->text().toStdString());
        }
        return rows;
    }
};

// ---- Files are added ----

struct TargetCase {
    const char* name;
    forms::ListBox frmMain::*list;
};

class DropTargetTest : public FileDropTest, public ::testing::WithParamInterface<TargetCase> {};

TEST_P(DropTargetTest, DroppedFilesAreAddedOneByOneAsTheAddButtonAddsThem) {
    for (const char* name : {"my song.wav", "b-side.wav", "plain.wav"}) {
        WriteWav(folder.File(name), WavSpec{});
    }
    WriteWav(folder.File("low rate.wav"), WavSpec{.sampleRate = 22050});
    QWidget* target = List(form.*GetParam().list);

    const DragOutcome outcome = DragAndDrop(
        target, {Url("my song.wav"), QUrl("https://example.org/song.wav"), Url("b-side.wav"),
                 Url("low rate.wav"), Url("plain.wav"), Url("my song.wav")});
    EXPECT_TRUE(outcome.moveAccepted);
    EXPECT_TRUE(outcome.dropAccepted);
    EXPECT_EQ(outcome.action, Qt::CopyAction) << "a move could let the source delete the files";
    ASSERT_TRUE(ProcessEventsUntil([&] { return !fakes.Messages().empty(); }));
    Settle();

    // In the order dropped; the second "my song.wav" is the same file, refused without a word.
    EXPECT_EQ(Rows(form.lstOpenFileName), (Names{"my song.wav", "b-side.wav", "plain.wav"}));
    ASSERT_EQ(fakes.Messages().size(), 1U);
    EXPECT_EQ(fakes.Messages()[0].Text, "The Sample Rate must be 44.1 or 48 kHz.");
    EXPECT_EQ(folder.Names(),
              (Names{"bside.wav", "instance.lock", "low rate.wav", "mysong.wav", "plain.wav"}));
}

INSTANTIATE_TEST_SUITE_P(Lists, DropTargetTest,
                         ::testing::Values(TargetCase{"names", &frmMain::lstOpenFileName},
                                           TargetCase{"sizes", &frmMain::lstOpenFileSize}),
                         RowName);

// ---- Drops that are refused ----

struct RefusalCase {
    const char* name;
    Qt::DropActions offered;
    bool addButtonDisabled;
};

class DropRefusalTest : public FileDropTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(DropRefusalTest, NothingIsAddedOrRenamed) {
    WriteWav(folder.File("my song.wav"), WavSpec{});
    form.cmdOpen.SetEnabled(!GetParam().addButtonDisabled);
    const DragOutcome outcome =
        DragAndDrop(List(form.lstOpenFileName), {Url("my song.wav")}, GetParam().offered);
    Settle();
    EXPECT_FALSE(outcome.moveAccepted);
    EXPECT_FALSE(outcome.dropAccepted);
    EXPECT_EQ(List(form.lstOpenFileName)->count(), 0);
    EXPECT_EQ(folder.Names(), (Names{"instance.lock", "my song.wav"}));
}

INSTANTIATE_TEST_SUITE_P(
    Drops, DropRefusalTest,
    ::testing::Values(RefusalCase{"add_button_disabled",
                                  Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, true},
                      RefusalCase{"only_a_move_offered", Qt::MoveAction, false}),
    RowName);

// ---- During a job ----

TEST_F(FileDropTest, DropsAreRefusedWhileAJobRunsAndUntilItsAbortedRunHasReturned) {
    WriteWav(folder.File("long one.wav"), WavSpec{.frames = 5 * 44100});
    WriteWav(folder.File("drop me.wav"), WavSpec{});
    AddThroughButton(folder.File("long one.wav"));
    SwitchToTab(2);

    DragOutcome duringTheJob;
    DragOutcome whileTheAbortedRunFinishes;
    bool jobWasActive = false;
    QTimer::singleShot(0, &window, [&] {
        jobWasActive = form.JobActive();
        SwitchToTab(0);
        duringTheJob = DragAndDrop(List(form.lstOpenFileName), {Url("drop me.wav")});
        form.cmdAbort.Click.Raise();
        ASSERT_TRUE(W(form.cmdOpen)->isEnabled());
        whileTheAbortedRunFinishes = DragAndDrop(List(form.lstOpenFileSize), {Url("drop me.wav")});
    });
    Click(form.cmdGo);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !form.JobActive(); }));
    Settle();
    ASSERT_TRUE(jobWasActive);
    EXPECT_FALSE(duringTheJob.moveAccepted);
    EXPECT_FALSE(duringTheJob.dropAccepted);
    EXPECT_FALSE(whileTheAbortedRunFinishes.moveAccepted);
    EXPECT_FALSE(whileTheAbortedRunFinishes.dropAccepted);
    EXPECT_EQ(form.FileCount, 0);
    EXPECT_TRUE(std::filesystem::exists(folder.File("drop me.wav")));
    EXPECT_TRUE(fakes.Messages().empty());

    // Once the run has returned, the same drop is taken.
    SwitchToTab(0);
    EXPECT_TRUE(DragAndDrop(List(form.lstOpenFileName), {Url("drop me.wav")}).dropAccepted);
    ASSERT_TRUE(ProcessEventsUntil([&] { return form.FileCount == 1; }));
    EXPECT_EQ(Rows(form.lstOpenFileName), Names{"drop me.wav"});
    EXPECT_TRUE(std::filesystem::exists(folder.File("dropme.wav")));
}

} // namespace
} // namespace tarn::gui::testing
