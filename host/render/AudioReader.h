// Reading audio files through libsndfile. PCM samples are converted with
// exact powers of two, so a plug-in that passes audio unchanged gives back
// the input bit for bit.
#pragma once

#include <sndfile.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// What a file says besides its audio that libsndfile can carry over: text
// tags (WAV LIST/INFO, AIFF, FLAC and Ogg comments, ...), the broadcast
// extension and cue markers.
struct Metadata {
    std::vector<std::pair<int, std::string>> strings; // SF_STR_* and the text
    bool hasBroadcast = false;
    std::vector<unsigned char> broadcast; // an SF_BROADCAST_INFO_VAR as read
    bool hasCues = false;
    SF_CUES cues{};
    bool hasInstrument = false; // a sampler's key and loops (WAV smpl, AIFF INST)
    SF_INSTRUMENT instrument{};
    // Chunks libsndfile reads and writes as they are: iXML, axml, _PMX (XMP).
    std::vector<std::pair<std::string, std::vector<unsigned char>>> chunks;
};
// What an open file holds of the above.
Metadata readMetadata(SNDFILE* f);

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
    // Read from a stream (standard input, a FIFO), which cannot be opened again.
    bool isStream() const { return stream_; }
    // The file's size over its duration in kb/s (0: not known): the bit
    // rate of a coded file, tags and all.
    double kbps() const;
    // What a WAV stream read as it comes holds after its audio (tags in a
    // LIST INFO chunk, which libsndfile does not reach there), read once the
    // audio has been read to its end; the ids of other chunks found there go
    // into `others`. Empty for a file.
    Metadata trailingMetadata(std::vector<std::string>& others);
    // Reads up to n interleaved frames; returns the number read.
    long long read(float* interleaved, long long n);
    long long read(double* interleaved, long long n);

  private:
    template <typename T> long long readAs(T* interleaved, long long n);
    SNDFILE* file_ = nullptr;
    SF_INFO info_{};
    bool pcm_ = false;
    bool lengthUnknown_ = false, shorterThanHeader_ = false;
    long long bytes_ = -1;
    int streamFd_ = -1; // a WAV stream libsndfile reads as it comes
    long long framesRead_ = 0;
    bool stream_ = false;
    std::vector<int> scratch_;
    Metadata metadata_;
};

// A broadcast extension record with room for its coding history.
constexpr std::size_t kBroadcastHistory = 16384;
typedef SF_BROADCAST_INFO_VAR(kBroadcastHistory) BroadcastInfo;
// How messages name a text tag (SF_STR_*): "title", "track number".
const char* stringName(int id);
