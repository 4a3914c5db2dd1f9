// Feeds arbitrary bytes to everything that reads a WAV file's contents: the header probe of the
// file list, and the encoding run's chunk walk, tag reader, tag writer and sample conversion.
#include "encoding/Id3v2Writer.h"
#include "encoding/TextEncoding.h"
#include "encoding/WavSource.h"
#include "encoding/WavTags.h"
#include "filelist/WavProbe.h"

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

// The tags of the file, and of the bytes taken as a chunk body of each kind, keep their bounds;
// a tag written from INFO fields is one the reader takes back whole.
void CheckTags(const tarn::ReadAtFunction& read, const tarn::WavLayout& layout,
               std::span<const std::uint8_t> bytes) {
    tarn::WavTags tags = tarn::ReadWavTags(read, layout.tagChunks);
    tags.fields = tarn::ParseInfoList(bytes).value_or(tags.fields);
    for (const std::string* text :
         {&tags.fields.title, &tags.fields.artist, &tags.fields.album, &tags.fields.date,
          &tags.fields.track, &tags.fields.genre, &tags.fields.comment}) {
        Check(text->size() <= tarn::kMaxFieldBytes && tarn::DecodeUtf8(*text).has_value());
    }
    const auto copied = tarn::Id3v2TagIn(bytes);
    Check(!copied || copied->size() <= tarn::kMaxTagBytes);
    Check(tags.id3v2.size() <= tarn::kMaxTagBytes);
    const std::vector<std::uint8_t> written = tarn::Id3v23Tag(tags.fields);
    Check(written.empty() || tarn::Id3v2TagIn(written) == written);
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
    CheckTags(read, *layout, {data, size});

    if (!tarn::CheckFormatSupported(layout->format)) {
        return 0;
    }
    // The run's two channel modes: "Mono" and "Stereo".
    ConvertAll(data, *layout, 1);
    ConvertAll(data, *layout, 2);
    return 0;
}
