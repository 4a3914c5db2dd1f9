#include "encoding/FileRun.h"
#include "encoding/RunLanes.h"
#include "encoding/modLAME.h"
#include "journal/RunOutput.h"
#include "platform/FileOps.h"
#include "shell/frmMain.h"
#include "shell/modGeneral.h"
#include "tags/WavTags.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

namespace tarn {

namespace {

constexpr const char* kErrorTitle = "Critical error...";

// Said of whatever escapes a run: the run ends with it.
Status Unexpected(const std::string& path) {
    try {
        throw;
    } catch (const std::exception& error) {
        return CannotEncode(path, Status::Failure(std::string("An unexpected error stopped it: ") +
                                                  error.what() + "."));
    } catch (...) {
        return CannotEncode(path, Status::Failure("An unexpected error stopped it."));
    }
}

// The bit rate of an item of the list; 0 for a text that is no number (nothing selected).
std::uint32_t WholeNumber(const std::string& text) {
    std::uint32_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::int32_t BeBool(bool value) {
    return value ? BE_TRUE : BE_FALSE;
}

// The preset of each item of the quality list, in list order.
constexpr std::array kPresets{
    LQP_LOW_QUALITY, LQP_NORMAL_QUALITY, LQP_HIGH_QUALITY, LQP_VOICE_QUALITY, LQP_PHONE, LQP_RADIO,
    LQP_TAPE,        LQP_HIFI,           LQP_CD,           LQP_STUDIO};

// A failed run removes what it wrote, and its failure tells what that left undone.
void Fail(RunLanes::Slot& slot, const Status& failure) {
    slot.outcome = WithWhatWasLeft(failure, slot.run->Abandon());
    slot.ended = true;
}

} // namespace

void frmMain::EncodeFile(const std::string& path) {
    EncodeFiles({path});
    // A job waits for its files' syncs once its runs are done; a run of its own, at once.
    if (!JobActive()) {
        SettleFinishedOutputs(true);
    }
}

void frmMain::EncodeFiles(const std::vector<std::string>& paths) {
    RunLanes lanes(platform::CurrentWorkers());
    std::size_t next = 0;
    for (;;) {
        // The first run starts whatever was asked before: a run stops only after a chunk.
        while (next < paths.size() && (next == 0 || !AbortRequested) && lanes.HasRoom()) {
            StartRun(lanes, paths[next], next);
            ++next;
        }
        while (std::optional<RunLanes::Slot> ended = lanes.TakeEnded()) {
            EndRun(*ended);
        }
        if (lanes.Slots().empty() && (next == paths.size() || AbortRequested)) {
            return;
        }
        RunLanes::Slot* ready = nullptr;
        try {
            ready = lanes.NextReady();
        } catch (...) {
            // From a handler while the runs were waited for: the first of them ends with it.
            for (RunLanes::Slot& slot : lanes.Slots()) {
                if (!slot.ended) {
                    Fail(slot, Unexpected(slot.run->Path()));
                    break;
                }
            }
        }
        if (ready != nullptr) {
            StepRun(lanes, *ready);
        }
    }
}

void frmMain::StartRun(RunLanes& lanes, const std::string& path, std::size_t entry) {
    // The output is the entry's own MP3 path, the one the progress display follows. A renamed
    // entry's output takes the name formed from the chosen one when the job ends.
    std::string mp3Path = ChangeExtension(path, "mp3");
    std::string finalMp3Path;
    for (int n = 1; n <= FileCount; ++n) {
        if (FilePaths[static_cast<std::size_t>(n)] == path) {
            mp3Path = Mp3Paths[static_cast<std::size_t>(n)];
            if (FileRenamed[static_cast<std::size_t>(n)]) {
                finalMp3Path = ChangeExtension(ChosenPaths[static_cast<std::size_t>(n)], "mp3");
            }
            break;
        }
    }
    RunLanes::Slot& slot =
        lanes.Add(entry, std::make_unique<FileRun>(path, mp3Path, finalMp3Path, keeper_.Journal()));
    Status started;
    try {
        started = BeginRun(*slot.run);
    } catch (...) {
        started = Unexpected(path);
    }
    if (!started) {
        Fail(slot, started);
        return;
    }
    lanes.Encode(slot);
}

Status frmMain::BeginRun(FileRun& run) {
    const Result<WavFormat> format = run.Open();
    if (!format) {
        return format.Outcome();
    }
    ConfigureEncoder(*format);
    if (Status started = run.Start(EncoderConfig, ChunkSamples, Mp3BufferSize); !started) {
        return started;
    }
    return run.Read(false);
}

void frmMain::StepRun(RunLanes& lanes, RunLanes::Slot& slot) {
    try {
        if (Status written = slot.run->Write(EncoderResult); !written) {
            Fail(slot, written);
            return;
        }
        if (slot.run->Finished()) {
            slot.ended = true;
            return;
        }
        const bool stop = AbortRequested;
        if (Status read = slot.run->Read(stop); !read) {
            Fail(slot, read);
            return;
        }
        lanes.Encode(slot);
        if (!stop) {
            platform_.events.DoEvents();
            platform_.events.DoEvents();
            SettleFinishedOutputs(false);
        }
    } catch (...) {
        Fail(slot, Unexpected(slot.run->Path()));
    }
}

void frmMain::EndRun(RunLanes::Slot& slot) {
    // Said in table order, once the run has let go of everything and removed what it did not
    // finish.
    if (!slot.outcome) {
        jobOutcome_.troubles = true;
        platform_.notifier.ShowMessage(
            {slot.outcome.Reason(), platform::MessageIcon::Critical, kErrorTitle});
        return;
    }
    // Its sync is made with those of the files finished since the last one, while the next file
    // is encoded.
    if (std::unique_ptr<RunOutput> output = slot.run->TakeOutput()) {
        finishedOutputs_.Add(std::move(output));
        SettleFinishedOutputs(false);
    }
}

void frmMain::SettleFinishedOutputs(bool waitForAll) {
    for (const FinishedOutputs::Settled& file :
         finishedOutputs_.Settle(waitForAll, keeper_.Journal())) {
        if (!file.outcome) {
            jobOutcome_.troubles = true;
            platform_.notifier.ShowMessage(
                {WithWhatWasLeft(CannotWrite(file.path, file.outcome), file.abandoned).Reason(),
                 platform::MessageIcon::Critical, kErrorTitle});
            continue;
        }
        ++jobOutcome_.mp3Files;
        for (JobEntry& entry : jobEntries_) {
            entry.mp3Committed = entry.mp3Committed || entry.mp3Path == file.path;
        }
    }
}

void frmMain::ConfigureEncoder(const WavFormat& format) {
    // The options are read here and nowhere else in the run.
    BE_CONFIG_LHV1& config = EncoderConfig.format.LHV1;
    EncoderConfig.dwConfig = BE_CONFIG_LAME;
    config.dwStructVersion = CURRENT_STRUCT_VERSION;
    config.dwStructSize = CURRENT_STRUCT_SIZE;
    config.dwSampleRate = format.sampleRate;
    config.dwReSampleRate = 0;
    config.nMode = cmbMode.Text() == "Stereo" ? BE_MP3_MODE_JSTEREO : BE_MP3_MODE_MONO;
    config.dwBitrate = WholeNumber(cmbBitrate.Text());
    // With no item selected the preset stays as it was.
    if (const int quality = cmbQuality.ListIndex(); quality >= 0) {
        config.nPreset = kPresets.at(static_cast<std::size_t>(quality));
    }
    config.dwMpegVersion = MPEG1;
    config.dwPsyModel = 0;
    config.dwEmphasis = 0;
    config.bPrivate = BeBool(chkPrivateBit.Value() == forms::Checked);
    config.bCRC = BeBool(chkCRC.Value() == forms::Checked);
    config.bCopyright = BeBool(chkCopyrightBit.Value() == forms::Checked);
    // The box clears the original bit; left unchecked, the bit is set.
    config.bOriginal = BeBool(chkOriginalBit.Value() != forms::Checked);
    config.nVbrMethod = VBR_METHOD_NONE;
}

} // namespace tarn
