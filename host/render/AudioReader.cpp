#include "host/render/AudioReader.h"

#include "host/render/Options.h"
#include "host/render/OutputFormat.h"
#include "host/render/TempFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// libsndfile reads only plain WAV safely where it cannot seek: other
// containers (RF64, W64, AIFF, CAF, FLAC, Ogg, ...) arriving through a pipe
// (standard input, /dev/stdin, a named FIFO, a process substitution) come
// out empty or as garbage, so they are copied into an unlinked temporary
// file in $TMPDIR (else /tmp) first. A pipe is looked at without taking
// anything out of it (tee into a pipe of our own). Returns the descriptor to
// read, or -1 to read fd as it is.
int seekableCopy(int fd, const std::string& name) {
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISREG(st.st_mode) || S_ISBLK(st.st_mode) ||
        lseek(fd, 0, SEEK_CUR) != -1)
        return -1;
    char magic[12] = {};
    ssize_t got = 0;
    if (S_ISFIFO(st.st_mode)) {
        int peek[2];
        if (pipe(peek) != 0) return -1;
        // tee may copy fewer bytes than asked while the writer is slow: the
        // copy is read back and asked for again.
        for (int tries = 0; tries < 1000 && got < static_cast<ssize_t>(sizeof magic); ++tries) {
            ssize_t copied = tee(fd, peek[1], sizeof magic, 0);
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
    const char* tmp = std::getenv("TMPDIR");
    std::string spool = std::string(tmp && *tmp ? tmp : "/tmp") + "/dravo-render-XXXXXX";
    std::vector<char> spoolName(spool.begin(), spool.end());
    spoolName.push_back(0);
    int copy = mkstemp(spoolName.data());
    if (copy < 0)
        throw CliError(kExitInput, name + ": cannot keep the stream to read it: " +
                                       spoolName.data() + ": " + std::strerror(errno));
    unlink(spoolName.data());
    std::vector<unsigned char> buf(1 << 16);
    for (;;) {
        ssize_t n = ::read(fd, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (!writeAll(copy, buf.data(), static_cast<std::size_t>(n))) {
            std::string why = std::strerror(errno);
            close(copy);
            throw CliError(kExitInput, name + ": cannot keep the stream to read it: " + why);
        }
    }
    lseek(copy, 0, SEEK_SET);
    return copy;
}

// The bytes after a WAV file's data chunk that its header says is empty (a
// file its writer never finished), or 0.
long long bytesAfterEmptyData(int fd) {
    struct stat st;
    unsigned char h[12];
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || pread(fd, h, 12, 0) != 12 ||
        std::memcmp(h, "RIFF", 4) != 0 || std::memcmp(h + 8, "WAVE", 4) != 0)
        return 0;
    for (long long at = 12; at + 8 <= st.st_size;) {
        if (pread(fd, h, 8, at) != 8) return 0;
        const long long size = h[4] | h[5] << 8 | h[6] << 16 | static_cast<long long>(h[7]) << 24;
        if (std::memcmp(h, "data", 4) == 0) return size == 0 ? st.st_size - at - 8 : 0;
        at += 8 + size + (size & 1);
    }
    return 0;
}

} // namespace

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

// The chunks carried as they are, by their ids.
constexpr const char* kCarriedChunks[] = {"iXML", "axml", "_PMX"};

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
    if (sf_command(f, SFC_GET_INSTRUMENT, &m.instrument, sizeof m.instrument) == SF_TRUE)
        m.hasInstrument = true;
    for (const char* id : kCarriedChunks) {
        SF_CHUNK_INFO want{};
        std::memcpy(want.id, id, 4);
        want.id_size = 4;
        for (SF_CHUNK_ITERATOR* it = sf_get_chunk_iterator(f, &want); it;
             it = sf_next_chunk_iterator(it)) {
            SF_CHUNK_INFO chunk{};
            if (sf_get_chunk_size(it, &chunk) != SF_ERR_NO_ERROR || chunk.datalen == 0) continue;
            std::vector<unsigned char> data(chunk.datalen);
            chunk.data = data.data();
            if (sf_get_chunk_data(it, &chunk) == SF_ERR_NO_ERROR)
                m.chunks.emplace_back(id, std::move(data));
        }
    }
    return m;
}

AudioReader::AudioReader(const std::string& path) {
    const std::string name = displayName(path, true);
    // A file is opened by name; a stream (standard input, a FIFO, a device)
    // by descriptor, through a copy where it cannot be read as it comes.
    int fd = -1;
    bool ownFd = false;
    if (path == "-") {
        fd = STDIN_FILENO;
    } else {
        struct stat st;
        if (stat(path.c_str(), &st) != 0) throw CliError(kExitInput, path + ": no such file");
        if (S_ISDIR(st.st_mode)) throw CliError(kExitInput, path + ": is a directory");
        if (access(path.c_str(), R_OK) != 0)
            throw CliError(kExitInput, path + ": cannot read: " + std::strerror(errno));
        if (!S_ISREG(st.st_mode) && !S_ISBLK(st.st_mode)) {
            fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) throw CliError(kExitInput, path + ": cannot read: " + std::strerror(errno));
            ownFd = true;
        }
    }
    long long unfinished = 0;
    stream_ = fd >= 0;
    if (fd >= 0) {
        const int copy = seekableCopy(fd, name);
        if (copy >= 0) {
            if (ownFd) close(fd);
            fd = copy;
            ownFd = true;
            unfinished = bytesAfterEmptyData(fd);
        }
        struct stat st;
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) bytes_ = st.st_size;
        if (copy < 0) streamFd_ = fd;
        file_ = sf_open_fd(fd, SFM_READ, &info_, ownFd ? SF_TRUE : SF_FALSE);
        if (!file_ && ownFd) close(fd);
    } else {
        file_ = sf_open(path.c_str(), SFM_READ, &info_);
        struct stat st;
        if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) bytes_ = st.st_size;
        if (file_) {
            const int own = open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (own >= 0) {
                unfinished = bytesAfterEmptyData(own);
                close(own);
            }
        }
    }
    if (!file_)
        throw CliError(kExitInput, name + ": unknown or unsupported audio format (" +
                                       sf_strerror(nullptr) + ")");
    if (info_.frames == 0 && unfinished > 0) {
        sf_close(file_);
        file_ = nullptr;
        throw CliError(kExitInput, name + ": its header gives 0 frames, yet " +
                                       std::to_string(unfinished) +
                                       " bytes follow its data chunk (a file its writer never "
                                       "finished?); nothing to render");
    }
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
    // A stream is read no further than its audio: libsndfile would take
    // what follows out of the pipe with the last frames.
    if (streamFd_ >= 0 && !lengthUnknown_)
        n = std::max(0LL, std::min(n, info_.frames - framesRead_));
    long long got;
    if (!pcm_) {
        if constexpr (std::is_same_v<T, float>)
            got = sf_readf_float(file_, interleaved, n);
        else
            got = sf_readf_double(file_, interleaved, n);
    } else {
        // PCM arrives left-aligned in 32-bit integers: full scale is 2^31.
        scratch_.resize(static_cast<std::size_t>(n * info_.channels));
        got = sf_readf_int(file_, scratch_.data(), n);
        const double scale = 1.0 / 2147483648.0;
        for (long long i = 0; i < got * info_.channels; ++i)
            interleaved[i] = static_cast<T>(scratch_[static_cast<std::size_t>(i)] * scale);
    }
    framesRead_ += got;
    return got;
}

Metadata AudioReader::trailingMetadata(std::vector<std::string>& others) {
    Metadata m;
    if (streamFd_ < 0 || (info_.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_WAV) return m;
    // The rest of the stream, up to a size no metadata comes near.
    std::vector<unsigned char> rest;
    std::vector<unsigned char> buf(1 << 16);
    while (rest.size() < (64u << 20)) {
        ssize_t n = ::read(streamFd_, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        rest.insert(rest.end(), buf.begin(), buf.begin() + n);
    }
    streamFd_ = -1;
    static const struct {
        char id[5];
        int tag;
    } kInfo[] = {{"INAM", SF_STR_TITLE},       {"ICOP", SF_STR_COPYRIGHT},
                 {"ISFT", SF_STR_SOFTWARE},    {"IART", SF_STR_ARTIST},
                 {"ICMT", SF_STR_COMMENT},     {"ICRD", SF_STR_DATE},
                 {"IPRD", SF_STR_ALBUM},       {"ITRK", SF_STR_TRACKNUMBER},
                 {"IPRT", SF_STR_TRACKNUMBER}, {"IGNR", SF_STR_GENRE}};
    auto size32 = [&](std::size_t at) {
        return static_cast<std::size_t>(rest[at]) | static_cast<std::size_t>(rest[at + 1]) << 8 |
               static_cast<std::size_t>(rest[at + 2]) << 16 |
               static_cast<std::size_t>(rest[at + 3]) << 24;
    };
    // The data chunk's pad byte, if its length was odd, comes first.
    std::size_t at = !rest.empty() && rest[0] == 0 ? 1 : 0;
    while (at + 8 <= rest.size()) {
        const std::string id(rest.begin() + static_cast<long>(at),
                             rest.begin() + static_cast<long>(at) + 4);
        const std::size_t size = std::min(size32(at + 4), rest.size() - at - 8);
        const std::size_t body = at + 8;
        if (id == "LIST" && size >= 4 && std::memcmp(&rest[body], "INFO", 4) == 0) {
            for (std::size_t sub = body + 4; sub + 8 <= body + size;) {
                const std::size_t len = std::min(size32(sub + 4), body + size - sub - 8);
                std::string text(rest.begin() + static_cast<long>(sub + 8),
                                 rest.begin() + static_cast<long>(sub + 8 + len));
                text.resize(strnlen(text.c_str(), text.size()));
                bool known = false;
                for (const auto& info : kInfo)
                    if (std::memcmp(&rest[sub], info.id, 4) == 0 && !text.empty()) {
                        m.strings.emplace_back(info.tag, text);
                        known = true;
                    }
                if (!known && !text.empty())
                    others.push_back("LIST INFO " +
                                     std::string(rest.begin() + static_cast<long>(sub),
                                                 rest.begin() + static_cast<long>(sub) + 4) +
                                     " tag");
                sub += 8 + len + (len & 1);
            }
        } else {
            others.push_back(id + " chunk");
        }
        at = body + size + (size & 1);
    }
    return m;
}

double AudioReader::kbps() const {
    if (bytes_ <= 0 || info_.frames <= 0 || lengthUnknown_) return 0;
    return static_cast<double>(bytes_) * 8 * info_.samplerate / static_cast<double>(info_.frames) /
           1000;
}

long long AudioReader::read(float* interleaved, long long n) {
    return readAs(interleaved, n);
}
long long AudioReader::read(double* interleaved, long long n) {
    return readAs(interleaved, n);
}
