// Times the encoding run against Debian's lame command on the same files and settings, and
// measures what the run spends around the encoder per chunk. Prints figures; asserts nothing.
//
//   tarn_bench [files] [seconds]     (default: ten files of 60 seconds)

#include "BenchMusic.h"
#include "Headless.h"
#include "encoding/clsFileIo.h"
#include "encoding/modLAME.h"
#include "platform/FileOps.h"
#include "platform/Platform.h"
#include "shell/frmMain.h"
#include "shell/modGeneral.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <numbers>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

namespace {

using tarn::bench::OwnCpuSeconds;
using tarn::bench::ReadAll;
using tarn::bench::Run;
using tarn::bench::WriteMusic;
using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double Seconds(SteadyClock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

// The platform of a running window without a window: the event pump does what the window's
// pauses do while a job runs, checking its timers and, every 200 ms, reading the lengths of the
// file being encoded and of its source as the progress tick does.
class BenchPlatform : public tarn::bench::Headless {
public:
    void DoEvents() override {
        const SteadyClock::time_point start = SteadyClock::now();
        ++calls;
        if (start >= nextTick_) {
            nextTick_ = start + 200ms;
            lengthsRead += tarn::platform::FileLength(wavPath).ValueOr(0) > 0 ? 1 : 0;
            lengthsRead += tarn::platform::FileLength(mp3Path).ValueOr(0) > 0 ? 1 : 0;
        }
        spent += SteadyClock::now() - start;
    }
    void ShowMessage(const tarn::platform::MessageBoxRequest& request) override {
        std::fprintf(stderr, "%s: %s\n", request.Title.c_str(), request.Text.c_str());
        ++messages;
    }

    std::string wavPath;
    std::string mp3Path;
    long calls = 0;
    long lengthsRead = 0;
    int messages = 0;
    SteadyClock::duration spent{};

private:
    SteadyClock::time_point nextTick_{};
};

struct Preset {
    const char* name;
    int listIndex;
    std::vector<std::string> lameOptions;
};

// What one chunk costs around the encoder: two event-processing calls, a read of the chunk and a
// write of its MP3 bytes, on files in `folder`.
double OverheadPerChunkMicroseconds(const std::string& folder, std::uint32_t chunkSamples) {
    const std::string source = folder + "/overhead.wav";
    WriteMusic(source, 60, 99);
    const std::string target = folder + "/overhead.mp3";
    BenchPlatform pump;
    pump.wavPath = source;
    pump.mp3Path = target;
    tarn::clsFileIo in;
    tarn::clsFileIo out;
    if (!in.OpenFileForReading(source) || !out.OpenFile(target)) {
        return -1.0;
    }
    std::vector<char> input(chunkSamples * 2);
    // 128 kbit/s: about 0.42 bytes of MP3 per 16-bit stereo value.
    const std::vector<char> mp3(chunkSamples * 2 / 5, 'x');
    int chunks = 0;
    const SteadyClock::time_point start = SteadyClock::now();
    while (in.ReadBytes(input.data(), static_cast<std::int64_t>(input.size())) != 0 &&
           in.BytesTransferred() == static_cast<std::int64_t>(input.size())) {
        out.WriteBytes(mp3.data(), static_cast<std::int64_t>(mp3.size()));
        pump.DoEvents();
        pump.DoEvents();
        ++chunks;
    }
    const double total = Seconds(SteadyClock::now() - start);
    out.CloseFile();
    return chunks == 0 ? -1.0 : total * 1e6 / chunks;
}

// The time one chunk takes to encode, in milliseconds, at a preset and a bit rate.
double ChunkMilliseconds(std::int32_t preset, std::uint32_t bitrate, std::uint32_t& chunkSamples) {
    tarn::BE_CONFIG config{};
    config.dwConfig = tarn::BE_CONFIG_LAME;
    config.format.LHV1.dwStructVersion = tarn::CURRENT_STRUCT_VERSION;
    config.format.LHV1.dwStructSize = tarn::CURRENT_STRUCT_SIZE;
    config.format.LHV1.dwSampleRate = 44100;
    config.format.LHV1.nMode = tarn::BE_MP3_MODE_JSTEREO;
    config.format.LHV1.dwBitrate = bitrate;
    config.format.LHV1.nPreset = preset;
    config.format.LHV1.dwMpegVersion = tarn::MPEG1;
    std::uint32_t bufferSize = 0;
    tarn::HBE_STREAM stream = 0;
    if (tarn::beInitStream(&config, &chunkSamples, &bufferSize, &stream) != 0) {
        return -1.0;
    }
    std::vector<std::int16_t> samples(chunkSamples);
    std::vector<std::uint8_t> output(bufferSize);
    std::uint32_t noise = 7;
    constexpr int kChunks = 20;
    SteadyClock::duration spent{};
    for (int chunk = 0; chunk < kChunks; ++chunk) {
        for (std::size_t i = 0; i < samples.size(); ++i) {
            noise = noise * 1664525U + 1013904223U;
            samples[i] = static_cast<std::int16_t>(
                8000.0 * std::sin(static_cast<double>(i + chunk * samples.size()) * 0.05) +
                static_cast<double>(static_cast<std::int32_t>(noise >> 20) - 2048));
        }
        std::uint32_t produced = 0;
        const SteadyClock::time_point start = SteadyClock::now();
        tarn::beEncodeChunk(stream, chunkSamples, samples.data(), output.data(), &produced);
        spent += SteadyClock::now() - start;
    }
    tarn::beCloseStream(stream);
    return Seconds(spent) * 1000.0 / kChunks;
}

} // namespace

int main(int argc, char** argv) {
    const int fileCount = argc > 1 ? std::atoi(argv[1]) : 10;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 60;
    if (!Run({"lame", "--version"})) {
        std::fprintf(stderr, "tarn_bench: the lame command is missing (make deps installs it)\n");
        return 1;
    }

    std::string pattern = (std::filesystem::temp_directory_path() / "tarn-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = pattern;
    std::printf("Generating %d stereo 44100 Hz files of %d s in %s ...\n", fileCount, seconds,
                folder.c_str());
    std::vector<std::string> sources;
    for (int i = 0; i < fileCount; ++i) {
        sources.push_back(folder + "/song" + std::to_string(i) + ".wav");
        WriteMusic(sources.back(), seconds, static_cast<unsigned>(i));
    }

    BenchPlatform platform;
    tarn::frmMain form(platform.Bundle());
    form.Form_Load(); // 128 kbit/s, "Stereo"

    const std::vector<Preset> presets{
        {"Low", 0, {"-q", "7"}}, {"Normal", 1, {}}, {"High", 2, {"-q", "2"}}};
    // Wall-clock time is what the user waits; processor time is steadier on a busy machine.
    std::printf("\n%-8s %11s %11s %7s %11s %11s %7s %10s %11s\n", "preset", "EncodeFile", "lame",
                "ratio", "cpu ours", "cpu lame", "ratio", "identical", "pump calls");
    for (const Preset& preset : presets) {
        form.cmbQuality.SetListIndex(preset.listIndex);
        const long callsBefore = platform.calls;
        SteadyClock::duration ours{};
        SteadyClock::duration theirs{};
        double oursCpu = 0.0;
        double theirsCpu = 0.0;
        bool identical = true;
        for (const std::string& source : sources) {
            const std::string mp3 = tarn::ChangeExtension(source, "mp3");
            const std::string reference = folder + "/reference.mp3";
            // Absent the first time.
            static_cast<void>(tarn::platform::DeleteFile(mp3));
            platform.wavPath = source;
            platform.mp3Path = mp3;
            const double cpuBefore = OwnCpuSeconds();
            SteadyClock::time_point start = SteadyClock::now();
            form.EncodeFile(source);
            ours += SteadyClock::now() - start;
            oursCpu += OwnCpuSeconds() - cpuBefore;

            std::vector<std::string> command{"lame", "--quiet", "-t",         "-b",  "128",
                                             "-m",   "j",       "--resample", "44.1"};
            command.insert(command.end(), preset.lameOptions.begin(), preset.lameOptions.end());
            command.push_back(source);
            command.push_back(reference);
            start = SteadyClock::now();
            if (!Run(command, &theirsCpu)) {
                std::fprintf(stderr, "tarn_bench: lame failed on %s\n", source.c_str());
                return 1;
            }
            theirs += SteadyClock::now() - start;
            identical = identical && ReadAll(mp3) == ReadAll(reference);
        }
        std::printf("%-8s %10.2fs %10.2fs %7.3f %10.2fs %10.2fs %7.3f %10s %11ld\n", preset.name,
                    Seconds(ours), Seconds(theirs), Seconds(ours) / Seconds(theirs), oursCpu,
                    theirsCpu, oursCpu / theirsCpu, identical ? "yes" : "no",
                    platform.calls - callsBefore);
    }

    std::uint32_t chunkSamples = 0;
    const double fastest = ChunkMilliseconds(tarn::LQP_LOW_QUALITY, 32, chunkSamples);
    const double slowest = ChunkMilliseconds(tarn::LQP_STUDIO, 320, chunkSamples);
    const double overhead = OverheadPerChunkMicroseconds(folder, chunkSamples);
    const double frames = chunkSamples / 2304.0;
    const double fastestFrame = fastest / frames;
    const double slowestFrame = slowest / frames;
    std::printf("\nChunk: %u values (%.0f frames of 1152 stereo samples)\n", chunkSamples, frames);
    std::printf("Around the encoder per chunk (2 event pumps, read, write): %.1f us\n", overhead);
    std::printf("One frame at \"Low\" 32 kbit/s: %.3f ms; a chunk: %.2f ms, overhead %.2f %%\n",
                fastestFrame, fastest, overhead / (fastest * 10.0));
    std::printf("One frame at \"Studio\" 320 kbit/s: %.3f ms; a chunk: %.2f ms\n", slowestFrame,
                slowest);
    std::printf("Frames per chunk with overhead under 1 %% and chunks under 50 ms: %.0f to %.0f\n",
                std::ceil(overhead / 1000.0 / (0.01 * fastestFrame)),
                std::floor(50.0 / slowestFrame));
    std::printf("Messages shown: %d\n", platform.messages);

    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return platform.messages == 0 ? 0 : 1;
}
