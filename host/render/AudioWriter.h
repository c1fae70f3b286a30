// Writing audio files through libsndfile: float samples rounded (with TPDF
// dither where the output has 16 bits or fewer) and clipped into the output
// format, and what the writer saw of them.
#pragma once

#include "host/render/AudioReader.h"
#include "host/render/TempFiles.h"

#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

struct WriterOptions {
    bool dither = true;          // TPDF dither for integer formats of 16 bits or fewer
    bool failOnClip = false;     // --no-clip
    bool allowNonFinite = false; // --allow-nonfinite
    long long maxFrames = -1;    // the most frames the render can give (-1: not known)
    double compression = -1;     // a lossy codec's compression level, 0..1 (-1: libsndfile's)
    int bitrateMode = -1;        // SF_BITRATE_MODE_* (-1: libsndfile's)
};

// What the writer saw of the float signal before conversion.
struct OutputStats {
    long long overFullScale = 0; // samples clipped (integer formats) or above 1.0 (float)
    long long firstOverFrame = -1;
    double peak = 0.0; // largest finite magnitude
    long long nonFinite = 0;
    long long firstNonFiniteFrame = -1;
    bool clips = false;       // the format clips (integer), so overFullScale samples were cut
    bool floatOutput = false; // the format keeps them (32- or 64-bit float)
};

class AudioWriter {
  public:
    // Throws CliError(kExitOutput).
    AudioWriter(const std::string& path, int format, int channels, int rate,
                const WriterOptions& options);
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    void write(const float* interleaved, long long n);
    void write(const double* interleaved, long long n);
    // Writes what of m the output format holds, before the first samples;
    // returns the names of the parts it cannot hold ("title", "cue names"),
    // as a short file of that format written in memory and read back shows.
    std::vector<std::string> carryMetadata(const Metadata& m);
    // Writes tags found after the input's audio, once the audio is written
    // (where the format takes them there); returns the names of those it
    // cannot hold.
    std::vector<std::string> carryLateMetadata(const Metadata& m);
    // Finishes the file (renames it into place). Throws CliError when the
    // output was refused (non-finite samples, or clipping with --no-clip).
    void commit();

    // Samples at or below this magnitude are silent in the output format.
    double silenceLevel() const { return silence_; }
    const OutputStats& stats() const { return stats_; }
    bool isStream() const { return target_.stream; }
    // The WAV data written passes 4 GiB, so the file is RF64.
    bool isRf64() const;

  private:
    template <typename T> void writeAs(const T* interleaved, long long n);
    template <typename T> void scan(const T* interleaved, long long n);
    void openStream(int format, int channels, int rate);
    double tpdf();
    std::string path_, temp_;
    OutputTarget target_;
    WriterOptions opt_;
    SNDFILE* file_ = nullptr;
    int fd_ = -1; // a stream opened here, closed after the file
    int channels_ = 0, rate_ = 0;
    int pcmBits_ = 0; // 8, 16, 24 or 32 for the exact integer path, else 0
    int written_ = 0; // the libsndfile format written (raw PCM for a WAV stream)
    bool dither_ = false;
    double silence_ = 0.0;
    long long framesSeen_ = 0;
    bool refused_ = false;
    bool wavSized_ = false; // WAV through libsndfile: refused past kWavDataLimit
    uint64_t rng_ = 0x9e3779b97f4a7c15ull;
    OutputStats stats_;
    std::vector<int> scratch_;
};
