#include "encoding/WavSource.h"

#include "common/LittleEndian.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>

namespace tarn {

namespace {

constexpr std::int64_t kCanonicalHeaderSize = 44;
// The longest "fmt " chunk that carries anything we read: the extensible form.
constexpr std::size_t kFmtBytesRead = 40;
// How many chunks the walk reads past the format and the data in search of tags, so that a file
// of countless tiny chunks costs no more than a moment.
constexpr int kMaxChunksAfter = 1024;
// How many chunks it reads in search of the format and the data: a file of millions of tiny
// chunks is refused, not walked to its end.
constexpr int kMaxChunksBefore = 4096;

bool IsTag(const std::uint8_t* bytes, const char* tag) {
    return std::memcmp(bytes, tag, 4) == 0;
}

// The format of a "fmt " chunk's first `size` bytes; nothing when it is too short to hold one.
std::optional<WavFormat> ParseFmt(const std::uint8_t* bytes, std::size_t size) {
    if (size < 16) {
        return std::nullopt;
    }
    WavFormat format;
    format.formatTag = ReadU16(bytes);
    format.channels = ReadU16(bytes + 2);
    format.sampleRate = ReadU32(bytes + 4);
    format.bitsPerSample = ReadU16(bytes + 14);
    if (format.formatTag == kWaveFormatExtensible && size >= kFmtBytesRead) {
        format.channelMask = ReadU32(bytes + 20);
        format.formatTag = ReadU16(bytes + 24); // the first bytes of the sub-format GUID
    }
    return format;
}

// Reads exactly `count` bytes at `offset`. A file that has become shorter than its length said
// counts as one that cannot be read.
Status ReadExactly(const ReadAtFunction& read, std::int64_t offset, std::uint8_t* buffer,
                   std::size_t count) {
    const Result<std::size_t> got = read(offset, buffer, count);
    if (!got) {
        return got.Outcome();
    }
    return *got == count ? Status() : Status::Failure(EIO);
}

} // namespace

Result<WavLayout> LocateWavData(const ReadAtFunction& read, std::int64_t fileLength) {
    std::array<std::uint8_t, kCanonicalHeaderSize> head{};
    const auto headSize =
        static_cast<std::size_t>(std::clamp<std::int64_t>(fileLength, 0, kCanonicalHeaderSize));
    if (const Status headRead = ReadExactly(read, 0, head.data(), headSize); !headRead) {
        return headRead;
    }

    std::optional<WavFormat> format;
    std::optional<WavLayout> data;
    std::vector<TagChunk> tagChunks;
    // The tags of a shorter file compare with the zeros of `head`.
    if (IsTag(head.data(), "RIFF") && IsTag(head.data() + 8, "WAVE")) {
        std::int64_t position = 12;
        int chunksBefore = 0;
        for (int chunksAfter = 0; position + 8 <= fileLength && chunksAfter <= kMaxChunksAfter;
             chunksAfter += format && data ? 1 : 0) {
            if (!(format && data) && ++chunksBefore > kMaxChunksBefore) {
                return Status::Failure("It holds more than 4,096 chunks before its sound.");
            }
            std::array<std::uint8_t, 8> header{};
            if (const Status headerRead = ReadExactly(read, position, header.data(), header.size());
                !headerRead) {
                if (format && data) {
                    break; // only tags are lost
                }
                return headerRead;
            }
            const std::int64_t body = position + 8;
            const std::int64_t size = ReadU32(header.data() + 4);
            const std::int64_t available = fileLength - body;
            if (IsTag(header.data(), "fmt ") && !format) {
                std::array<std::uint8_t, kFmtBytesRead> fmt{};
                const auto count = static_cast<std::size_t>(
                    std::min({size, available, static_cast<std::int64_t>(fmt.size())}));
                if (const Status fmtRead = ReadExactly(read, body, fmt.data(), count); !fmtRead) {
                    return fmtRead;
                }
                format = ParseFmt(fmt.data(), count);
            } else if (IsTag(header.data(), "data") && !data) {
                data = WavLayout{{}, body, std::min(size, available), true, {}};
            } else if ((IsTag(header.data(), "LIST") || IsTag(header.data(), "id3 ") ||
                        IsTag(header.data(), "ID3 ")) &&
                       size + (size & 1) <= available) {
                tagChunks.push_back(
                    {!IsTag(header.data(), "LIST"), body, static_cast<std::uint32_t>(size)});
            }
            position = body + size + (size & 1);
        }
    }

    if (format && data) {
        data->format = *format;
        data->tagChunks = std::move(tagChunks);
        return *data;
    }
    WavLayout fallback;
    if (format) {
        fallback.format = *format;
    } else if (headSize >= 36) {
        // Only the header probe vouches for such a file, and it reads rate and width alone.
        fallback.format = *ParseFmt(head.data() + 20, headSize - 20);
        fallback.format.formatTag = kWaveFormatPcm;
    }
    fallback.dataOffset = std::clamp<std::int64_t>(fileLength, 0, kCanonicalHeaderSize);
    fallback.dataLength = std::max<std::int64_t>(0, fileLength - kCanonicalHeaderSize);
    return fallback;
}

Status CheckFormatSupported(const WavFormat& format) {
    if (format.formatTag != kWaveFormatPcm) {
        return Status::Failure("Its samples are not PCM.");
    }
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16) {
        return Status::Failure("Its samples are not 8 or 16 bits wide.");
    }
    if (format.channels == 0) {
        return Status::Failure("It declares no channels.");
    }
    if (format.sampleRate == 0) {
        return Status::Failure("It declares no sample rate.");
    }
    return {};
}

namespace {

constexpr float kSide = 0.70710678F; // -3 dB

// The share of a speaker position in the left and the right output.
std::array<float, 2> StereoShare(int position) {
    switch (position) {
    case 0: // front left
        return {1.0F, 0.0F};
    case 1: // front right
        return {0.0F, 1.0F};
    case 3: // low frequency: left out
        return {0.0F, 0.0F};
    case 4:  // back left
    case 6:  // front left of centre
    case 9:  // side left
    case 12: // top front left
    case 15: // top back left
        return {kSide, 0.0F};
    case 5:  // back right
    case 7:  // front right of centre
    case 10: // side right
    case 14: // top front right
    case 17: // top back right
        return {0.0F, kSide};
    default: // centres, and positions without a name
        return {kSide, kSide};
    }
}

// The speaker position of each channel: those of the mask when it names one per channel, else
// the first positions in order, as the format defines for files without a mask.
std::vector<int> SpeakerPositions(const WavFormat& format) {
    std::vector<int> positions;
    if (std::popcount(format.channelMask) == format.channels) {
        for (std::uint32_t mask = format.channelMask; mask != 0; mask &= mask - 1) {
            positions.push_back(std::countr_zero(mask));
        }
    } else {
        for (int channel = 0; channel < format.channels; ++channel) {
            positions.push_back(channel);
        }
    }
    return positions;
}

std::vector<std::vector<float>> MixWeights(const WavFormat& format, int outChannels) {
    const int in = format.channels;
    if (in == outChannels) {
        std::vector<std::vector<float>> identity(static_cast<std::size_t>(in),
                                                 std::vector<float>(static_cast<std::size_t>(in)));
        for (std::size_t c = 0; c < identity.size(); ++c) {
            identity[c][c] = 1.0F;
        }
        return identity;
    }
    if (in == 1) {
        return {{1.0F}, {1.0F}};
    }
    if (in == 2) {
        return {{0.5F, 0.5F}};
    }
    std::vector<std::vector<float>> stereo(2, std::vector<float>(static_cast<std::size_t>(in)));
    const std::vector<int> positions = SpeakerPositions(format);
    for (std::size_t c = 0; c < positions.size(); ++c) {
        const std::array<float, 2> share = StereoShare(positions[c]);
        stereo[0][c] = share[0];
        stereo[1][c] = share[1];
    }
    for (std::vector<float>& row : stereo) {
        float sum = 0.0F;
        for (float weight : row) {
            sum += weight;
        }
        if (sum > 1.0F) {
            for (float& weight : row) {
                weight /= sum;
            }
        }
    }
    if (outChannels == 2) {
        return stereo;
    }
    std::vector<std::vector<float>> mono(1, std::vector<float>(static_cast<std::size_t>(in)));
    for (std::size_t c = 0; c < mono[0].size(); ++c) {
        mono[0][c] = (stereo[0][c] + stereo[1][c]) / 2.0F;
    }
    return mono;
}

std::int16_t Saturate(float value) {
    return static_cast<std::int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
}

} // namespace

SampleConverter::SampleConverter(const WavFormat& source, int outChannels)
    : inChannels_(source.channels), outChannels_(outChannels), eightBit_(source.bitsPerSample == 8),
      inBytesPerFrame_(source.BytesPerFrame()), weights_(MixWeights(source, outChannels)) {}

void SampleConverter::Convert(const std::uint8_t* in, std::size_t frames, std::int16_t* out) const {
    const auto inChannels = static_cast<std::size_t>(inChannels_);
    std::vector<float> frame(inChannels);
    for (std::size_t f = 0; f < frames; ++f) {
        for (std::size_t c = 0; c < inChannels; ++c) {
            frame[c] = eightBit_
                           ? static_cast<float>((in[c] - 128) * 256)
                           : static_cast<float>(static_cast<std::int16_t>(ReadU16(in + 2 * c)));
        }
        in += inBytesPerFrame_;
        for (const std::vector<float>& row : weights_) {
            float mixed = 0.0F;
            for (std::size_t c = 0; c < inChannels; ++c) {
                mixed += row[c] * frame[c];
            }
            *out++ = Saturate(mixed);
        }
    }
}

} // namespace tarn
