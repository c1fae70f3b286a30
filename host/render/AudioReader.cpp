#include "host/render/AudioReader.h"

#include "host/render/Options.h"
#include "host/render/OutputFormat.h"
#include "host/render/TempFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

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
