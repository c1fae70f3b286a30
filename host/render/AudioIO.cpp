#include "host/render/AudioIO.h"

#include "host/render/Options.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
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

// Formats written through the exact integer path, with their bits.
int integerBits(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return 8;
    case SF_FORMAT_PCM_16:
        return 16;
    case SF_FORMAT_PCM_24:
        return 24;
    case SF_FORMAT_PCM_32:
        return 32;
    default:
        return 0;
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

std::string dirOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Creates a temporary file beside path; returns its descriptor and name.
int makeTemp(const std::string& path, std::string& temp) {
    auto slash = path.rfind('/');
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    // The temporary name stays within a file name's 255 bytes however long
    // the final one is.
    constexpr std::size_t kAdded = std::char_traits<char>::length("..tmp-XXXXXX");
    if (base.size() > 255 - kAdded) base.resize(255 - kAdded);
    temp = dirOf(path) + "/." + base + ".tmp-XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back(0);
    int fd = mkstemp(name.data());
    if (fd < 0) return -1;
    temp = name.data();
    // Give the final file the permissions of the file it replaces, else the
    // usual ones rather than mkstemp's 0600.
    struct stat old;
    if (stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        fchmod(fd, old.st_mode & 07777);
    } else {
        mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }
    return fd;
}

// The system's reason when a libsndfile call that failed had a write refused
// (a full disk, say), which libsndfile reports in words of its own or not at
// all; empty for other failures. errno is cleared before such calls.
std::string writeErrno() {
    const int e = errno;
    return e == ENOSPC || e == EDQUOT || e == EFBIG || e == EIO || e == EPIPE ? std::strerror(e)
                                                                              : std::string();
}

// Opens a stream target for writing; standard output is used as it is.
int openStreamFd(const OutputTarget& t) {
    if (t.stdoutStream) return STDOUT_FILENO;
    int fd = open(t.path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) throw CliError(kExitOutput, t.path + ": cannot open: " + std::strerror(errno));
    return fd;
}

void put16(std::vector<unsigned char>& b, unsigned v) {
    b.push_back(static_cast<unsigned char>(v & 0xff));
    b.push_back(static_cast<unsigned char>((v >> 8) & 0xff));
}
void put32(std::vector<unsigned char>& b, uint32_t v) {
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}

bool writeAll(int fd, const unsigned char* p, std::size_t n) {
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

// A WAV header for a stream of unknown length: both sizes 0xFFFFFFFF, which
// readers take as "until the data ends". Returns false for a sample format
// this header cannot describe.
bool streamWavHeader(int format, int channels, int rate, std::vector<unsigned char>& h) {
    int bits = 0, tag = 1;
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_U8:
        bits = 8;
        break;
    case SF_FORMAT_PCM_16:
        bits = 16;
        break;
    case SF_FORMAT_PCM_24:
        bits = 24;
        break;
    case SF_FORMAT_PCM_32:
        bits = 32;
        break;
    case SF_FORMAT_FLOAT:
        bits = 32;
        tag = 3;
        break;
    case SF_FORMAT_DOUBLE:
        bits = 64;
        tag = 3;
        break;
    default:
        return false;
    }
    const unsigned align = static_cast<unsigned>(channels * bits / 8);
    h.clear();
    h.insert(h.end(), {'R', 'I', 'F', 'F'});
    put32(h, 0xffffffffu);
    h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(h, tag == 3 ? 18 : 16);
    put16(h, static_cast<unsigned>(tag));
    put16(h, static_cast<unsigned>(channels));
    put32(h, static_cast<uint32_t>(rate));
    put32(h, static_cast<uint32_t>(rate) * align);
    put16(h, align);
    put16(h, static_cast<unsigned>(bits));
    if (tag == 3) put16(h, 0);
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    put32(h, 0xffffffffu);
    return true;
}

} // namespace

void installCleanupHandlers() {
    signal(SIGINT, onSignal);
    signal(SIGTERM, onSignal);
    signal(SIGHUP, onSignal);
}

std::string displayName(const std::string& path, bool input) {
    if (path == "-") return input ? "standard input" : "standard output";
    return path;
}

OutputTarget resolveOutput(const std::string& path) {
    OutputTarget t;
    if (path == "-") {
        t.stream = t.stdoutStream = true;
        t.path = path;
        return t;
    }
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) throw CliError(kExitOutput, path + ": is a directory");
        if (!S_ISREG(st.st_mode)) {
            // A pipe, a device or a socket: written to as it is.
            t.stream = true;
            t.path = path;
            return t;
        }
        struct stat lst;
        t.path = path;
        if (lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
            char* real = realpath(path.c_str(), nullptr);
            if (real) {
                t.path = real;
                std::free(real);
            }
        }
        // The rename would replace a file the user may not write, as cp
        // and shells refuse to.
        if (access(t.path.c_str(), W_OK) != 0)
            throw CliError(kExitOutput, path + ": " + std::strerror(errno));
    } else {
        // Not there yet, perhaps behind a link that points to a new name.
        t.path = path;
        char buf[4096];
        for (int hops = 0; hops < 40; ++hops) {
            struct stat lst;
            if (lstat(t.path.c_str(), &lst) != 0 || !S_ISLNK(lst.st_mode)) break;
            ssize_t n = readlink(t.path.c_str(), buf, sizeof buf - 1);
            if (n <= 0) break;
            buf[n] = 0;
            t.path = buf[0] == '/' ? std::string(buf) : dirOf(t.path) + "/" + buf;
        }
    }
    std::string dir = dirOf(t.path);
    if (stat(dir.c_str(), &st) != 0)
        throw CliError(kExitOutput, path + ": the directory " + dir + " does not exist");
    if (!S_ISDIR(st.st_mode))
        throw CliError(kExitOutput, path + ": " + dir + " is not a directory");
    if (!path.empty() && path.back() == '/')
        throw CliError(kExitOutput, path + ": names a directory, not a file");
    if (access(dir.c_str(), W_OK) != 0)
        throw CliError(kExitOutput, path + ": cannot write into " + dir);
    return t;
}

// ---- reading

namespace {

// libsndfile reads only plain WAV safely where it cannot seek: other
// containers (RF64, W64, AIFF, CAF, FLAC, Ogg, ...) arriving through a pipe
// come out empty or as garbage, so they are copied into an unlinked
// temporary file first. The pipe is looked at without taking anything out of
// it (tee into a pipe of our own). Returns the descriptor to read, or -1 to
// read standard input as it is.
int seekableStdin() {
    struct stat st;
    if (fstat(STDIN_FILENO, &st) != 0 || S_ISREG(st.st_mode) || S_ISBLK(st.st_mode) ||
        lseek(STDIN_FILENO, 0, SEEK_CUR) != -1)
        return -1;
    char magic[12] = {};
    ssize_t got = 0;
    if (S_ISFIFO(st.st_mode)) {
        int peek[2];
        if (pipe(peek) != 0) return -1;
        // tee may copy fewer bytes than asked while the writer is slow: the
        // copy is read back and asked for again.
        for (int tries = 0; tries < 1000 && got < static_cast<ssize_t>(sizeof magic); ++tries) {
            ssize_t copied = tee(STDIN_FILENO, peek[1], sizeof magic, 0);
            if (copied <= 0) break;
            ssize_t n = ::read(peek[0], magic, static_cast<std::size_t>(copied));
            got = n > 0 ? n : 0;
            if (got < static_cast<ssize_t>(sizeof magic)) usleep(1000);
        }
        close(peek[0]);
        close(peek[1]);
        if (got == static_cast<ssize_t>(sizeof magic) && std::memcmp(magic, "RIFF", 4) == 0 &&
            std::memcmp(magic + 8, "WAVE", 4) == 0)
            return -1;
    }
    FILE* spool = std::tmpfile();
    if (!spool)
        throw CliError(kExitInput,
                       std::string("standard input: cannot keep the stream to read it: ") +
                           std::strerror(errno));
    int fd = dup(fileno(spool));
    std::fclose(spool);
    if (fd < 0) return -1;
    std::vector<unsigned char> buf(1 << 16);
    for (;;) {
        ssize_t n = ::read(STDIN_FILENO, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (!writeAll(fd, buf.data(), static_cast<std::size_t>(n))) {
            std::string why = std::strerror(errno);
            close(fd);
            throw CliError(kExitInput, "standard input: cannot keep the stream to read it: " + why);
        }
    }
    lseek(fd, 0, SEEK_SET);
    return fd;
}

} // namespace

namespace {

constexpr std::size_t kBroadcastHistory = 16384;
typedef SF_BROADCAST_INFO_VAR(kBroadcastHistory) BroadcastInfo;

const char* stringName(int id) {
    switch (id) {
    case SF_STR_TITLE:
        return "title";
    case SF_STR_COPYRIGHT:
        return "copyright";
    case SF_STR_SOFTWARE:
        return "software";
    case SF_STR_ARTIST:
        return "artist";
    case SF_STR_COMMENT:
        return "comment";
    case SF_STR_DATE:
        return "date";
    case SF_STR_ALBUM:
        return "album";
    case SF_STR_LICENSE:
        return "license";
    case SF_STR_TRACKNUMBER:
        return "track number";
    case SF_STR_GENRE:
        return "genre";
    default:
        return "text tag";
    }
}

Metadata readMetadata(SNDFILE* f) {
    Metadata m;
    for (int id = SF_STR_FIRST; id <= SF_STR_LAST; ++id)
        if (const char* text = sf_get_string(f, id); text && *text)
            m.strings.emplace_back(id, text);
    BroadcastInfo bext{};
    if (sf_command(f, SFC_GET_BROADCAST_INFO, &bext, sizeof bext) == SF_TRUE) {
        m.hasBroadcast = true;
        auto* bytes = reinterpret_cast<const unsigned char*>(&bext);
        m.broadcast.assign(bytes, bytes + sizeof bext);
    }
    uint32_t count = 0;
    if (sf_command(f, SFC_GET_CUE_COUNT, &count, sizeof count) == SF_TRUE && count > 0 &&
        sf_command(f, SFC_GET_CUE, &m.cues, sizeof m.cues) == SF_TRUE && m.cues.cue_count > 0)
        m.hasCues = true;
    return m;
}

} // namespace

AudioReader::AudioReader(const std::string& path) {
    if (path == "-") {
        int spooled = seekableStdin();
        file_ = sf_open_fd(spooled >= 0 ? spooled : STDIN_FILENO, SFM_READ, &info_,
                           spooled >= 0 ? SF_TRUE : SF_FALSE);
        if (!file_ && spooled >= 0) close(spooled);
        if (!file_)
            throw CliError(kExitInput, std::string("standard input: unknown or unsupported audio "
                                                   "format (") +
                                           sf_strerror(nullptr) + ")");
    } else {
        struct stat st;
        if (stat(path.c_str(), &st) != 0) throw CliError(kExitInput, path + ": no such file");
        if (S_ISDIR(st.st_mode)) throw CliError(kExitInput, path + ": is a directory");
        if (access(path.c_str(), R_OK) != 0)
            throw CliError(kExitInput, path + ": cannot read: " + std::strerror(errno));
        file_ = sf_open(path.c_str(), SFM_READ, &info_);
        if (!file_) {
            std::string why = sf_strerror(nullptr);
            throw CliError(kExitInput,
                           path + ": unknown or unsupported audio format (" + why + ")");
        }
    }
    const std::string name = displayName(path, true);
    if (info_.channels < 1 || info_.channels > 2) {
        int n = info_.channels;
        sf_close(file_);
        file_ = nullptr;
        throw CliError(kExitInput, name + ": has " + std::to_string(n) +
                                       " channels; only mono and stereo files are processed");
    }
    if (info_.samplerate <= 0) {
        sf_close(file_);
        file_ = nullptr;
        throw CliError(kExitInput, name + ": has no valid sample rate");
    }
    pcm_ = integerBits(info_.format) >= 16;
    // libsndfile notes in its log where a header's data size disagrees with
    // the file ("data : 40000 (should be 19946)"); 4294967295 is the size a
    // writer into a pipe leaves, meaning "unknown".
    char log[8192] = {};
    sf_command(file_, SFC_GET_LOG_INFO, log, sizeof log);
    std::string text = log;
    lengthUnknown_ = text.find(": 4294967295") != std::string::npos || info_.frames == SF_COUNT_MAX;
    std::size_t at = 0;
    while (at < text.size()) {
        auto eol = std::min(text.find('\n', at), text.size());
        std::string line = text.substr(at, eol - at);
        // WAV, AIFF: the data chunk; W64, RF64: the whole file's size.
        if ((line.find("data : ") != std::string::npos ||
             line.find("SSND : ") != std::string::npos ||
             line.find("riff : ") != std::string::npos ||
             line.find("Riff size : ") != std::string::npos) &&
            line.find("should be") != std::string::npos && !lengthUnknown_)
            shorterThanHeader_ = true;
        at = eol + 1;
    }
    metadata_ = readMetadata(file_);
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

// ---- output formats

namespace {

struct FormatChoice {
    int major = 0;
    int codec = 0; // a fixed sample format (a lossy codec), else 0
};

// libsndfile's table of containers, in its own order.
std::vector<SF_FORMAT_INFO> majorFormats() {
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    std::vector<SF_FORMAT_INFO> formats(count > 0 ? count : 0);
    for (int i = 0; i < count; ++i) {
        formats[i].format = i;
        sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &formats[i], sizeof formats[i]);
    }
    return formats;
}

// A container by extension or name: a few common names libsndfile's table
// lacks first, then the table itself (the first entry wins for "wav").
bool lookUpFormat(const std::string& key, FormatChoice& out) {
    static const struct {
        const char* name;
        int major, codec;
    } aliases[] = {
        {"aif", SF_FORMAT_AIFF, 0},
        {"aifc", SF_FORMAT_AIFF, 0},
        {"ogg", SF_FORMAT_OGG, SF_FORMAT_VORBIS},
        {"oga", SF_FORMAT_OGG, SF_FORMAT_VORBIS},
        {"opus", SF_FORMAT_OGG, SF_FORMAT_OPUS},
        {"mp3", SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III},
        {"m1a", SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III},
    };
    for (const auto& a : aliases)
        if (key == a.name) {
            out = {a.major, a.codec};
            return true;
        }
    for (const SF_FORMAT_INFO& f : majorFormats())
        if (f.extension && key == lower(f.extension)) {
            out = {f.format & SF_FORMAT_TYPEMASK, 0};
            return true;
        }
    return false;
}

} // namespace

bool knownFormatName(const std::string& name) {
    FormatChoice c;
    return lookUpFormat(lower(name), c);
}

std::string knownFormatNames() {
    std::vector<std::string> names = {"ogg", "opus", "mp3"};
    for (const SF_FORMAT_INFO& f : majorFormats())
        if (f.extension && std::find(names.begin(), names.end(), f.extension) == names.end())
            names.push_back(f.extension);
    std::sort(names.begin(), names.end());
    std::string s;
    for (const auto& n : names)
        s += (s.empty() ? "" : ", ") + n;
    return s;
}

int chooseOutputFormat(int inputFormat, const std::string& outPath, const std::string& format,
                       const std::string& bits, int channels, int rate, std::string* note) {
    FormatChoice choice{inputFormat & SF_FORMAT_TYPEMASK, 0};
    std::string kind = format.empty() ? extensionOf(outPath) : lower(format);
    if (!kind.empty() && !lookUpFormat(kind, choice)) {
        if (!format.empty())
            throw CliError(kExitUsage, "--format " + format +
                                           ": unknown format (known: " + knownFormatNames() + ")");
        throw CliError(kExitUsage, outPath + ": unknown output extension ." + kind +
                                       "; give --format (known: " + knownFormatNames() + ")");
    }
    // A container chosen by name may not hold the input's codec (Vorbis into
    // WAV, say); ogg names Vorbis unless the input already is Opus.
    if (choice.major == SF_FORMAT_OGG && choice.codec == 0)
        choice.codec =
            (inputFormat & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS ? SF_FORMAT_OPUS : SF_FORMAT_VORBIS;

    int sub = choice.codec ? choice.codec : inputFormat & SF_FORMAT_SUBMASK;
    // A coded input (MP3, GSM, ADPCM, ...) goes into another container as
    // plain samples: libsndfile's format check passes pairs it cannot write.
    const int inSub = inputFormat & SF_FORMAT_SUBMASK;
    const bool plainInput = inSub == SF_FORMAT_PCM_S8 || inSub == SF_FORMAT_PCM_U8 ||
                            inSub == SF_FORMAT_PCM_16 || inSub == SF_FORMAT_PCM_24 ||
                            inSub == SF_FORMAT_PCM_32 || inSub == SF_FORMAT_FLOAT ||
                            inSub == SF_FORMAT_DOUBLE;
    bool recoded = false;
    if (!choice.codec && bits.empty() && !plainInput &&
        choice.major != (inputFormat & SF_FORMAT_TYPEMASK)) {
        sub = 0;
        recoded = true;
    }
    if (!bits.empty()) {
        if (choice.codec)
            throw CliError(kExitUsage, "--bits " + bits +
                                           ": the output format is lossy and has "
                                           "no sample size");
        sub = bits == "8"       ? SF_FORMAT_PCM_S8
              : bits == "16"    ? SF_FORMAT_PCM_16
              : bits == "24"    ? SF_FORMAT_PCM_24
              : bits == "32"    ? SF_FORMAT_PCM_32
              : bits == "float" ? SF_FORMAT_FLOAT
                                : SF_FORMAT_DOUBLE;
    }
    if (sub == SF_FORMAT_OPUS && rate != 8000 && rate != 12000 && rate != 16000 && rate != 24000 &&
        rate != 48000)
        throw CliError(kExitUsage, outPath +
                                       ": Opus takes 8000, 12000, 16000, 24000 or 48000 Hz, "
                                       "not " +
                                       std::to_string(rate));
    SF_INFO probe{};
    probe.channels = channels;
    probe.samplerate = rate;
    probe.format = choice.major | sub;
    if (sub != 0 && sf_format_check(&probe)) return probe.format;
    // 8-bit WAV is unsigned.
    if (sub == SF_FORMAT_PCM_S8) {
        probe.format = choice.major | SF_FORMAT_PCM_U8;
        if (sf_format_check(&probe)) return probe.format;
    }
    if (!bits.empty())
        throw CliError(kExitUsage, "the output format cannot hold --bits " + bits + " samples");
    // The input's sample format does not fit the new container (float into
    // FLAC, say): 24-bit PCM keeps the most of it, else float, else 16 bits.
    for (int s : {SF_FORMAT_PCM_24, SF_FORMAT_FLOAT, SF_FORMAT_PCM_16}) {
        probe.format = choice.major | s;
        if (sf_format_check(&probe)) {
            if (recoded && note)
                *note = outPath + ": the input's encoding cannot go into this format; written as " +
                        (s == SF_FORMAT_PCM_24  ? "24-bit PCM"
                         : s == SF_FORMAT_FLOAT ? "32-bit float"
                                                : "16-bit PCM") +
                        " (--bits chooses)";
            return probe.format;
        }
    }
    throw CliError(kExitUsage, "no output format for " + outPath);
}

// ---- writing

AudioWriter::AudioWriter(const std::string& path, int format, int channels, int rate,
                         const WriterOptions& options)
    : path_(displayName(path, false)), opt_(options), channels_(channels) {
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
        info.format = format;
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
    info.format = format;
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
    for (int i = 0; i < kMaxTemps; ++i)
        if (gTempUsed[i] && temp_ == gTempPaths[i]) unregisterTemp(i);
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

std::vector<std::string> AudioWriter::carryMetadata(const Metadata& m) {
    std::vector<std::string> dropped;
    for (const auto& [id, text] : m.strings)
        if (sf_set_string(file_, id, text.c_str()) != 0) dropped.push_back(stringName(id));
    if (m.hasBroadcast) {
        // libsndfile takes the record with just its own coding history.
        BroadcastInfo bext;
        std::memcpy(&bext, m.broadcast.data(), sizeof bext);
        const std::size_t size = offsetof(SF_BROADCAST_INFO, coding_history) +
                                 std::min<std::size_t>(bext.coding_history_size, kBroadcastHistory);
        if (sf_command(file_, SFC_SET_BROADCAST_INFO, &bext,
                       static_cast<int>(std::max(size, sizeof(SF_BROADCAST_INFO)))) != SF_TRUE)
            dropped.push_back("broadcast extension");
    }
    // libsndfile accepts cue markers for any file but writes them into WAV
    // and AIFF only.
    const int major = written_ & SF_FORMAT_TYPEMASK;
    if (m.hasCues &&
        ((major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX && major != SF_FORMAT_AIFF) ||
         sf_command(file_, SFC_SET_CUE, const_cast<SF_CUES*>(&m.cues), sizeof m.cues) != SF_TRUE))
        dropped.push_back("cue markers");
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
    if (err != 0 || rename(temp_.c_str(), target_.path.c_str()) != 0) {
        std::string why = std::strerror(errno);
        unlink(temp_.c_str());
        throw CliError(kExitOutput, path_ + ": cannot write: " + why);
    }
}

// ---- whole files

void writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes) {
    OutputTarget t = resolveOutput(path);
    if (t.stream) {
        int fd = openStreamFd(t);
        bool ok = writeAll(fd, bytes.data(), bytes.size());
        if (!t.stdoutStream) ok = close(fd) == 0 && ok;
        if (!ok) throw CliError(kExitOutput, path + ": cannot write: " + std::strerror(errno));
        return;
    }
    std::string temp;
    int fd = makeTemp(t.path, temp);
    if (fd < 0) throw CliError(kExitOutput, path + ": cannot create: " + std::strerror(errno));
    int slot = registerTemp(temp);
    bool ok = writeAll(fd, bytes.data(), bytes.size());
    ok = (close(fd) == 0) && ok;
    if (!ok || rename(temp.c_str(), t.path.c_str()) != 0) {
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
