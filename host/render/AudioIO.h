// Audio files through libsndfile. PCM samples are converted with exact
// powers of two both ways (and rounded and clipped on output), so a plug-in
// that passes audio unchanged gives back the input bit for bit.
#pragma once

#include <sndfile.h>

#include <string>
#include <vector>

class AudioReader {
  public:
    // Throws CliError(kExitInput) with the reason.
    explicit AudioReader(const std::string& path);
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    int channels() const { return info_.channels; }
    int rate() const { return info_.samplerate; }
    long long frames() const { return info_.frames; }
    int format() const { return info_.format; }
    // Reads up to n interleaved frames; returns the number read.
    long long read(float* interleaved, long long n);
    long long read(double* interleaved, long long n);

  private:
    template <typename T> long long readAs(T* interleaved, long long n);
    SNDFILE* file_ = nullptr;
    SF_INFO info_{};
    bool pcm_ = false;
    std::vector<int> scratch_;
};

class AudioWriter {
  public:
    // Writes into a new temporary file beside path; commit() renames it into
    // place, destruction without commit() removes it. Throws CliError(kExitOutput).
    AudioWriter(const std::string& path, int format, int channels, int rate);
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    void write(const float* interleaved, long long n);
    void write(const double* interleaved, long long n);
    void commit();

  private:
    template <typename T> void writeAs(const T* interleaved, long long n);
    std::string path_, temp_;
    SNDFILE* file_ = nullptr;
    int channels_ = 0;
    int pcmBits_ = 0; // 16, 24 or 32 for the exact integer path, else 0
    std::vector<int> scratch_;
};

// Chooses the output format: major type from --format, else OUT's extension,
// else the input's; sample format from --bits, else the input's where the
// container holds it. Throws CliError(kExitUsage) for impossible choices.
int chooseOutputFormat(int inputFormat, const std::string& outPath, const std::string& format,
                       const std::string& bits, int channels, int rate);

// Writes bytes to path through a temporary file and a rename.
void writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes);
// Reads a whole file; throws CliError(kExitInput) naming the file.
std::vector<unsigned char> readWholeFile(const std::string& path, const char* what);

// The temporary files in progress, removed if the tool is interrupted.
void installCleanupHandlers();
