#pragma once

// The encoder's BladeEnc-style stream interface, as a thin layer over libmp3lame.

#include "common/Status.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarn {

static_assert(std::endian::native == std::endian::little,
              "BE_CONFIG is a little-endian record laid over the host's integers");

// ---- Published constants ----

inline constexpr std::uint32_t BE_CONFIG_MP3 = 0;
inline constexpr std::uint32_t BE_CONFIG_LAME = 256;

using HBE_STREAM = std::uint32_t;
using BE_ERR = std::uint32_t;

inline constexpr BE_ERR BE_ERR_SUCCESSFUL = 0x00000000;
inline constexpr BE_ERR BE_ERR_INVALID_FORMAT = 0x00000001;
inline constexpr BE_ERR BE_ERR_INVALID_FORMAT_PARAMETERS = 0x00000002;
inline constexpr BE_ERR BE_ERR_NO_MORE_HANDLES = 0x00000003;
inline constexpr BE_ERR BE_ERR_INVALID_HANDLE = 0x00000004;
inline constexpr BE_ERR BE_ERR_BUFFER_TOO_SMALL = 0x00000005;

inline constexpr std::size_t BE_MAX_HOMEPAGE = 128;

inline constexpr std::int32_t BE_MP3_MODE_STEREO = 0;
inline constexpr std::int32_t BE_MP3_MODE_JSTEREO = 1;
inline constexpr std::int32_t BE_MP3_MODE_DUALCHANNEL = 2;
inline constexpr std::int32_t BE_MP3_MODE_MONO = 3;

inline constexpr std::uint32_t MPEG1 = 1;
inline constexpr std::uint32_t MPEG2 = 0;

inline constexpr std::uint32_t CURRENT_STRUCT_VERSION = 1;

// Booleans inside BE_CONFIG are 32 bits wide.
inline constexpr std::int32_t BE_TRUE = -1;
inline constexpr std::int32_t BE_FALSE = 0;

enum VBRMETHOD : std::int32_t {
    VBR_METHOD_NONE = -1,
    VBR_METHOD_DEFAULT = 0,
    VBR_METHOD_OLD = 1,
    VBR_METHOD_NEW = 2,
    VBR_METHOD_MTRH = 3,
    VBR_METHOD_ABR = 4,
};

enum LAME_QUALITY_PRESET : std::int32_t {
    LQP_NOPRESET = -1,
    LQP_NORMAL_QUALITY = 0,
    LQP_LOW_QUALITY = 1,
    LQP_HIGH_QUALITY = 2,
    LQP_VOICE_QUALITY = 3,
    LQP_R3MIX = 4,
    LQP_VERYHIGH_QUALITY = 5,
    LQP_STANDARD = 6,
    LQP_FAST_STANDARD = 7,
    LQP_EXTREME = 8,
    LQP_FAST_EXTREME = 9,
    LQP_INSANE = 10,
    LQP_ABR = 11,
    LQP_CBR = 12,
    LQP_MEDIUM = 13,
    LQP_FAST_MEDIUM = 14,
    LQP_PHONE = 1000,
    LQP_SW = 2000,
    LQP_AM = 3000,
    LQP_FM = 4000,
    LQP_VOICE = 5000,
    LQP_RADIO = 6000,
    LQP_TAPE = 7000,
    LQP_HIFI = 8000,
    LQP_CD = 9000,
    LQP_STUDIO = 10000,
};

// ---- Records ----

#pragma pack(push, 1)

// The LAME form of the encoder configuration (LHV1).
struct BE_CONFIG_LHV1 {
    std::uint32_t dwStructVersion;
    std::uint32_t dwStructSize;
    std::uint32_t dwSampleRate;
    std::uint32_t dwReSampleRate;
    std::int32_t nMode;
    std::uint32_t dwBitrate;
    std::uint32_t dwMaxBitrate;
    std::int32_t nPreset;
    std::uint32_t dwMpegVersion;
    std::uint32_t dwPsyModel;
    std::uint32_t dwEmphasis;
    std::int32_t bPrivate;
    std::int32_t bCRC;
    std::int32_t bCopyright;
    std::int32_t bOriginal;
    std::int32_t bWriteVBRHeader;
    std::int32_t bEnableVBR;
    std::int32_t nVBRQuality;
    std::uint32_t dwVbrAbr_bps;
    std::int32_t nVbrMethod;
    std::int32_t bNoRes;
    std::int32_t bStrictIso;
    std::uint16_t nQuality;
    std::uint8_t btReserved[255 - 4 * sizeof(std::uint32_t) - sizeof(std::uint16_t)];
};

// The encoder configuration: 331 bytes, no padding. Of the published record's forms only the
// LAME form (dwConfig = BE_CONFIG_LAME) is accepted here.
struct BE_CONFIG {
    std::uint32_t dwConfig;
    union {
        BE_CONFIG_LHV1 LHV1;
    } format;
};

struct BE_VERSION {
    std::uint8_t byDLLMajorVersion;
    std::uint8_t byDLLMinorVersion;
    std::uint8_t byMajorVersion;
    std::uint8_t byMinorVersion;
    std::uint8_t byDay;
    std::uint8_t byMonth;
    std::uint16_t wYear;
    char zHomepage[BE_MAX_HOMEPAGE + 1];
    std::uint8_t byAlphaLevel;
    std::uint8_t byBetaLevel;
    std::uint8_t byMMXEnabled;
    std::uint8_t btReserved[125];
};

#pragma pack(pop)

#define TARN_LHV1_OFFSET(field) offsetof(BE_CONFIG, format.LHV1.field)
static_assert(sizeof(BE_CONFIG) == 331);
static_assert(offsetof(BE_CONFIG, dwConfig) == 0);
static_assert(TARN_LHV1_OFFSET(dwStructVersion) == 4);
static_assert(TARN_LHV1_OFFSET(dwStructSize) == 8);
static_assert(TARN_LHV1_OFFSET(dwSampleRate) == 12);
static_assert(TARN_LHV1_OFFSET(dwReSampleRate) == 16);
static_assert(TARN_LHV1_OFFSET(nMode) == 20);
static_assert(TARN_LHV1_OFFSET(dwBitrate) == 24);
static_assert(TARN_LHV1_OFFSET(dwMaxBitrate) == 28);
static_assert(TARN_LHV1_OFFSET(nPreset) == 32);
static_assert(TARN_LHV1_OFFSET(dwMpegVersion) == 36);
static_assert(TARN_LHV1_OFFSET(dwPsyModel) == 40);
static_assert(TARN_LHV1_OFFSET(dwEmphasis) == 44);
static_assert(TARN_LHV1_OFFSET(bPrivate) == 48);
static_assert(TARN_LHV1_OFFSET(bCRC) == 52);
static_assert(TARN_LHV1_OFFSET(bCopyright) == 56);
static_assert(TARN_LHV1_OFFSET(bOriginal) == 60);
static_assert(TARN_LHV1_OFFSET(bWriteVBRHeader) == 64);
static_assert(TARN_LHV1_OFFSET(bEnableVBR) == 68);
static_assert(TARN_LHV1_OFFSET(nVBRQuality) == 72);
static_assert(TARN_LHV1_OFFSET(dwVbrAbr_bps) == 76);
static_assert(TARN_LHV1_OFFSET(nVbrMethod) == 80);
static_assert(TARN_LHV1_OFFSET(bNoRes) == 84);
static_assert(TARN_LHV1_OFFSET(bStrictIso) == 88);
static_assert(TARN_LHV1_OFFSET(nQuality) == 92);
static_assert(TARN_LHV1_OFFSET(btReserved) == 94);
static_assert(sizeof(BE_CONFIG) - TARN_LHV1_OFFSET(btReserved) == 237);
#undef TARN_LHV1_OFFSET
static_assert(sizeof(BE_VERSION) == 265);

inline constexpr std::uint32_t CURRENT_STRUCT_SIZE = sizeof(BE_CONFIG);

// ---- Calls ----
//
// Every stream has its own encoder. It takes the record's MPEG-1 sample rate (32000, 44100 or
// 48000 Hz) and bit rate (32 to 320 kbit/s) as they are, never resampling (dwReSampleRate 0), in
// joint stereo or mono; its output is constant bit rate, with the header bits of the record in
// every frame and no info-tag frame. Anything else (another mode, rate or bit rate, MPEG-2,
// emphasis, VBR, bNoRes, bStrictIso) is refused. A preset keeps the bit rate and the mode and sets
// the encoder's quality and filters:
//
//   nPreset                  quality          lowpass     highpass
//   LQP_NORMAL_QUALITY       library default  automatic   -
//   LQP_LOW_QUALITY          7 (fast)         automatic   -
//   LQP_HIGH_QUALITY         2                automatic   -
//   LQP_VOICE_QUALITY        library default  12 kHz      100 Hz (*)
//   LQP_PHONE                library default  3.4 kHz     300 Hz (*)
//   LQP_RADIO                library default  15 kHz      -
//   LQP_TAPE                 library default  14 kHz      -
//   LQP_HIFI                 2                18 kHz      -
//   LQP_CD                   2                20 kHz      -
//   LQP_STUDIO               0 (best)         automatic   -
//
// "Automatic" is the library's own lowpass for the bit rate; a preset's lowpass never goes above
// it, since the bit rate cannot carry more. (*) A fourth-order highpass on the samples, ahead
// of the library, whose own highpass cannot go below about 700 Hz. Other presets are refused.

// Starts a stream. On success *dwSamples is the number of 16-bit values (all channels together)
// to hand to each beEncodeChunk, *dwBufferSize the size of the output buffer those calls need,
// and *phbeStream the stream. An invalid record gives BE_ERR_INVALID_FORMAT (wrong form or
// version) or BE_ERR_INVALID_FORMAT_PARAMETERS (anything else this layer does not take).
BE_ERR beInitStream(BE_CONFIG* pbeConfig, std::uint32_t* dwSamples, std::uint32_t* dwBufferSize,
                    HBE_STREAM* phbeStream);
// Encodes nSamples 16-bit values (interleaved when the stream has two channels; at most
// *dwSamples of beInitStream) and puts the MP3 bytes that are ready at pOutput, their count at
// *pdwOutput.
BE_ERR beEncodeChunk(HBE_STREAM hbeStream, std::uint32_t nSamples, const std::int16_t* pSamples,
                     std::uint8_t* pOutput, std::uint32_t* pdwOutput);
// Encodes what the stream still holds and puts the final MP3 bytes at pOutput.
BE_ERR beDeinitStream(HBE_STREAM hbeStream, std::uint8_t* pOutput, std::uint32_t* pdwOutput);
// Releases the stream and its encoder.
BE_ERR beCloseStream(HBE_STREAM hbeStream);
// Fills the record at pbeVersion: this layer's version (1.0) and the library's, the rest zero.
void beVersion(BE_VERSION* pbeVersion);
// The streams carry no info-tag frame, so there is never a header to fill in: refused with
// BE_ERR_INVALID_FORMAT_PARAMETERS rather than overwriting the first audio frame.
BE_ERR beWriteVBRHeader(const char* lpszFileName);

// The text of an encoder result code; empty for a code outside 0 to 5.
std::string EncoderErrorText(std::int32_t code);
// A result as a run reports it: its text alone, and no words at all for a result that has none.
Status EncoderOutcome(std::int32_t result);

} // namespace tarn
