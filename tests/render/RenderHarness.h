// Runs dravo-render as a user would, in a scratch directory, and reads and
// writes the audio files around it. libsndfile is opened at run time so the
// tests need no extra link dependency.
#pragma once

#include <sndfile.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct CliRun {
    int exitCode = -1;
    std::string out, err;
};

struct Audio {
    int rate = 44100;
    int channels = 2;
    int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    std::vector<double> samples; // interleaved
    // What the file says besides its audio: text tags, cue markers (at
    // frames 0, 100, 200, ...) and a broadcast extension with this description.
    std::vector<std::pair<int, std::string>> tags;
    int cues = 0;
    std::string broadcast;
    long long frames() const {
        return channels ? static_cast<long long>(samples.size()) / channels : 0;
    }
};

class RenderTest : public testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the tool with the arguments (each passed as one word).
    CliRun run(const std::vector<std::string>& args);
    // Runs a shell script in the scratch directory with "$DRAVO" naming the
    // tool (for pipes and redirections); the exit code is the script's.
    CliRun runShell(const std::string& script);
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    // Files in the scratch directory (to check that nothing was left behind).
    std::vector<std::string> files() const;
    std::vector<unsigned char> readBytes(const std::string& name) const;
    void writeBytes(const std::string& name, const std::vector<unsigned char>& bytes) const;

    void writeAudio(const std::string& name, const Audio& a) const;
    Audio readAudio(const std::string& name) const;

    std::string dir_;
};

// Stereo noise (or mono), deterministic, peak about `level`.
Audio noise(double seconds, int channels, double level,
            int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT, int rate = 44100);
// The first `frames` frames of a and b are the same, sample for sample.
bool sameSamples(const Audio& a, const Audio& b, long long frames);
double maxDiff(const Audio& a, const Audio& b);
// A sine of the given peak level and frequency.
Audio sine(double seconds, int channels, double level, double hz,
           int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT);
// Amplitude (peak) of frequency f in samples [from, to) of one channel.
double amplitudeAt(const Audio& a, int channel, double f, long long from, long long to);

extern const std::string kRenderTool;
extern const std::string kPeerPlugin;
