#include "encoding/WavSource.h"
#include "encoding/clsFileIo.h"
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
// The most bytes of a source that one chunk reads. A header may claim up to 65535 channels; a
// chunk of such frames would otherwise take more than a gigabyte.
constexpr std::uint32_t kMaxChunkInputBytes = 4U << 20;

// The failure as the last line of a message: a sentence.
std::string Sentence(const Status& failure) {
    if (failure.HasOwnReason()) {
        return failure.Reason();
    }
    return failure.Error() == EBUSY ? "It is in use." : failure.Reason() + ".";
}

Status CannotRead(const std::string& path, const Status& failure) {
    return failure.Explained("The file cannot be read:\n" + path + "\n" + Sentence(failure));
}

Status CannotWrite(const std::string& path, const Status& failure) {
    return failure.Explained("The MP3 file cannot be written:\n" + path + "\n" + Sentence(failure));
}

// What the clean-up after a failure left undone is told with the failure that led to it.
Status WithWhatWasLeft(const Status& failure, const Status& abandoned) {
    return abandoned ? failure : failure.Explained(failure.Reason() + "\n" + abandoned.Reason());
}

Status CannotEncode(const std::string& path, const Status& failure) {
    return failure.Explained("The file cannot be encoded:\n" + path + "\n" + Sentence(failure));
}

// The encoder stream of one run, released however the run ends.
class StreamHandle {
public:
    explicit StreamHandle(HBE_STREAM& stream) : stream_(stream) {}
    ~StreamHandle() {
        if (stream_ != 0) {
            beCloseStream(stream_);
            stream_ = 0;
        }
    }
    StreamHandle(const StreamHandle&) = delete;
    StreamHandle& operator=(const StreamHandle&) = delete;

private:
    HBE_STREAM& stream_;
};

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

} // namespace

void frmMain::EncodeFile(const std::string& path) {
    Status outcome;
    try {
        outcome = RunEncoding(path);
    } catch (const std::exception& error) {
        outcome =
            CannotEncode(path, Status::Failure(std::string("An unexpected error stopped it: ") +
                                               error.what() + "."));
    } catch (...) {
        outcome = CannotEncode(path, Status::Failure("An unexpected error stopped it."));
    }
    // Said once the run has let go of everything and removed what it did not finish.
    if (!outcome) {
        jobOutcome_.troubles = true;
        platform_.notifier.ShowMessage(
            {outcome.Reason(), platform::MessageIcon::Critical, kErrorTitle});
    }
    // A job waits for its files' syncs once its runs are done; a run of its own, at once.
    if (!JobActive()) {
        SettleFinishedOutputs(true);
    }
}

Status frmMain::RunEncoding(const std::string& path) {
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

    clsFileIo source;
    if (!source.OpenFileForReading(path)) {
        return CannotRead(path, source.LastStatus());
    }
    const Result<std::int64_t> sourceLength = platform::FileLength(path);
    if (!sourceLength) {
        return CannotRead(path, sourceLength.Outcome());
    }
    // The chunks are walked in one pass over the open file, their headers read in large blocks.
    platform::WindowedReader windowed(source.FileHandle());
    const ReadAtFunction readAt = [&windowed](std::int64_t offset, void* buffer,
                                              std::size_t count) {
        return windowed(offset, buffer, count);
    };
    const Result<WavLayout> layout = LocateWavData(readAt, *sourceLength);
    if (!layout) {
        return CannotRead(path, layout.Outcome());
    }
    if (const Status supported = CheckFormatSupported(layout->format); !supported) {
        return CannotEncode(path, supported);
    }

    const int channels = ConfigureEncoder(layout->format);
    const StreamHandle stream(EncoderStream);
    EncoderResult = static_cast<std::int32_t>(
        beInitStream(&EncoderConfig, &ChunkSamples, &Mp3BufferSize, &EncoderStream));
    if (EncoderResult != 0) {
        return EncoderOutcome(EncoderResult);
    }
    if (ChunkSamples == 0 || ChunkSamples % static_cast<std::uint32_t>(channels) != 0 ||
        Mp3BufferSize == 0) {
        return EncoderOutcome(static_cast<std::int32_t>(BE_ERR_INVALID_FORMAT_PARAMETERS));
    }

    auto finished = std::make_unique<RunOutput>(mp3Path, finalMp3Path, keeper_.Journal());
    RunOutput& output = *finished;
    Status outcome = output.Open();
    if (outcome) {
        // Tags that cannot be read cost nothing but themselves.
        const std::vector<std::uint8_t> tag = Mp3TagFor(readAt, *sourceLength);
        if (!tag.empty()) {
            outcome = output.Write(tag.data(), static_cast<std::uint32_t>(tag.size()));
        }
    }
    if (!outcome) {
        outcome = CannotWrite(output.Path(), outcome);
    } else {
        outcome = EncodeChunks(path, source, *layout, output);
    }
    if (!outcome) {
        return WithWhatWasLeft(outcome, output.Abandon());
    }
    // Its sync is made with those of the files finished since the last one, while the next file
    // is encoded.
    finishedOutputs_.Add(std::move(finished));
    SettleFinishedOutputs(false);
    return {};
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

int frmMain::ConfigureEncoder(const WavFormat& format) {
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
    return config.nMode == BE_MP3_MODE_MONO ? 1 : 2;
}

Status frmMain::EncodeChunks(const std::string& path, clsFileIo& source, const WavLayout& layout,
                             RunOutput& output) {
    const int channels = EncoderConfig.format.LHV1.nMode == BE_MP3_MODE_MONO ? 1 : 2;
    const SampleConverter converter(layout.format, channels);
    const std::uint32_t framesPerChunk =
        std::clamp<std::uint32_t>(kMaxChunkInputBytes / converter.InBytesPerFrame(), 1,
                                  ChunkSamples / static_cast<std::uint32_t>(channels));
    std::vector<std::uint8_t> inputBuffer(static_cast<std::size_t>(framesPerChunk) *
                                          converter.InBytesPerFrame());
    std::vector<std::int16_t> samples(ChunkSamples);
    std::vector<std::uint8_t> outputBuffer(Mp3BufferSize);

    // Reads exactly `count` bytes.
    const auto readSource = [&](std::int64_t count) -> Status {
        if (source.ReadBytes(inputBuffer.data(), count) == 0) {
            return CannotRead(path, source.LastStatus());
        }
        if (source.BytesTransferred() != count) {
            return CannotRead(path, Status::Failure("It ended before the end of its sound data."));
        }
        return {};
    };
    // Stores the encoder's result and writes what it delivered. `produced` is taken by
    // reference: it is read only after the encoder call has filled it.
    const auto deliver = [&](BE_ERR result, const std::uint32_t& produced) -> Status {
        EncoderResult = static_cast<std::int32_t>(result);
        if (EncoderResult != 0) {
            return EncoderOutcome(EncoderResult);
        }
        const Status written = output.Write(outputBuffer.data(), produced);
        return written ? written : CannotWrite(output.Path(), written);
    };

    for (std::int64_t skipped = 0; skipped < layout.dataOffset;) {
        const std::int64_t count = std::min<std::int64_t>(
            layout.dataOffset - skipped, static_cast<std::int64_t>(inputBuffer.size()));
        if (Status skippedRead = readSource(count); !skippedRead) {
            return skippedRead;
        }
        skipped += count;
    }

    // A last partial frame (an odd byte of 16-bit data, say) carries no whole sample.
    const std::int64_t totalFrames = layout.dataLength / converter.InBytesPerFrame();
    for (std::int64_t done = 0; done < totalFrames;) {
        const auto frames =
            static_cast<std::uint32_t>(std::min<std::int64_t>(totalFrames - done, framesPerChunk));
        if (Status read =
                readSource(static_cast<std::int64_t>(frames) * converter.InBytesPerFrame());
            !read) {
            return read;
        }
        done += frames;
        converter.Convert(inputBuffer.data(), frames, samples.data());

        std::uint32_t produced = 0;
        if (Status delivered =
                deliver(beEncodeChunk(EncoderStream, frames * static_cast<std::uint32_t>(channels),
                                      samples.data(), outputBuffer.data(), &produced),
                        produced);
            !delivered) {
            return delivered;
        }
        if (AbortRequested) {
            break;
        }
        platform_.events.DoEvents();
        platform_.events.DoEvents();
        SettleFinishedOutputs(false);
    }

    // After an abort, too: the output ends as a complete, shorter MP3.
    std::uint32_t produced = 0;
    return deliver(beDeinitStream(EncoderStream, outputBuffer.data(), &produced), produced);
}

} // namespace tarn
