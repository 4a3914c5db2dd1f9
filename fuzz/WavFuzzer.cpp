// Feeds arbitrary bytes to everything that reads a WAV file's contents: the header probe of the
// file list, and the encoding run's chunk walk, tags (our mapping over TagLib's reader and writer)
// and sample conversion.
#include "encoding/WavSource.h"
#include "filelist/WavProbe.h"
#include "tags/InfoText.h"
#include "tags/WavTags.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

// The run reads whole frames, thousands to a chunk: more than a fuzzed file holds. Short chunks
// of an odd length show whether cutting the data anywhere changes what comes out.
constexpr std::size_t kShortChunk = 3;

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// Converts the data at once, as the run does with a file this short, and in short chunks: the two
// must agree, since a frame's conversion depends on that frame alone.
void ConvertAll(const std::uint8_t* data, const tarn::WavLayout& layout, int outChannels) {
    const tarn::SampleConverter converter(layout.format, outChannels);
    const std::size_t inBytes = converter.InBytesPerFrame();
    Check(inBytes > 0);
    const auto frames = static_cast<std::size_t>(layout.dataLength) / inBytes;
    const std::uint8_t* samples = data + layout.dataOffset;
    const auto outPerFrame = static_cast<std::size_t>(outChannels);

    std::vector<std::int16_t> chunked(frames * outPerFrame);
    for (std::size_t done = 0; done < frames;) {
        const std::size_t count = std::min(kShortChunk, frames - done);
        converter.Convert(samples + done * inBytes, count, chunked.data() + done * outPerFrame);
        done += count;
    }
    std::vector<std::int16_t> whole(frames * outPerFrame);
    converter.Convert(samples, frames, whole.data());
    Check(chunked == whole);
}

// The tag made of the file's tags is an ID3v2.3 tag whose header gives its length; the bytes
// taken as an INFO text give valid UTF-8 within its bound.
void CheckTags(const tarn::ReadAtFunction& read, std::int64_t length,
               std::span<const std::uint8_t> bytes) {
    const std::vector<std::uint8_t> tag = tarn::Mp3TagFor(read, length);
    if (!tag.empty()) {
        Check(tag.size() >= 10 && std::memcmp(tag.data(), "ID3\3\0\0", 6) == 0);
        std::size_t size = 0;
        for (std::size_t i = 6; i < 10; ++i) {
            Check(tag[i] < 0x80);
            size = (size << 7U) | tag[i];
        }
        Check(size + 10 == tag.size());
    }
    const tarn::InfoTextHandler handler;
    const std::string text =
        handler
            .parse(TagLib::ByteVector(reinterpret_cast<const char*>(bytes.data()),
                                      static_cast<unsigned int>(bytes.size())))
            .to8Bit(true);
    Check(text.size() <= tarn::kMaxInfoTextBytes && tarn::IsUtf8(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const tarn::ProbeResult probe = tarn::ProbeWavHeaderBytes(data, size);
    (void)probe;

    const auto length = static_cast<std::int64_t>(size);
    // As pread(2) on a file of these bytes: nothing before the start, fewer bytes at the end.
    const tarn::ReadAtFunction read = [data,
                                       length](std::int64_t offset, void* buffer,
                                               std::size_t count) -> tarn::Result<std::size_t> {
        if (offset < 0) {
            return tarn::Status::Failure(EINVAL);
        }
        const auto available = static_cast<std::size_t>(std::max<std::int64_t>(0, length - offset));
        const std::size_t got = std::min(count, available);
        if (got > 0) {
            std::memcpy(buffer, data + offset, got);
        }
        return got;
    };
    const tarn::Result<tarn::WavLayout> layout = tarn::LocateWavData(read, length);
    // Reads that never fail always find a layout, and its data lies inside the file.
    Check(layout.Ok());
    Check(layout->dataOffset >= 0 && layout->dataLength >= 0);
    Check(layout->dataOffset + layout->dataLength <= length);
    CheckTags(read, length, {data, size});

    if (!tarn::CheckFormatSupported(layout->format)) {
        return 0;
    }
    // The run's two channel modes: "Mono" and "Stereo".
    ConvertAll(data, *layout, 1);
    ConvertAll(data, *layout, 2);
    return 0;
}
