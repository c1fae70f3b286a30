#include "host/render/AudioWriter.h"

#include "host/render/Options.h"
#include "host/render/OutputFormat.h"
#include "host/render/WavHeader.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

AudioWriter::AudioWriter(const std::string& path, int format, int channels, int rate,
                         const WriterOptions& options)
    : path_(displayName(path, false)), opt_(options), channels_(channels), rate_(rate) {
    target_ = resolveOutput(path);
    pcmBits_ = integerBits(format);
    dither_ = opt_.dither && pcmBits_ > 0 && pcmBits_ <= 16;
    stats_.clips = pcmBits_ > 0;
    stats_.floatOutput = (format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT ||
                         (format & SF_FORMAT_SUBMASK) == SF_FORMAT_DOUBLE;
    // Half a step of the output rounds to zero; float keeps far more, but
    // below -144 dBFS (what 24 bits show) only arithmetic residues ring on.
    silence_ = pcmBits_ > 0 ? std::ldexp(0.5, 1 - pcmBits_) : 6.309573444801933e-08;
    if (target_.stream) {
        openStream(format, channels, rate);
    } else {
        int fd = makeTemp(target_.path, temp_);
        if (fd < 0)
            throw CliError(kExitOutput,
                           path_ + ": cannot create the output file: " + std::strerror(errno));
        registerTemp(temp_);
        SF_INFO info{};
        info.channels = channels;
        info.samplerate = rate;
        // A WAV file's sizes are 32 bits: one that may pass 4 GiB is begun
        // as RF64 (and written back as WAV on closing if it fits after all).
        info.format = formatForSize(format, channels, opt_.maxFrames);
        errno = 0;
        file_ = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
        written_ = info.format;
        if (!file_) {
            std::string why = writeErrno();
            if (why.empty()) why = sf_strerror(nullptr);
            close(fd);
            unlink(temp_.c_str());
            throw CliError(kExitOutput, path_ + ": cannot write this format: " + why);
        }
    }
    // Out-of-range samples clip instead of wrapping round in integer formats.
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // A lossy codec's quality, before the first samples.
    // (libsndfile's answer to the bit rate mode says nothing: it is set
    // all the same.)
    if (opt_.bitrateMode >= 0)
        sf_command(file_, SFC_SET_BITRATE_MODE, &opt_.bitrateMode, sizeof opt_.bitrateMode);
    if (opt_.compression >= 0 && sf_command(file_, SFC_SET_COMPRESSION_LEVEL, &opt_.compression,
                                            sizeof opt_.compression) != SF_TRUE)
        throw CliError(kExitOutput, path_ + ": the encoder takes no quality setting");
    const int major = written_ & SF_FORMAT_TYPEMASK;
    if (major == SF_FORMAT_RF64) sf_command(file_, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    wavSized_ = major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX;
}

bool AudioWriter::isRf64() const {
    return (written_ & SF_FORMAT_TYPEMASK) == SF_FORMAT_RF64 &&
           framesSeen_ > kWavDataLimit / bytesPerFrame(written_, channels_);
}

void AudioWriter::openStream(int format, int channels, int rate) {
    fd_ = openStreamFd(target_);
    if (isatty(fd_)) {
        if (!target_.stdoutStream) close(fd_);
        fd_ = -1;
        throw CliError(kExitOutput, path_ + ": is a terminal; redirect it into a file or a pipe");
    }
    struct stat st;
    bool seekable = fstat(fd_, &st) == 0 && !S_ISFIFO(st.st_mode) && !S_ISSOCK(st.st_mode) &&
                    lseek(fd_, 0, SEEK_CUR) != -1;
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    // Into a pipe, a WAV header that says "length unknown" holds any length;
    // where libsndfile can go back to fill in the sizes, they must fit.
    info.format = seekable ? formatForSize(format, channels, opt_.maxFrames) : format;
    int major = format & SF_FORMAT_TYPEMASK;
    std::vector<unsigned char> header;
    if (!seekable && (major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX) &&
        streamWavHeader(format, channels, rate, header)) {
        // libsndfile will not write WAV where it cannot go back to fix the
        // sizes: the header is ours, the samples are raw little-endian.
        if (!writeAll(fd_, header.data(), header.size()))
            throw CliError(kExitOutput, path_ + ": write failed: " + std::strerror(errno));
        info.format = SF_FORMAT_RAW | SF_ENDIAN_LITTLE | (format & SF_FORMAT_SUBMASK);
    }
    errno = 0;
    file_ = sf_open_fd(fd_, SFM_WRITE, &info, SF_FALSE);
    written_ = info.format;
    if (!file_) {
        std::string system = writeErrno(), why = sf_strerror(nullptr);
        if (!target_.stdoutStream) close(fd_);
        fd_ = -1;
        if (!system.empty()) throw CliError(kExitOutput, path_ + ": cannot write: " + system);
        throw CliError(kExitOutput, path_ + ": cannot stream this format (" + why +
                                        "); WAV, FLAC and Ogg can be streamed (--format)");
    }
}

AudioWriter::~AudioWriter() {
    if (file_) {
        sf_close(file_);
        if (!temp_.empty()) unlink(temp_.c_str());
    }
    if (fd_ >= 0 && !target_.stdoutStream) close(fd_);
    unregisterTemp(temp_);
}

double AudioWriter::tpdf() {
    // xorshift64*: the same dither on every run, so renders are repeatable.
    auto uniform = [this] {
        rng_ ^= rng_ >> 12;
        rng_ ^= rng_ << 25;
        rng_ ^= rng_ >> 27;
        return static_cast<double>((rng_ * 0x2545f4914f6cdd1dull) >> 11) * 0x1.0p-53;
    };
    return uniform() - uniform(); // triangular in (-1, 1) steps
}

template <typename T> void AudioWriter::scan(const T* interleaved, long long n) {
    const double full = pcmBits_ > 0 ? std::ldexp(1.0, pcmBits_ - 1) : 1.0;
    for (long long i = 0; i < n * channels_; ++i) {
        double v = static_cast<double>(interleaved[i]);
        long long frame = framesSeen_ + i / channels_;
        if (!std::isfinite(v)) {
            if (stats_.nonFinite++ == 0) stats_.firstNonFiniteFrame = frame;
            continue;
        }
        double a = std::fabs(v);
        stats_.peak = std::max(stats_.peak, a);
        bool over = pcmBits_ > 0
                        ? (std::nearbyint(v * full) > full - 1 || std::nearbyint(v * full) < -full)
                        : a > 1.0;
        if (over && stats_.overFullScale++ == 0) stats_.firstOverFrame = frame;
    }
    framesSeen_ += n;
}

namespace {
// A sample this close to a step of the output (in steps) is on the grid and
// is not dithered: arithmetic residues of a plug-in that passes the signal
// unchanged (1e-42 after a signal, a last-bit error of a unity gain) are far
// smaller, a signal the format can hold only in dither far larger.
constexpr double kOnGrid = 1.0 / 4096;
} // namespace

template <typename T> void AudioWriter::writeAs(const T* interleaved, long long n) {
    scan(interleaved, n);
    // A refused output is not written on (a stream keeps what it has).
    if ((stats_.nonFinite > 0 && !opt_.allowNonFinite) ||
        (stats_.overFullScale > 0 && opt_.failOnClip))
        refused_ = true;
    if (refused_) return;
    // Past 4 GiB a WAV header's sizes would wrap round: refused rather than
    // written wrong (the size is foreseen and RF64 chosen, so this is rare).
    if (wavSized_ && framesSeen_ > kWavDataLimit / bytesPerFrame(written_, channels_))
        throw CliError(kExitOutput, path_ + ": the output passes the 4 GiB a WAV file holds; "
                                            "--format rf64 or w64 writes it");
    long long done;
    errno = 0;
    if (pcmBits_ == 0) {
        if constexpr (std::is_same_v<T, float>)
            done = sf_writef_float(file_, interleaved, n);
        else
            done = sf_writef_double(file_, interleaved, n);
    } else {
        // Round to the file's bits (with dither where it has 16 or fewer),
        // clip, and left-align in 32 bits. Samples on the file's grid (an
        // unchanged 16-bit input, digital silence) stay exact.
        const double full = std::ldexp(1.0, pcmBits_ - 1);
        const int shift = 32 - pcmBits_;
        scratch_.resize(static_cast<std::size_t>(n * channels_));
        for (long long i = 0; i < n * channels_; ++i) {
            double x = static_cast<double>(interleaved[i]) * full;
            double v = std::nearbyint(x);
            if (dither_ && std::fabs(v - x) > kOnGrid && std::isfinite(x))
                v = std::nearbyint(x + tpdf());
            if (std::isnan(v)) v = 0;
            if (v < -full) v = -full;
            if (v > full - 1) v = full - 1;
            long long q = static_cast<long long>(v);
            scratch_[static_cast<std::size_t>(i)] =
                static_cast<int>(static_cast<uint32_t>(q) << shift);
        }
        errno = 0;
        done = sf_writef_int(file_, scratch_.data(), n);
    }
    if (done != n) {
        std::string why = writeErrno();
        throw CliError(kExitOutput,
                       path_ + ": write failed: " + (why.empty() ? sf_strerror(file_) : why));
    }
}

namespace {

// A file in memory, for libsndfile's virtual I/O.
struct MemoryFile {
    std::vector<unsigned char> bytes;
    sf_count_t pos = 0;
};

MemoryFile& memory(void* user) {
    return *static_cast<MemoryFile*>(user);
}

sf_count_t memoryLength(void* user) {
    return static_cast<sf_count_t>(memory(user).bytes.size());
}

sf_count_t memorySeek(sf_count_t offset, int whence, void* user) {
    MemoryFile& m = memory(user);
    const sf_count_t base = whence == SEEK_CUR   ? m.pos
                            : whence == SEEK_END ? static_cast<sf_count_t>(m.bytes.size())
                                                 : 0;
    m.pos = std::max<sf_count_t>(0, base + offset);
    return m.pos;
}

sf_count_t memoryRead(void* out, sf_count_t n, void* user) {
    MemoryFile& m = memory(user);
    const sf_count_t size = static_cast<sf_count_t>(m.bytes.size());
    n = std::max<sf_count_t>(0, std::min(n, size - m.pos));
    if (n > 0) std::memcpy(out, m.bytes.data() + m.pos, static_cast<std::size_t>(n));
    m.pos += n;
    return n;
}

sf_count_t memoryWrite(const void* in, sf_count_t n, void* user) {
    MemoryFile& m = memory(user);
    if (m.pos + n > static_cast<sf_count_t>(m.bytes.size()))
        m.bytes.resize(static_cast<std::size_t>(m.pos + n));
    std::memcpy(m.bytes.data() + m.pos, in, static_cast<std::size_t>(n));
    m.pos += n;
    return n;
}

sf_count_t memoryTell(void* user) {
    return memory(user).pos;
}

// Hands m to a file about to be written; names what libsndfile refuses.
void setMetadata(SNDFILE* f, const Metadata& m, std::vector<std::string>& refused) {
    for (const auto& [id, text] : m.strings)
        if (sf_set_string(f, id, text.c_str()) != 0) refused.push_back(stringName(id));
    if (m.hasBroadcast) {
        // libsndfile takes the record with just its own coding history.
        BroadcastInfo bext;
        std::memcpy(&bext, m.broadcast.data(), sizeof bext);
        const std::size_t size = offsetof(SF_BROADCAST_INFO, coding_history) +
                                 std::min<std::size_t>(bext.coding_history_size, kBroadcastHistory);
        if (sf_command(f, SFC_SET_BROADCAST_INFO, &bext,
                       static_cast<int>(std::max(size, sizeof(SF_BROADCAST_INFO)))) != SF_TRUE)
            refused.push_back("broadcast extension");
    }
    if (m.hasCues &&
        sf_command(f, SFC_SET_CUE, const_cast<SF_CUES*>(&m.cues), sizeof m.cues) != SF_TRUE)
        refused.push_back("cue markers");
    if (m.hasInstrument &&
        sf_command(f, SFC_SET_INSTRUMENT, const_cast<SF_INSTRUMENT*>(&m.instrument),
                   sizeof m.instrument) != SF_TRUE)
        refused.push_back("sampler key and loops");
    for (const auto& [id, data] : m.chunks) {
        SF_CHUNK_INFO chunk{};
        std::memcpy(chunk.id, id.c_str(), 4);
        chunk.id_size = 4;
        chunk.datalen = static_cast<unsigned>(data.size());
        chunk.data = const_cast<unsigned char*>(data.data());
        if (sf_set_chunk(f, &chunk) != SF_ERR_NO_ERROR) refused.push_back(id + " chunk");
    }
}

bool sameCueNames(const SF_CUES& a, const SF_CUES& b) {
    for (uint32_t i = 0; i < a.cue_count && i < b.cue_count && i < 100; ++i)
        if (std::strncmp(a.cue_points[i].name, b.cue_points[i].name, sizeof a.cue_points[i].name) !=
            0)
            return false;
    return true;
}

// What of m a file of this format loses, found by writing a short one into
// memory and reading it back: libsndfile takes some parts it then leaves out
// (an AIFF file's date and genre, a WAV file's licence and cue names).
void partsTheFormatDrops(int format, int channels, int rate, const Metadata& m,
                         std::vector<std::string>& dropped) {
    auto drop = [&](const std::string& what) {
        if (std::find(dropped.begin(), dropped.end(), what) == dropped.end())
            dropped.push_back(what);
    };
    MemoryFile mem;
    SF_VIRTUAL_IO io{memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = format;
    Metadata back;
    std::vector<std::string> refused;
    if ((format & SF_FORMAT_TYPEMASK) != SF_FORMAT_RAW) {
        if (SNDFILE* f = sf_open_virtual(&io, SFM_WRITE, &info, &mem)) {
            setMetadata(f, m, refused);
            std::vector<float> silence(static_cast<std::size_t>(1024 * channels), 0.0f);
            sf_writef_float(f, silence.data(), 1024);
            sf_close(f);
            mem.pos = 0;
            SF_INFO readInfo{};
            if (SNDFILE* r = sf_open_virtual(&io, SFM_READ, &readInfo, &mem)) {
                back = readMetadata(r);
                sf_close(r);
            }
        }
    }
    for (const auto& [id, text] : m.strings)
        if (std::find(back.strings.begin(), back.strings.end(), std::make_pair(id, text)) ==
            back.strings.end())
            drop(stringName(id));
    if (m.hasBroadcast && !back.hasBroadcast) drop("broadcast extension");
    if (m.hasCues && !back.hasCues) drop("cue markers");
    if (m.hasCues && back.hasCues && !sameCueNames(m.cues, back.cues)) drop("cue names");
    if (m.hasInstrument && !back.hasInstrument) drop("sampler key and loops");
    for (const auto& chunk : m.chunks)
        if (std::find(back.chunks.begin(), back.chunks.end(), chunk) == back.chunks.end())
            drop(chunk.first + " chunk");
}

} // namespace

std::vector<std::string> AudioWriter::carryLateMetadata(const Metadata& m) {
    std::vector<std::string> dropped;
    for (const auto& [id, text] : m.strings)
        if (sf_set_string(file_, id, text.c_str()) != 0) dropped.push_back(stringName(id));
    partsTheFormatDrops(written_, channels_, rate_, m, dropped);
    return dropped;
}

std::vector<std::string> AudioWriter::carryMetadata(const Metadata& m) {
    std::vector<std::string> dropped;
    setMetadata(file_, m, dropped);
    partsTheFormatDrops(written_, channels_, rate_, m, dropped);
    return dropped;
}

void AudioWriter::write(const float* interleaved, long long n) {
    writeAs(interleaved, n);
}
void AudioWriter::write(const double* interleaved, long long n) {
    writeAs(interleaved, n);
}

void AudioWriter::commit() {
    if (!file_) return;
    if (refused_) {
        // The temporary file goes with the destructor; a stream keeps what it got.
        const char* what = target_.stream ? "the stream was stopped there" : "nothing written";
        if (stats_.nonFinite > 0 && !opt_.allowNonFinite)
            throw CliError(kExitRefused, path_ + ": " + std::to_string(stats_.nonFinite) +
                                             " output samples are not finite (the first in frame " +
                                             std::to_string(stats_.firstNonFiniteFrame) + "); " +
                                             what + " (--allow-nonfinite writes them)");
        throw CliError(kExitRefused, path_ + ": " + std::to_string(stats_.overFullScale) +
                                         " samples over full scale (the first in frame " +
                                         std::to_string(stats_.firstOverFrame) + "); " + what +
                                         " (--no-clip)");
    }
    if (target_.stream) {
        errno = 0;
        int err = sf_close(file_);
        file_ = nullptr;
        int closed = fd_ >= 0 && !target_.stdoutStream ? close(fd_) : 0;
        fd_ = -1;
        if (err != 0 || closed != 0)
            throw CliError(kExitOutput, path_ + ": cannot write: " + std::strerror(errno));
        return;
    }
    sf_write_sync(file_);
    int err = sf_close(file_);
    file_ = nullptr;
    if (err != 0 || !replaceWith(temp_, target_)) {
        std::string why = std::strerror(errno);
        unlink(temp_.c_str());
        throw CliError(kExitOutput, path_ + ": cannot write: " + why);
    }
}
