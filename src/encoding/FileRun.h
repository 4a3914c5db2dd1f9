#pragma once

#include "common/Status.h"
#include "encoding/WavSource.h"
#include "encoding/clsFileIo.h"
#include "encoding/modLAME.h"
#include "journal/RunOutput.h"
#include "platform/FileOps.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

// The run of one file: its source, its encoder stream and its MP3 file. It moves in steps: the
// source is read a chunk at a time, each chunk encoded, and what the encoder delivers written,
// until the encoder's last bytes are. Opening, reading and writing are the window's thread's;
// Encode alone touches no file and may run on another thread, while the window's thread leaves
// the run alone.
//
// A failed step says why in the words the user sees, and ends the run: Abandon then removes
// what it wrote.
class FileRun {
public:
    // `finalMp3Path` is the name the MP3 file takes at the end of the job; empty when it keeps
    // its own. Without a journal nothing is recorded.
    FileRun(std::string path, std::string mp3Path, std::string finalMp3Path, NameJournal* journal);
    ~FileRun();
    FileRun(const FileRun&) = delete;
    FileRun& operator=(const FileRun&) = delete;

    // Opens the source and finds its samples: their format, for the encoder's options.
    Result<WavFormat> Open();
    // Starts the encoder with `config`, which gives its chunk and buffer sizes; creates the MP3
    // file with the source's tags and reads up to the samples.
    Status Start(BE_CONFIG& config, std::uint32_t& chunkSamples, std::uint32_t& bufferSize);
    // Reads and converts the next chunk; at the end of the samples, or with `stop`, the
    // encoder's last bytes come next instead.
    Status Read(bool stop);
    // Encodes what Read prepared.
    void Encode();
    // Writes what Encode delivered; `encoderResult` takes the encoder's result.
    Status Write(std::int32_t& encoderResult);
    // The encoder's last bytes are written: the MP3 file is whole.
    bool Finished() const { return finished_; }

    // The MP3 file of a finished run, to be made durable with those finished with it.
    std::unique_ptr<RunOutput> TakeOutput() { return std::move(output_); }
    // Removes what the run wrote; what could not be done.
    Status Abandon();
    const std::string& Path() const { return path_; }

private:
    Status ReadSource(std::int64_t count);

    std::string path_;
    clsFileIo source_;
    std::optional<platform::WindowedReader> windowed_;
    std::int64_t sourceLength_ = 0;
    WavLayout layout_;
    std::optional<SampleConverter> converter_;
    HBE_STREAM stream_ = 0;
    int channels_ = 2;
    std::unique_ptr<RunOutput> output_;

    std::vector<std::uint8_t> input_;
    std::vector<std::int16_t> samples_;
    std::vector<std::uint8_t> encoded_;
    std::int64_t framesLeft_ = 0;
    std::uint32_t framesPerChunk_ = 0;
    // What Read prepared: the frames of a chunk, or none for the encoder's last bytes.
    std::uint32_t frames_ = 0;
    bool last_ = false;
    // What Encode delivered.
    BE_ERR result_ = BE_ERR_SUCCESSFUL;
    std::uint32_t produced_ = 0;
    bool finished_ = false;
};

// The failures of a run as the user reads them: the file, and why.
Status CannotRead(const std::string& path, const Status& failure);
Status CannotWrite(const std::string& path, const Status& failure);
Status CannotEncode(const std::string& path, const Status& failure);
// What the clean-up after a failure left undone is told with the failure that led to it.
Status WithWhatWasLeft(const Status& failure, const Status& abandoned);

} // namespace tarn
