#pragma once

#include "common/Status.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

inline constexpr std::uint16_t kWaveFormatPcm = 0x0001;
inline constexpr std::uint16_t kWaveFormatExtensible = 0xFFFE;

struct WavFormat {
    // The format tag; for an extensible file, that of its sub-format.
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t bitsPerSample = 0;
    // The speaker positions of an extensible file (bit 0 front left, 1 front right, 2 front
    // centre, 3 low frequency, ...); 0 when the file names none.
    std::uint32_t channelMask = 0;

    std::uint32_t BytesPerFrame() const {
        return static_cast<std::uint32_t>(channels) * ((bitsPerSample + 7U) / 8U);
    }
    bool operator==(const WavFormat&) const = default;
};

// A chunk that may hold tags: a LIST chunk (INFO lists are such) or an "id3 " chunk.
struct TagChunk {
    bool id3 = false;
    std::int64_t bodyOffset = 0;
    std::uint32_t size = 0;

    bool operator==(const TagChunk&) const = default;
};

// Where the samples of a WAV file lie.
struct WavLayout {
    WavFormat format;
    std::int64_t dataOffset = 0;
    std::int64_t dataLength = 0;
    // False when the file is not well-formed RIFF/WAVE and the canonical 44-byte header was
    // assumed instead.
    bool chunked = false;
    // The chunks of a chunked file that may hold tags, whole and in file order; the file's chunks
    // after its data count too.
    std::vector<TagChunk> tagChunks;

    bool operator==(const WavLayout&) const = default;
};

// Reads up to `count` bytes at `offset`: the number read (fewer at the end of the file), or the
// failure.
using ReadAtFunction =
    std::function<Result<std::size_t>(std::int64_t offset, void* buffer, std::size_t count)>;

// Finds the format and the sample data of a WAV file of `fileLength` bytes by walking its RIFF
// chunks: "fmt " and "data" wherever they stand, any other chunk skipped, odd sizes padded, a data
// chunk that claims more than the file holds cut at the end of the file. A file without both
// chunks is taken as a canonical header: the format at offsets 20 to 35 (or from its "fmt "
// chunk, when it has one) and the data from byte 44 to the end. A read that fails, or comes
// short of the length given, fails it, unless both chunks are found already: the walk only
// looks for tag chunks from there on, and a chunk that runs past the end of the file, its pad
// byte included, is no tag chunk. A file whose format and data are not found within its first
// 4,096 chunks fails it too.
Result<WavLayout> LocateWavData(const ReadAtFunction& read, std::int64_t fileLength);

// Whether samples of this format can be encoded; when not, the sentence that says why.
Status CheckFormatSupported(const WavFormat& format);

// Turns whole frames of 8-bit unsigned or 16-bit signed little-endian PCM into 16-bit frames of
// one or two channels: two channels to one are averaged, one to two is copied to both, and more
// than two are mixed down by their speaker positions (centre to both sides, low frequency left
// out), scaled so that nothing clips.
class SampleConverter {
public:
    SampleConverter(const WavFormat& source, int outChannels);

    std::uint32_t InBytesPerFrame() const { return inBytesPerFrame_; }
    int OutChannels() const { return outChannels_; }
    // Converts `frames` frames at `in` to `frames` × OutChannels() values at `out`.
    void Convert(const std::uint8_t* in, std::size_t frames, std::int16_t* out) const;
    // The weight of each source channel in each output channel, output by output.
    const std::vector<std::vector<float>>& Weights() const { return weights_; }

private:
    int inChannels_;
    int outChannels_;
    bool eightBit_;
    std::uint32_t inBytesPerFrame_;
    std::vector<std::vector<float>> weights_;
};

} // namespace tarn
