// Audio files through libsndfile. PCM samples are converted with exact
// powers of two both ways (and rounded and clipped on output), so a plug-in
// that passes audio unchanged gives back the input bit for bit.
#pragma once

#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

// Where an output goes. A regular file (or a name not yet taken) is written
// through a temporary file in its folder and renamed into place; a symbolic
// link is followed first, so its target is what gets replaced. A pipe, a
// device or "-" (standard output) is written to directly.
struct OutputTarget {
    bool stream = false;
    std::string path; // the file to replace, or the stream's name to open
    bool stdoutStream = false;
};
// Throws CliError(kExitOutput) for a directory or a missing folder.
OutputTarget resolveOutput(const std::string& path);
// How the tool names a path in messages ("-" is the standard streams).
std::string displayName(const std::string& path, bool input);

// What a file says besides its audio that libsndfile can carry over: text
// tags (WAV LIST/INFO, AIFF, FLAC and Ogg comments, ...), the broadcast
// extension and cue markers.
struct Metadata {
    std::vector<std::pair<int, std::string>> strings; // SF_STR_* and the text
    bool hasBroadcast = false;
    std::vector<unsigned char> broadcast; // an SF_BROADCAST_INFO_VAR as read
    bool hasCues = false;
    SF_CUES cues{};
};

class AudioReader {
  public:
    // "-" reads the standard input. Throws CliError(kExitInput) with the reason.
    explicit AudioReader(const std::string& path);
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    int channels() const { return info_.channels; }
    int rate() const { return info_.samplerate; }
    long long frames() const { return info_.frames; }
    int format() const { return info_.format; }
    // The header gives no length (a stream written into a pipe).
    bool lengthUnknown() const { return lengthUnknown_; }
    // The file already ends before the data its header announces.
    bool shorterThanHeader() const { return shorterThanHeader_; }
    const Metadata& metadata() const { return metadata_; }
    // Reads up to n interleaved frames; returns the number read.
    long long read(float* interleaved, long long n);
    long long read(double* interleaved, long long n);

  private:
    template <typename T> long long readAs(T* interleaved, long long n);
    SNDFILE* file_ = nullptr;
    SF_INFO info_{};
    bool pcm_ = false;
    bool lengthUnknown_ = false, shorterThanHeader_ = false;
    std::vector<int> scratch_;
    Metadata metadata_;
};

struct WriterOptions {
    bool dither = true;          // TPDF dither for integer formats of 16 bits or fewer
    bool failOnClip = false;     // --no-clip
    bool allowNonFinite = false; // --allow-nonfinite
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
    // returns the names of the parts it cannot hold ("title", "cue markers").
    std::vector<std::string> carryMetadata(const Metadata& m);
    // Finishes the file (renames it into place). Throws CliError when the
    // output was refused (non-finite samples, or clipping with --no-clip).
    void commit();

    // Samples at or below this magnitude are silent in the output format.
    double silenceLevel() const { return silence_; }
    const OutputStats& stats() const { return stats_; }
    bool isStream() const { return target_.stream; }

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
    int channels_ = 0;
    int pcmBits_ = 0; // 8, 16, 24 or 32 for the exact integer path, else 0
    int written_ = 0; // the libsndfile format written (raw PCM for a WAV stream)
    bool dither_ = false;
    double silence_ = 0.0;
    long long framesSeen_ = 0;
    bool refused_ = false;
    uint64_t rng_ = 0x9e3779b97f4a7c15ull;
    OutputStats stats_;
    std::vector<int> scratch_;
};

// Chooses the output format: major type from --format, else OUT's extension
// (libsndfile's own table, plus ogg, opus and aif), else the input's; sample
// format from --bits, else the input's where the container holds it. Throws
// CliError(kExitUsage) for an unknown extension or an impossible choice.
// A coded input (MP3, say) that the container cannot hold is written as
// plain samples, and *note says so.
int chooseOutputFormat(int inputFormat, const std::string& outPath, const std::string& format,
                       const std::string& bits, int channels, int rate,
                       std::string* note = nullptr);
// Whether NAME is a container --format accepts.
bool knownFormatName(const std::string& name);
// The extensions and names --format accepts, for messages.
std::string knownFormatNames();

// Writes bytes to path through a temporary file and a rename (or straight
// into a stream).
void writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes);
// Reads a whole file; throws CliError(kExitInput) naming the file.
std::vector<unsigned char> readWholeFile(const std::string& path, const char* what);

// The temporary files in progress, removed if the tool is interrupted.
void installCleanupHandlers();
