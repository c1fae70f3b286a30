// The renderer's audio-file library tested directly, where a run of the tool
// would need gigabytes.
#include "host/render/WavHeader.h"

#include <sndfile.h>

#include <gtest/gtest.h>

namespace {

constexpr int kWavDouble = SF_FORMAT_WAV | SF_FORMAT_DOUBLE;

TEST(AudioFiles, WavThatMayPassFourGigabytesIsBegunAsRf64) {
    const long long hourAt96k = 96000LL * 3600;
    const long long fits = kWavDataLimit / 16; // stereo doubles: 16 bytes a frame
    struct Case {
        int format, channels;
        long long maxFrames;
        int want;
    } cases[] = {
        {kWavDouble, 2, hourAt96k, SF_FORMAT_RF64 | SF_FORMAT_DOUBLE},
        {kWavDouble, 2, fits, kWavDouble},
        {kWavDouble, 2, fits + 1, SF_FORMAT_RF64 | SF_FORMAT_DOUBLE},
        {kWavDouble, 1, fits + 1, kWavDouble},
        {kWavDouble, 2, -1, SF_FORMAT_RF64 | SF_FORMAT_DOUBLE}, // length not known
        {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, hourAt96k, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
        {SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 2, hourAt96k * 3, SF_FORMAT_RF64 | SF_FORMAT_PCM_24},
        {SF_FORMAT_W64 | SF_FORMAT_DOUBLE, 2, hourAt96k, SF_FORMAT_W64 | SF_FORMAT_DOUBLE},
        {SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 2, -1, SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatForSize(c.format, c.channels, c.maxFrames), c.want)
            << std::hex << c.format << std::dec << ", " << c.channels << " channels, "
            << c.maxFrames << " frames";
}

} // namespace
