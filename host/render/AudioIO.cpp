#include "host/render/AudioIO.h"

#include "host/render/Options.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Temporary files being written; a signal handler may only read plain data,
// so the paths are kept in fixed arrays.
constexpr int kMaxTemps = 4;
char gTempPaths[kMaxTemps][4096];
volatile sig_atomic_t gTempUsed[kMaxTemps];

int registerTemp(const std::string& path) {
    for (int i = 0; i < kMaxTemps; ++i)
        if (!gTempUsed[i] && path.size() < sizeof gTempPaths[i]) {
            std::memcpy(gTempPaths[i], path.c_str(), path.size() + 1);
            gTempUsed[i] = 1;
            return i;
        }
    return -1;
}

void unregisterTemp(int slot) {
    if (slot >= 0) gTempUsed[slot] = 0;
}

void onSignal(int sig) {
    for (int i = 0; i < kMaxTemps; ++i)
        if (gTempUsed[i]) unlink(gTempPaths[i]);
    signal(sig, SIG_DFL);
    raise(sig);
}

bool isPcmSubtype(int format, int& bits) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_16:
        bits = 16;
        return true;
    case SF_FORMAT_PCM_24:
        bits = 24;
        return true;
    case SF_FORMAT_PCM_32:
        bits = 32;
        return true;
    default:
        bits = 0;
        return false;
    }
}

std::string lower(std::string s) {
    for (auto& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string extensionOf(const std::string& path) {
    auto slash = path.rfind('/');
    auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return lower(path.substr(dot + 1));
}

// Creates a temporary file beside path; returns its descriptor and name.
int makeTemp(const std::string& path, std::string& temp) {
    auto slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (dir.empty()) dir = "/";
    temp = dir + "/." + base + ".tmp-XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back(0);
    int fd = mkstemp(name.data());
    if (fd < 0) return -1;
    temp = name.data();
    // Give the final file the usual permissions rather than mkstemp's 0600.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    return fd;
}

void checkOutputPath(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw CliError(kExitOutput, path + ": is a directory");
}

} // namespace

void installCleanupHandlers() {
    signal(SIGINT, onSignal);
    signal(SIGTERM, onSignal);
    signal(SIGHUP, onSignal);
}

// ---- reading

AudioReader::AudioReader(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) throw CliError(kExitInput, path + ": no such file");
    if (S_ISDIR(st.st_mode)) throw CliError(kExitInput, path + ": is a directory");
    if (access(path.c_str(), R_OK) != 0)
        throw CliError(kExitInput, path + ": cannot read: " + std::strerror(errno));
    file_ = sf_open(path.c_str(), SFM_READ, &info_);
    if (!file_) {
        std::string why = sf_strerror(nullptr);
        throw CliError(kExitInput, path + ": unknown or unsupported audio format (" + why + ")");
    }
    if (info_.channels < 1 || info_.channels > 2) {
        int n = info_.channels;
        sf_close(file_);
        file_ = nullptr;
        throw CliError(kExitInput, path + ": has " + std::to_string(n) +
                                       " channels; only mono and stereo files are processed");
    }
    if (info_.samplerate <= 0) {
        sf_close(file_);
        file_ = nullptr;
        throw CliError(kExitInput, path + ": has no valid sample rate");
    }
    int bits;
    pcm_ = isPcmSubtype(info_.format, bits);
}

AudioReader::~AudioReader() {
    if (file_) sf_close(file_);
}

template <typename T> long long AudioReader::readAs(T* interleaved, long long n) {
    if (!pcm_) {
        if constexpr (std::is_same_v<T, float>)
            return sf_readf_float(file_, interleaved, n);
        else
            return sf_readf_double(file_, interleaved, n);
    }
    // PCM arrives left-aligned in 32-bit integers: full scale is 2^31.
    scratch_.resize(static_cast<std::size_t>(n * info_.channels));
    long long got = sf_readf_int(file_, scratch_.data(), n);
    const double scale = 1.0 / 2147483648.0;
    for (long long i = 0; i < got * info_.channels; ++i)
        interleaved[i] = static_cast<T>(scratch_[static_cast<std::size_t>(i)] * scale);
    return got;
}

long long AudioReader::read(float* interleaved, long long n) {
    return readAs(interleaved, n);
}
long long AudioReader::read(double* interleaved, long long n) {
    return readAs(interleaved, n);
}

// ---- writing

int chooseOutputFormat(int inputFormat, const std::string& outPath, const std::string& format,
                       const std::string& bits, int channels, int rate) {
    int major = inputFormat & SF_FORMAT_TYPEMASK;
    std::string kind = format.empty() ? extensionOf(outPath) : format;
    if (kind == "wav")
        major = SF_FORMAT_WAV;
    else if (kind == "aif" || kind == "aiff" || kind == "aifc")
        major = SF_FORMAT_AIFF;
    else if (kind == "flac")
        major = SF_FORMAT_FLAC;

    int sub = inputFormat & SF_FORMAT_SUBMASK;
    if (bits == "16")
        sub = SF_FORMAT_PCM_16;
    else if (bits == "24")
        sub = SF_FORMAT_PCM_24;
    else if (bits == "32")
        sub = SF_FORMAT_PCM_32;
    else if (bits == "float")
        sub = SF_FORMAT_FLOAT;
    else if (bits == "double")
        sub = SF_FORMAT_DOUBLE;

    SF_INFO probe{};
    probe.channels = channels;
    probe.samplerate = rate;
    probe.format = major | sub;
    if (sf_format_check(&probe)) return probe.format;
    if (!bits.empty())
        throw CliError(kExitUsage, "the output format cannot hold --bits " + bits + " samples");
    // The input's sample format does not fit the new container (float into
    // FLAC, say): 24-bit PCM keeps the most of it.
    probe.format = major | SF_FORMAT_PCM_24;
    if (sf_format_check(&probe)) return probe.format;
    throw CliError(kExitUsage, "no output format for " + outPath);
}

AudioWriter::AudioWriter(const std::string& path, int format, int channels, int rate)
    : path_(path), channels_(channels) {
    checkOutputPath(path);
    int fd = makeTemp(path, temp_);
    if (fd < 0)
        throw CliError(kExitOutput,
                       path + ": cannot create the output file: " + std::strerror(errno));
    registerTemp(temp_);
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = format;
    file_ = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    if (!file_) {
        std::string why = sf_strerror(nullptr);
        close(fd);
        unlink(temp_.c_str());
        throw CliError(kExitOutput, path + ": cannot write this format: " + why);
    }
    // Out-of-range samples clip instead of wrapping round in integer formats.
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    isPcmSubtype(format, pcmBits_);
}

AudioWriter::~AudioWriter() {
    if (file_) {
        sf_close(file_);
        unlink(temp_.c_str());
    }
    for (int i = 0; i < kMaxTemps; ++i)
        if (gTempUsed[i] && temp_ == gTempPaths[i]) unregisterTemp(i);
}

template <typename T> void AudioWriter::writeAs(const T* interleaved, long long n) {
    long long done;
    if (pcmBits_ == 0) {
        if constexpr (std::is_same_v<T, float>)
            done = sf_writef_float(file_, interleaved, n);
        else
            done = sf_writef_double(file_, interleaved, n);
    } else {
        // Round to the file's bits, clip, and left-align in 32 bits.
        const double full = std::ldexp(1.0, pcmBits_ - 1);
        const int shift = 32 - pcmBits_;
        scratch_.resize(static_cast<std::size_t>(n * channels_));
        for (long long i = 0; i < n * channels_; ++i) {
            double v = std::nearbyint(static_cast<double>(interleaved[i]) * full);
            if (!(v >= -full)) v = -full; // NaN goes to the bottom too rather than UB
            if (v > full - 1) v = full - 1;
            long long q = static_cast<long long>(v);
            scratch_[static_cast<std::size_t>(i)] =
                static_cast<int>(static_cast<uint32_t>(q) << shift);
        }
        done = sf_writef_int(file_, scratch_.data(), n);
    }
    if (done != n) throw CliError(kExitOutput, path_ + ": write failed: " + sf_strerror(file_));
}

void AudioWriter::write(const float* interleaved, long long n) {
    writeAs(interleaved, n);
}
void AudioWriter::write(const double* interleaved, long long n) {
    writeAs(interleaved, n);
}

void AudioWriter::commit() {
    if (!file_) return;
    sf_write_sync(file_);
    int err = sf_close(file_);
    file_ = nullptr;
    if (err != 0 || rename(temp_.c_str(), path_.c_str()) != 0) {
        std::string why = std::strerror(errno);
        unlink(temp_.c_str());
        throw CliError(kExitOutput, path_ + ": cannot write: " + why);
    }
}

// ---- whole files

void writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes) {
    checkOutputPath(path);
    std::string temp;
    int fd = makeTemp(path, temp);
    if (fd < 0) throw CliError(kExitOutput, path + ": cannot create: " + std::strerror(errno));
    int slot = registerTemp(temp);
    std::size_t off = 0;
    bool ok = true;
    while (off < bytes.size()) {
        ssize_t w = ::write(fd, bytes.data() + off, bytes.size() - off);
        if (w <= 0) {
            ok = false;
            break;
        }
        off += static_cast<std::size_t>(w);
    }
    ok = (close(fd) == 0) && ok;
    if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
        std::string why = std::strerror(errno);
        unlink(temp.c_str());
        unregisterTemp(slot);
        throw CliError(kExitOutput, path + ": cannot write: " + why);
    }
    unregisterTemp(slot);
}

std::vector<unsigned char> readWholeFile(const std::string& path, const char* what) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0)
        throw CliError(kExitInput, std::string(what) + " " + path + ": no such file");
    if (S_ISDIR(st.st_mode))
        throw CliError(kExitInput, std::string(what) + " " + path + ": is a directory");
    if (st.st_size > 64 * 1024 * 1024)
        throw CliError(kExitInput, std::string(what) + " " + path + ": too large");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw CliError(kExitInput, std::string(what) + " " + path + ": cannot read");
    std::vector<unsigned char> bytes(static_cast<std::size_t>(st.st_size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::size_t>(in.gcount()) != bytes.size())
        throw CliError(kExitInput, std::string(what) + " " + path + ": cannot read");
    return bytes;
}
