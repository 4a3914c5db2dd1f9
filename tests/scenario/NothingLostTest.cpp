// No byte or name is lost whichever call fails or wherever the process stops; records guard moves.
#include "filelist/FileNames.h"
#include "journal/NameJournal.h"
#include "shell/frmMain.h"
#include "support/FaultySystem.h"
#include "support/JobFixture.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

namespace tarn {
namespace {

namespace fs = std::filesystem;
using testing::FaultySystem;
using testing::Names;
using Call = platform::sys::Call;
using Note = FaultySystem::Note;
using Kind = NameJournal::Kind;
using Files = std::map<std::string, std::string>;
using namespace std::chrono_literals;

// A start of the program, its journal's names put in order; `atPause` is called at each pause.
struct Session {
    explicit Session(const std::string& journalPath,
                     const std::function<void(Session&, int)>& atPause = {})
        : journal(journalPath) {
        // Two runs at once: each step of one may fall between any two of the other's.
        platform.UseLanes(2);
        form.UseNameJournal(&journal);
        form.Form_Load();
        platform.AttachTimers(form.Timers());
        platform.doEventsCost = 40ms;
        if (atPause) {
            platform.onPause = [this, atPause](int pause) {
                atPause(*this, pause);
            };
        }
        form.RecoverNames();
    }
    void AddAndEncode(const std::vector<std::string>& paths) {
        form.AddChosenFiles(paths);
        if (form.FileCount > 0) {
            form.cmdGo.Click.Raise();
            EXPECT_TRUE(platform.RunUntil([this] { return !form.JobActive(); }, 60s));
        }
    }

    // Waits for the job to end, then leaves as Exit does, if the window is still there.
    void Leave() {
        EXPECT_TRUE(platform.RunUntil([this] { return !form.JobActive(); }, 60s));
        if (form.Loaded()) {
            form.cmdExit_Click();
        }
        EXPECT_FALSE(form.Loaded());
    }

    testing::TestPlatform platform;
    NameJournal journal;
    frmMain form{platform.Bundle()};
};

std::string FolderOf(const std::string& path) {
    return fs::path(path).parent_path().string();
}

// Lists where a power cut could lose a name: each step needs a durable record, kept till it is.
class DurabilityOrder {
public:
    DurabilityOrder(FaultySystem& system, const std::string& journal)
        : journal_(journal), temporaries_(journal + ".new") {
        system.Aside([this] { records_ = durable_ = NameJournal(journal_).Entries().ValueOr({}); });
        system.observer = [this](const FaultySystem::Note& note, int answer) {
            See(note, answer <= 0 || answer > platform::sys::kMadeThenFailed);
        };
    }
    ~DurabilityOrder() { EXPECT_EQ(violations, std::vector<std::string>()); }
    DurabilityOrder(const DurabilityOrder&) = delete;
    DurabilityOrder& operator=(const DurabilityOrder&) = delete;

    // A call about to be made, and whether it will be made.
    void See(const FaultySystem::Note& note, bool made) {
        // Each write of the journal has a temporary file of its own.
        const bool temporary = note.path.starts_with(temporaries_);
        if (temporary && note.call == Call::Open) {
            temporary_ = note.path;
        }
        const bool ofTheJournal = temporary || note.path == journal_;
        const bool movesAFile = note.call == Call::Rename || note.call == Call::RenameNoReplace ||
                                note.call == Call::Link;
        const bool anMp3 = note.path.ends_with(".mp3");
        if (!ofTheJournal && movesAFile) {
            // To the cleaned name, or the same move back (a name given back).
            ExpectGuarded(note.path, [&](const NameJournal::Entry& e) {
                return std::set{e.currentPath, e.chosenPath} == std::set{note.path, note.to};
            });
        } else if (note.call == Call::Open && anMp3) {
            ExpectGuarded(note.path, [&](const NameJournal::Entry& e) {
                return (e.kind == Kind::OutputStarted || e.kind == Kind::Placeholder) &&
                       e.currentPath == note.path;
            });
        }
        if (!made) {
            return;
        }
        if (note.call == Call::Syncfs) {
            // Taken as the music's alone: the journal may be on a file system of its own.
            unsyncedData_.clear();
            unsyncedNames_.clear();
        } else if (note.call == Call::Fsync) {
            temporarySynced_ = temporarySynced_ || note.path == temporary_;
            unsyncedData_.erase(note.path);
            std::erase_if(unsyncedNames_,
                          [&](const std::string& name) { return FolderOf(name) == note.path; });
            if (note.path == FolderOf(journal_) && !unsyncedNames_.contains(FolderOf(journal_))) {
                durable_ = records_;
            }
        } else if (note.path == temporary_ && movesAFile && fs::exists(temporary_)) {
            if (!temporarySynced_) {
                violations.push_back("the journal is renamed into place unsynced");
            }
            Replace(NameJournal(temporary_).Entries().ValueOr({}));
        } else if (note.path == journal_ && note.call == Call::Unlink) {
            Replace({});
        } else if (note.path == temporary_) {
            temporarySynced_ =
                temporarySynced_ && note.call != Call::Open && note.call != Call::Write;
        } else if (note.call == Call::Mkdir || movesAFile ||
                   (note.call == Call::Open && anMp3 && !fs::exists(note.path)) ||
                   (note.call == Call::Unlink && std::ranges::any_of(records_, [&](auto& e) {
                        // Removing a file is a step to guard only for an MP3 file of a run.
                        return e.currentPath == note.path;
                    }))) {
            // What a removed file held no longer matters; its name does, until it is synced.
            if (note.call == Call::Unlink) {
                unsyncedData_.erase(note.path);
            }
            unsyncedNames_.insert(note.path);
            if (movesAFile) {
                unsyncedNames_.insert(note.to);
            }
        } else if (note.call == Call::Write && anMp3) {
            unsyncedData_.insert(note.path);
        }
    }

    std::vector<std::string> violations;

private:
    // A record guards the step in the journal as it is, and as a power cut would leave it.
    template <typename Guards> void ExpectGuarded(const std::string& what, const Guards& guards) {
        if (!std::ranges::any_of(records_, guards)) {
            violations.push_back(what + " has no record");
        } else if (!std::ranges::any_of(durable_, guards)) {
            violations.push_back(what + " is touched before its record is durable");
        }
    }
    void Replace(const std::vector<NameJournal::Entry>& next) {
        for (const NameJournal::Entry& record : records_) {
            // Noted again with the file's identity, a record stays.
            const bool stays = std::ranges::any_of(next, [&](const NameJournal::Entry& e) {
                return e.currentPath == record.currentPath && e.kind == record.kind;
            });
            if (!stays && (unsyncedNames_.contains(record.currentPath) ||
                           unsyncedNames_.contains(record.chosenPath) ||
                           unsyncedData_.contains(record.currentPath))) {
                violations.push_back("the record of " + record.currentPath +
                                     " goes before its step is durable");
            }
        }
        records_ = next;
    }

    std::string journal_, temporaries_, temporary_;
    // The records now, and those a power cut would leave.
    std::vector<NameJournal::Entry> records_, durable_;
    // Names made, moved or removed, and files written, since they were last synced.
    std::set<std::string> unsyncedNames_, unsyncedData_;
    bool temporarySynced_ = false;
};

TEST(DurabilityOrderTest, FindsEveryStepThatAPowerCutCouldUndo) {
    const testing::TempDir dir;
    const std::string journal = dir.File("j/renames"), temporary = journal + ".new-1";
    const std::string chosen = dir.File("a b.wav"), cleaned = dir.File("ab.wav");
    const Note open{Call::Open, temporary, ""}, sync{Call::Fsync, temporary, ""};
    const Note commit{Call::Rename, temporary, journal},
        syncJournal{Call::Fsync, dir.File("j"), ""};
    const Note rename{Call::RenameNoReplace, chosen, cleaned};
    const Note back{Call::RenameNoReplace, cleaned, chosen};
    const Note syncMusic{Call::Fsync, dir.Path().string(), ""}, drop{Call::Unlink, journal, ""};
    for (const auto& [calls, found] : std::vector<std::pair<std::vector<Note>, std::string>>{
             {{open, sync, commit, syncJournal, rename, back, syncMusic, drop}, ""},
             {{rename}, chosen + " has no record"},
             {{open, sync, commit, rename}, chosen + " is touched before its record is durable"},
             {{open, commit}, "the journal is renamed into place unsynced"},
             {{open, sync, commit, syncJournal, rename, back, drop},
              "the record of " + cleaned + " goes before its step is durable"}}) {
        SCOPED_TRACE(found);
        std::filesystem::remove_all(dir.File("j"));
        ASSERT_TRUE(NameJournal(temporary).Record(cleaned, chosen));
        FaultySystem system;
        DurabilityOrder order(system, journal);
        for (const Note& call : calls) {
            system.Aside([&] { order.See(call, true); });
        }
        EXPECT_EQ(order.violations, found.empty() ? Names() : Names{found});
        order.violations.clear();
    }
}

class NothingLostTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::WriteWav(dir.File("first take.wav"), {.frames = 8820});
        testing::WriteWav(dir.File("b-side.wav"), {.channels = 1, .frames = 1152});
        testing::WriteWav(dir.File("clean.wav"),
                          {.sampleRate = 48000, .channels = 1, .frames = 4800});
        // Left by an earlier job under the name the first file's MP3 file is written under.
        testing::WriteBytes(dir.File("firsttake.mp3"), {'o', 'l', 'd'});
        initial = Snapshot();
        FaultySystem system;
        Session(journalPath).AddAndEncode(sources);
        calls = system.calls;
        ExpectSyncsOffTheWindowsThread(calls);
        EXPECT_TRUE(std::ranges::none_of(calls, [](const Note& note) {
            return note.call == Call::Fsync && note.path.ends_with(".mp3");
        })) << "the finished files are made durable with their file system, not one by one";
        const auto first = [&](Call call, const std::string& name) {
            return std::ranges::find_if(calls, [&](const Note& note) {
                return note.call == call && note.path == dir.File(name);
            });
        };
        EXPECT_LT(first(Call::Lstat, "bside.mp3"), first(Call::Syncfs, "firsttake.mp3"))
            << "a finished file is made durable while the next one is encoded";
        finished = Snapshot();
        Names names;
        for (const auto& file : finished) {
            names.push_back(file.first);
        }
        ASSERT_EQ(names, everything) << "the sources, their MP3 files and no journal";
        Restore(initial);
    }

    // The files in the folder, the journal's own among them, and their bytes.
    Files Snapshot() const {
        Files files;
        for (const auto& entry : fs::recursive_directory_iterator(dir.Path())) {
            if (entry.is_regular_file()) {
                files[entry.path().lexically_relative(dir.Path()).string()] =
                    testing::Contents(entry.path().string());
            }
        }
        return files;
    }
    void Restore(const Files& files) {
        for (const auto& entry : fs::directory_iterator(dir.Path())) {
            fs::remove_all(entry.path());
        }
        for (const auto& [name, bytes] : files) {
            fs::create_directories(fs::path(dir.File(name)).parent_path());
            testing::WriteBytes(dir.File(name), {bytes.begin(), bytes.end()});
        }
    }
    static void ExpectSyncsOffTheWindowsThread(const std::vector<Note>& made) {
        const auto sync = [](const Note& note) {
            return note.call == Call::Fsync || note.call == Call::Syncfs;
        };
        EXPECT_GT(std::ranges::count_if(made, sync), 0);
        for (const Note& note : made) {
            if (sync(note)) {
                EXPECT_NE(note.thread, std::this_thread::get_id())
                    << note.path << " is synced on the window's thread";
            }
        }
    }
    // Renames as made, as a link and an unlink (NFS), or through a placeholder (exFAT on FUSE).
    enum class Renames { Plain, Linking, Neither };
    static void Refuse(FaultySystem& system, Renames renames) {
        if (renames != Renames::Plain) {
            system.Refuse(Call::RenameNoReplace, EINVAL);
        }
        if (renames == Renames::Neither) {
            system.Refuse(Call::Link, EPERM);
        }
    }
    std::vector<FaultySystem::Note> CleanCalls(Renames renames) {
        if (renames == Renames::Plain) {
            return calls;
        }
        FaultySystem system;
        Refuse(system, renames);
        Session(journalPath).AddAndEncode(sources);
        Restore(initial);
        return system.calls;
    }
    // Runs a session in a process of its own that stops at the call with that number.
    void StopAt(std::size_t call, Renames renames = Renames::Plain) {
        const pid_t child = ::fork();
        if (child == 0) {
            FaultySystem system(call, testing::kStop);
            Refuse(system, renames);
            Session(journalPath).AddAndEncode(sources);
            ::_exit(0);
        }
        ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    }
    // Killed as the last run writes its last bytes: the runs before durable, the last cut short.
    void StopAsTheLastRunWrites() {
        const auto write = [&](const auto& note) {
            return note.call == Call::Write && note.path == dir.File("clean.mp3");
        };
        StopAt(static_cast<std::size_t>(calls.rend() -
                                        std::find_if(calls.rbegin(), calls.rend(), write)));
    }
    // After the next start: WAVs as chosen, finished MP3s (`expected` or `told`), no journal.
    void ExpectInOrder(const Names& expected, const Names& told = {}) {
        EXPECT_FALSE(fs::exists(journalPath));
        const Files files = Snapshot();
        for (const auto& file : files) {
            const auto as = [&](const Files& state) {
                return state.contains(file.first) && state.at(file.first) == file.second;
            };
            const bool expectedThere = file.first.starts_with(".state/") || as(finished) ||
                                       (as(initial) && file.first.ends_with(".mp3"));
            EXPECT_TRUE(expectedThere) << file.first;
        }
        for (const std::string& name : expected) {
            const std::string stem = name.substr(0, name.find('.'));
            const bool named = std::ranges::any_of(told, [&](const std::string& text) {
                return text.find(stem) != std::string::npos ||
                       text.find(CleanFileName(stem)) != std::string::npos;
            });
            const bool thereOrTold = files.contains(name) || named;
            EXPECT_TRUE(thereOrTold) << name << " is missing and nobody said so";
        }
    }
    // `run(n, error)` for each call of a clean run and each way worth failing it, to a failure.
    template <typename Run>
    void EachFailureOf(const std::vector<FaultySystem::Note>& clean, const Run& run) {
        for (std::size_t n = 1; n <= clean.size() && !HasFailure(); ++n) {
            for (const int error : testing::ErrorsFor(clean[n - 1].call)) {
                SCOPED_TRACE(std::to_string(n) + " fails with " + std::to_string(error) + ": " +
                             clean[n - 1].path);
                run(n, error);
            }
        }
    }

    testing::TempDir dir{testing::TempDir::InMemory()};
    const std::string journalPath = dir.File(".state/tarnme/renames");
    // The first two are renamed together.
    const std::vector<std::string> sources{dir.File("first take.wav"), dir.File("b-side.wav"),
                                           dir.File("clean.wav")};
    const Names everything{"b-side.mp3", "b-side.wav",     "clean.mp3",
                           "clean.wav",  "first take.mp3", "first take.wav"};
    const Names afterTheCrash{"b-side.mp3", "b-side.wav", "clean.wav", "first take.mp3",
                              "first take.wav"};
    Files initial, finished;
    std::vector<FaultySystem::Note> calls;
};

// Also where renames go through a placeholder (exFAT through FUSE), the start after it too.
TEST_F(NothingLostTest, EveryCallOfAnAddAndAJobFailsInTurn) {
    for (const Renames renames : {Renames::Plain, Renames::Neither}) {
        EachFailureOf(CleanCalls(renames), [&](std::size_t n, int error) {
            Names told;
            for (const bool failing : {true, false}) {
                FaultySystem system(failing ? n : 0, error);
                Refuse(system, renames);
                const DurabilityOrder order(system, journalPath);
                Session session(journalPath);
                if (failing) {
                    session.AddAndEncode(sources);
                }
                told.insert(told.end(), session.platform.interactions.begin(),
                            session.platform.interactions.end());
            }
            ExpectInOrder(everything, told);
            Restore(initial);
        });
    }
}

// A stick pulled at any call, the program ended and started without it, then with it: no loss.
TEST_F(NothingLostTest, TheMusicFolderGoesAtAnyCallAndComesBack) {
    const auto music = [&](const std::string& path) {
        return path.starts_with(dir.Path().string()) && !path.starts_with(dir.File(".state"));
    };
    for (std::size_t n = 1; n <= calls.size() && !HasFailure(); ++n) {
        SCOPED_TRACE("pulled at " + std::to_string(n) + ": " + calls[n - 1].path);
        Names told;
        for (const std::size_t pulledFrom : {n, std::size_t{1}, std::size_t{0}}) {
            FaultySystem system;
            if (pulledFrom != 0) {
                system.Pull(pulledFrom, music);
            }
            const DurabilityOrder order(system, journalPath);
            Session session(journalPath);
            if (pulledFrom == n) {
                session.AddAndEncode(sources);
                session.form.cmdExit_Click();
            }
            const Names& shown = session.platform.interactions;
            EXPECT_TRUE(std::ranges::none_of(shown, [](const std::string& text) {
                return text.find("could not be renamed:") != std::string::npos &&
                       text.find("No such file") != std::string::npos;
            })) << "a folder that is not there is told as such";
            const bool toldWhere = std::ranges::any_of(shown, [](const std::string& text) {
                return text.find("not there now") != std::string::npos;
            });
            if (pulledFrom == 1 && fs::exists(journalPath)) {
                EXPECT_TRUE(toldWhere) << "names are kept for later, and nobody said where";
            }
            told.insert(told.end(), shown.begin(), shown.end());
        }
        ExpectInOrder(everything, told);
        Restore(initial);
    }
}

// Also where a rename is a link and an unlink (two names between them), or uses a placeholder.
TEST_F(NothingLostTest, TheProcessStopsBetweenAnyTwoCallsOfAnAddAndAJob) {
    for (const Renames renames : {Renames::Plain, Renames::Linking, Renames::Neither}) {
        const std::size_t count = CleanCalls(renames).size();
        for (std::size_t n = 1; n <= count && !HasFailure(); ++n) {
            SCOPED_TRACE(std::to_string(n) + ": stopped, renames " +
                         std::to_string(static_cast<int>(renames)));
            StopAt(n, renames);
            const Session next(journalPath);
            EXPECT_TRUE(next.platform.interactions.empty());
            ExpectInOrder({});
            Restore(initial);
        }
    }
}

TEST_F(NothingLostTest, EveryCallOfAStartAfterACrashFailsInTurn) {
    StopAsTheLastRunWrites();
    ASSERT_EQ(Snapshot().size(), 7U) << "the sources, three MP3 files and the journal";
    std::vector<FaultySystem::Note> startCalls;
    {
        FaultySystem system;
        const Session next(journalPath);
        startCalls = system.calls;
        ExpectSyncsOffTheWindowsThread(startCalls);
        ExpectInOrder(afterTheCrash);
    }
    // Each time a crash of its own, so that the records know their files.
    EachFailureOf(startCalls, [&](std::size_t n, int error) {
        Restore(initial);
        StopAsTheLastRunWrites();
        {
            FaultySystem system(n, error);
            const DurabilityOrder order(system, journalPath);
            const Session start(journalPath);
            if (fs::exists(journalPath)) {
                EXPECT_FALSE(start.platform.interactions.empty())
                    << "whatever is left for the next start is told";
            }
        }
        const Session next(journalPath);
        ExpectInOrder(afterTheCrash);
    });
}

void Press(forms::CommandButton& button) {
    if (button.Enabled()) {
        button.Click.Raise();
    }
}

// What a user or the desktop can send whenever the window handles events; `late` they may add.
constexpr std::array kSent{"Abort", "Add",   "a drop or a hand-over", "Remove", "Clear",
                           "Exit",  "close", "an end from outside",   "Go"};
void Send(std::string_view what, Session& s, const std::string& late) {
    frmMain& form = s.form;
    const std::map<std::string_view, forms::CommandButton*> buttons{
        {"Abort", &form.cmdAbort},     {"Add", &form.cmdOpen},  {"Remove", &form.cmdDeleteFile},
        {"Clear", &form.cmdClearList}, {"Exit", &form.cmdExit}, {"Go", &form.cmdGo}};
    bool cancel = false;
    if (what == "Add") {
        s.platform.AnswerDialog(late);
    } else if (what == "Remove") {
        form.lstOpenFileName.SetListIndex(form.lstOpenFileName.ListCount() > 0 ? 0 : -1);
    }
    if (what == "a drop or a hand-over") {
        form.AddChosenFiles({late});
    } else if (what == "close") {
        form.Form_QueryUnload(cancel);
    } else if (what == "an end from outside") {
        form.Shutdown();
    } else {
        Press(*buttons.at(what));
    }
}

class NestingTest : public NothingLostTest {
protected:
    // The late file is one more that a user may add; an aborted run leaves a shorter MP3 file.
    void ExpectNoNameLost(const Names& told) {
        EXPECT_FALSE(fs::exists(journalPath));
        const Files files = Snapshot();
        const std::set<std::string> stems{"first take", "b-side", "clean", "late take"};
        for (const auto& file : files) {
            const std::string& name = file.first;
            const auto as = [&file](const Files& state) {
                return state.contains(file.first) && state.at(file.first) == file.second;
            };
            const bool wanted = name.starts_with(".state/") || as(initial) || as(finished) ||
                                (name.ends_with(".mp3") && !file.second.empty() &&
                                 stems.contains(name.substr(0, name.size() - 4)));
            EXPECT_TRUE(wanted) << name;
        }
        for (const std::string& stem : stems) {
            EXPECT_TRUE(files.contains(stem + ".wav")) << stem << ".wav has lost its name";
        }
        EXPECT_TRUE(std::ranges::none_of(told, [](const std::string& text) {
            return text.find("cannot be written") != std::string::npos;
        })) << "a finished MP3 file was removed";
    }
    // Each event, and a kill, at each pause of `script`; `crashed`: each session after a crash.
    void SweepEventsAt(const std::function<void(Session&)>& script, bool crashed = false) {
        const std::string late = dir.File("late take.wav");
        testing::WriteWav(late, {.frames = 4410});
        initial["late take.wav"] = finished["late take.wav"] = testing::Contents(late);
        const Files base = Snapshot();
        // The records of a crash know their files by their identity: each start has its own.
        const auto prepare = [&] {
            Restore(base);
            if (crashed) {
                StopAsTheLastRunWrites();
            }
        };
        prepare();
        int pauses = 0;
        {
            Session clean(journalPath);
            script(clean);
            clean.Leave();
            pauses = clean.platform.pauses;
        }
        for (int k = 1; k <= pauses && !HasFailure(); ++k) {
            for (const std::string_view event : kSent) {
                SCOPED_TRACE(std::string(event) + " at pause " + std::to_string(k));
                prepare();
                Names told;
                {
                    FaultySystem system;
                    const DurabilityOrder order(system, journalPath);
                    Session session(journalPath, [&](Session& s, int pause) {
                        if (pause == k) {
                            Send(event, s, late);
                        }
                    });
                    script(session);
                    session.Leave();
                    told = session.platform.interactions;
                }
                const Session next(journalPath);
                ExpectNoNameLost(told);
            }
            prepare();
            if (const pid_t child = ::fork(); child == 0) {
                Session session(journalPath, [k](Session&, int pause) {
                    if (pause == k) {
                        ::_exit(0);
                    }
                });
                script(session);
                ::_exit(0);
            } else {
                ASSERT_EQ(::waitpid(child, nullptr, 0), child);
            }
            SCOPED_TRACE("killed at pause " + std::to_string(k));
            const Session next(journalPath);
            ExpectNoNameLost(next.platform.interactions);
        }
    }
};

// An add, a job and its end; the same with an abort during the first run; a start after a crash.
TEST_F(NestingTest, EveryEventAtEveryPauseRunsAfterTheChangeUnderWay) {
    SweepEventsAt([&](Session& s) { s.AddAndEncode(sources); });
}

TEST_F(NestingTest, EveryEventAtEveryPauseOfAnAbortedJob) {
    SweepEventsAt([&](Session& s) {
        s.platform.AtDoEvents(3, [&s] { Press(s.form.cmdAbort); });
        s.AddAndEncode(sources);
    });
}

TEST_F(NestingTest, EveryEventAtEveryPauseOfAStartAfterACrash) {
    SweepEventsAt([](Session& /*s*/) {}, true);
}

} // namespace
} // namespace tarn
