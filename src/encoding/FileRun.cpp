#include "encoding/FileRun.h"

#include "tags/WavTags.h"

#include <algorithm>
#include <cerrno>

namespace tarn {

namespace {

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

} // namespace

Status CannotRead(const std::string& path, const Status& failure) {
    return failure.Explained("The file cannot be read:\n" + path + "\n" + Sentence(failure));
}

Status CannotWrite(const std::string& path, const Status& failure) {
    return failure.Explained("The MP3 file cannot be written:\n" + path + "\n" + Sentence(failure));
}

Status CannotEncode(const std::string& path, const Status& failure) {
    return failure.Explained("The file cannot be encoded:\n" + path + "\n" + Sentence(failure));
}

Status WithWhatWasLeft(const Status& failure, const Status& abandoned) {
    return abandoned ? failure : failure.Explained(failure.Reason() + "\n" + abandoned.Reason());
}

FileRun::FileRun(std::string path, std::string mp3Path, std::string finalMp3Path,
                 NameJournal* journal)
    : path_(std::move(path)),
      output_(std::make_unique<RunOutput>(std::move(mp3Path), std::move(finalMp3Path), journal)) {}

FileRun::~FileRun() {
    if (stream_ != 0) {
        beCloseStream(stream_);
    }
}

Result<WavFormat> FileRun::Open() {
    if (!source_.OpenFileForReading(path_)) {
        return CannotRead(path_, source_.LastStatus());
    }
    const Result<std::int64_t> length = platform::FileLength(path_);
    if (!length) {
        return CannotRead(path_, length.Outcome());
    }
    sourceLength_ = *length;
    // The chunks are walked in one pass over the open file, their headers read in large blocks.
    windowed_.emplace(source_.FileHandle());
    const Result<WavLayout> layout =
        LocateWavData([this](std::int64_t offset, void* buffer,
                             std::size_t count) { return (*windowed_)(offset, buffer, count); },
                      sourceLength_);
    if (!layout) {
        return CannotRead(path_, layout.Outcome());
    }
    layout_ = *layout;
    if (const Status supported = CheckFormatSupported(layout_.format); !supported) {
        return CannotEncode(path_, supported);
    }
    return layout_.format;
}

Status FileRun::Start(BE_CONFIG& config, std::uint32_t& chunkSamples, std::uint32_t& bufferSize) {
    channels_ = config.format.LHV1.nMode == BE_MP3_MODE_MONO ? 1 : 2;
    result_ = beInitStream(&config, &chunkSamples, &bufferSize, &stream_);
    if (result_ != BE_ERR_SUCCESSFUL) {
        return EncoderOutcome(static_cast<std::int32_t>(result_));
    }
    if (chunkSamples == 0 || chunkSamples % static_cast<std::uint32_t>(channels_) != 0 ||
        bufferSize == 0) {
        return EncoderOutcome(static_cast<std::int32_t>(BE_ERR_INVALID_FORMAT_PARAMETERS));
    }

    Status outcome = output_->Open();
    if (outcome) {
        // Tags that cannot be read cost nothing but themselves.
        const std::vector<std::uint8_t> tag =
            Mp3TagFor([this](std::int64_t offset, void* buffer,
                             std::size_t count) { return (*windowed_)(offset, buffer, count); },
                      sourceLength_);
        if (!tag.empty()) {
            outcome = output_->Write(tag.data(), static_cast<std::uint32_t>(tag.size()));
        }
    }
    if (!outcome) {
        return CannotWrite(output_->Path(), outcome);
    }

    converter_.emplace(layout_.format, channels_);
    framesPerChunk_ =
        std::clamp<std::uint32_t>(kMaxChunkInputBytes / converter_->InBytesPerFrame(), 1,
                                  chunkSamples / static_cast<std::uint32_t>(channels_));
    input_.resize(static_cast<std::size_t>(framesPerChunk_) * converter_->InBytesPerFrame());
    samples_.resize(chunkSamples);
    encoded_.resize(bufferSize);

    for (std::int64_t skipped = 0; skipped < layout_.dataOffset;) {
        const std::int64_t count = std::min<std::int64_t>(layout_.dataOffset - skipped,
                                                          static_cast<std::int64_t>(input_.size()));
        if (Status read = ReadSource(count); !read) {
            return read;
        }
        skipped += count;
    }
    // A last partial frame (an odd byte of 16-bit data, say) carries no whole sample.
    framesLeft_ = layout_.dataLength / converter_->InBytesPerFrame();
    return {};
}

Status FileRun::ReadSource(std::int64_t count) {
    if (source_.ReadBytes(input_.data(), count) == 0) {
        return CannotRead(path_, source_.LastStatus());
    }
    if (source_.BytesTransferred() != count) {
        return CannotRead(path_, Status::Failure("It ended before the end of its sound data."));
    }
    return {};
}

Status FileRun::Read(bool stop) {
    // After an abort, too, the output ends as a complete, shorter MP3.
    last_ = stop || framesLeft_ == 0;
    if (last_) {
        return {};
    }
    frames_ = static_cast<std::uint32_t>(std::min<std::int64_t>(framesLeft_, framesPerChunk_));
    if (Status read =
            ReadSource(static_cast<std::int64_t>(frames_) * converter_->InBytesPerFrame());
        !read) {
        return read;
    }
    framesLeft_ -= frames_;
    converter_->Convert(input_.data(), frames_, samples_.data());
    return {};
}

void FileRun::Encode() {
    produced_ = 0;
    result_ = last_ ? beDeinitStream(stream_, encoded_.data(), &produced_)
                    : beEncodeChunk(stream_, frames_ * static_cast<std::uint32_t>(channels_),
                                    samples_.data(), encoded_.data(), &produced_);
}

Status FileRun::Write(std::int32_t& encoderResult) {
    encoderResult = static_cast<std::int32_t>(result_);
    if (result_ != BE_ERR_SUCCESSFUL) {
        return EncoderOutcome(encoderResult);
    }
    if (const Status written = output_->Write(encoded_.data(), produced_); !written) {
        return CannotWrite(output_->Path(), written);
    }
    if (last_) {
        finished_ = true;
        // What a finished run no longer needs goes before the file is made durable.
        beCloseStream(stream_);
        stream_ = 0;
        input_ = {};
        samples_ = {};
        encoded_ = {};
    }
    return {};
}

Status FileRun::Abandon() {
    Status abandoned = output_ ? output_->Abandon() : Status();
    output_.reset();
    return abandoned;
}

} // namespace tarn
