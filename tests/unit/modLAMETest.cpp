#include "encoding/modLAME.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace tarn {
namespace {

BE_CONFIG ValidConfig() {
    BE_CONFIG config{};
    config.dwConfig = BE_CONFIG_LAME;
    BE_CONFIG_LHV1& lhv1 = config.format.LHV1;
    lhv1.dwStructVersion = CURRENT_STRUCT_VERSION;
    lhv1.dwStructSize = CURRENT_STRUCT_SIZE;
    lhv1.dwSampleRate = 44100;
    lhv1.nMode = BE_MP3_MODE_JSTEREO;
    lhv1.dwBitrate = 128;
    lhv1.dwMpegVersion = MPEG1;
    lhv1.nVbrMethod = VBR_METHOD_NONE;
    return config;
}

TEST(EncoderErrorTextTest, GivesThePublishedTextOfEachCode) {
    const std::vector<std::string> texts{
        "No Error",        "Invalid format", "Invalid format parameters",
        "No more handles", "Invalid handle", "Buffer too small"};
    for (std::int32_t code = 0; code < 6; ++code) {
        EXPECT_EQ(EncoderErrorText(code), texts[static_cast<std::size_t>(code)]);
    }
    for (const std::int32_t code : {-1, 6, 256}) {
        EXPECT_EQ(EncoderErrorText(code), "");
    }
}

TEST(InitStreamTest, RefusesAnInvalidRecordAndOpensNoStream) {
    const std::pair<std::function<void(BE_CONFIG_LHV1&)>, BE_ERR> cases[] = {
        {[](BE_CONFIG_LHV1& c) { c.dwStructSize = 330; }, 1},
        {[](BE_CONFIG_LHV1& c) { c.nMode = 4; }, 2},
        {[](BE_CONFIG_LHV1& c) { c.dwBitrate = 129; }, 2},
        {[](BE_CONFIG_LHV1& c) { c.dwBitrate = 144; }, 2}, // an MPEG-2 rate given as MPEG-1
    };
    for (const auto& [change, expected] : cases) {
        BE_CONFIG config = ValidConfig();
        change(config.format.LHV1);
        std::uint32_t samples = 77;
        std::uint32_t bufferSize = 77;
        HBE_STREAM handle = 77;
        EXPECT_EQ(beInitStream(&config, &samples, &bufferSize, &handle), expected);
        EXPECT_EQ(samples + bufferSize + handle, 3 * 77U);
    }
}

TEST(StreamTest, RefusesUnknownAndClosedHandles) {
    BE_CONFIG config = ValidConfig();
    std::uint32_t chunkSamples = 0;
    std::uint32_t bufferSize = 0;
    HBE_STREAM closed = 0;
    ASSERT_EQ(beInitStream(&config, &chunkSamples, &bufferSize, &closed), BE_ERR_SUCCESSFUL);
    ASSERT_EQ(beCloseStream(closed), 0U);
    std::vector<std::int16_t> samples(chunkSamples, 0);
    std::vector<std::uint8_t> buffer(bufferSize);
    std::uint32_t produced = 0;
    for (const HBE_STREAM unknown : {HBE_STREAM{0}, closed}) {
        EXPECT_EQ(beEncodeChunk(unknown, 4, samples.data(), buffer.data(), &produced), 4U);
        EXPECT_EQ(beDeinitStream(unknown, buffer.data(), &produced), 4U);
        EXPECT_EQ(beCloseStream(unknown), 4U);
    }
}

} // namespace
} // namespace tarn
