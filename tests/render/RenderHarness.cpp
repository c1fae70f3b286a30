#include "RenderHarness.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

const std::string kRenderTool = std::string(DRAVO_BINARY_DIR) + "/host/dravo-render";
const std::string kPeerPlugin = std::string(DRAVO_BINARY_DIR) + "/host/FakePeer.so";

namespace {

// The few libsndfile calls the tests make, looked up once.
struct Sndfile {
    decltype(&sf_open) open = nullptr;
    decltype(&sf_close) close = nullptr;
    decltype(&sf_readf_double) readf = nullptr;
    decltype(&sf_writef_double) writef = nullptr;
    decltype(&sf_command) command = nullptr;
    decltype(&sf_set_string) setString = nullptr;
    decltype(&sf_get_string) getString = nullptr;
    Sndfile() {
        void* lib = dlopen("libsndfile.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!lib) return;
        open = reinterpret_cast<decltype(open)>(dlsym(lib, "sf_open"));
        close = reinterpret_cast<decltype(close)>(dlsym(lib, "sf_close"));
        readf = reinterpret_cast<decltype(readf)>(dlsym(lib, "sf_readf_double"));
        writef = reinterpret_cast<decltype(writef)>(dlsym(lib, "sf_writef_double"));
        command = reinterpret_cast<decltype(command)>(dlsym(lib, "sf_command"));
        setString = reinterpret_cast<decltype(setString)>(dlsym(lib, "sf_set_string"));
        getString = reinterpret_cast<decltype(getString)>(dlsym(lib, "sf_get_string"));
    }
};

const Sndfile& sndfile() {
    static Sndfile s;
    return s;
}

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace

void RenderTest::SetUp() {
    ASSERT_NE(sndfile().open, nullptr) << "libsndfile.so.1 not found";
    ASSERT_EQ(access(kRenderTool.c_str(), X_OK), 0) << kRenderTool << " is not built";
    std::string tmpl = testing::TempDir() + "/render-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back(0);
    ASSERT_NE(mkdtemp(name.data()), nullptr);
    dir_ = name.data();
    mkdir((dir_ + "/home").c_str(), 0755);
}

void RenderTest::TearDown() {
    if (!dir_.empty() && !HasFailure()) std::system(("rm -rf " + quote(dir_)).c_str());
}

namespace {

std::string environment(const std::string& dir) {
    // A home of its own, so no stored user defaults reach the plug-in.
    return "HOME=" + quote(dir + "/home") + " XDG_CONFIG_HOME=" + quote(dir + "/home/.config");
}

} // namespace

CliRun RenderTest::runShell(const std::string& script) {
    std::string cmd = "cd " + quote(dir_) + " && " + environment(dir_) +
                      " DRAVO=" + quote(kRenderTool) + " sh -c " + quote(script) + " >" +
                      quote(dir_ + "/.stdout") + " 2>" + quote(dir_ + "/.stderr") + " </dev/null";
    int status = std::system(cmd.c_str());
    CliRun r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = slurp(dir_ + "/.stdout");
    r.err = slurp(dir_ + "/.stderr");
    unlink((dir_ + "/.stdout").c_str());
    unlink((dir_ + "/.stderr").c_str());
    return r;
}

CliRun RenderTest::run(const std::vector<std::string>& args) {
    std::string script = "exec \"$DRAVO\"";
    for (const auto& a : args)
        script += " " + quote(a);
    return runShell(script);
}

std::vector<std::string> RenderTest::files() const {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir_.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != ".." && n != "home") names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<unsigned char> RenderTest::readBytes(const std::string& name) const {
    std::string s = slurp(path(name));
    return std::vector<unsigned char>(s.begin(), s.end());
}

void RenderTest::writeBytes(const std::string& name,
                            const std::vector<unsigned char>& bytes) const {
    std::ofstream(path(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

void RenderTest::writeAudio(const std::string& name, const Audio& a) const {
    SF_INFO info{};
    info.channels = a.channels;
    info.samplerate = a.rate;
    info.format = a.format;
    SNDFILE* f = sndfile().open(path(name).c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << name;
    for (const auto& [id, text] : a.tags)
        EXPECT_EQ(sndfile().setString(f, id, text.c_str()), 0) << name;
    if (a.cues > 0) {
        SF_CUES cues{};
        cues.cue_count = static_cast<uint32_t>(a.cues);
        for (int i = 0; i < a.cues; ++i) {
            cues.cue_points[i].indx = i + 1;
            cues.cue_points[i].sample_offset = static_cast<uint32_t>(100 * i);
            std::memcpy(&cues.cue_points[i].fcc_chunk, "data", 4);
        }
        EXPECT_EQ(sndfile().command(f, SFC_SET_CUE, &cues, sizeof cues), SF_TRUE) << name;
    }
    if (!a.broadcast.empty()) {
        SF_BROADCAST_INFO b{};
        std::strncpy(b.description, a.broadcast.c_str(), sizeof b.description - 1);
        EXPECT_EQ(sndfile().command(f, SFC_SET_BROADCAST_INFO, &b, sizeof b), SF_TRUE) << name;
    }
    EXPECT_EQ(sndfile().writef(f, a.samples.data(), a.frames()), a.frames());
    sndfile().close(f);
}

Audio RenderTest::readAudio(const std::string& name) const {
    Audio a;
    SF_INFO info{};
    SNDFILE* f = sndfile().open(path(name).c_str(), SFM_READ, &info);
    if (!f) {
        ADD_FAILURE() << "cannot read " << name;
        return a;
    }
    a.rate = info.samplerate;
    a.channels = info.channels;
    a.format = info.format;
    a.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    sndfile().readf(f, a.samples.data(), info.frames);
    for (int id = SF_STR_FIRST; id <= SF_STR_LAST; ++id)
        if (const char* text = sndfile().getString(f, id); text && *text && id != SF_STR_SOFTWARE)
            a.tags.emplace_back(id, text);
    SF_CUES cues{};
    if (sndfile().command(f, SFC_GET_CUE, &cues, sizeof cues) == SF_TRUE)
        a.cues = static_cast<int>(cues.cue_count);
    SF_BROADCAST_INFO b{};
    if (sndfile().command(f, SFC_GET_BROADCAST_INFO, &b, sizeof b) == SF_TRUE)
        a.broadcast = std::string(b.description, strnlen(b.description, sizeof b.description));
    sndfile().close(f);
    return a;
}

Audio noise(double seconds, int channels, double level, int format, int rate) {
    Audio a;
    a.rate = rate;
    a.channels = channels;
    a.format = format;
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> u(-level, level);
    a.samples.resize(static_cast<std::size_t>(seconds * rate) * channels);
    for (auto& s : a.samples) {
        s = u(rng);
        // Exactly representable in a float file, so reading gives the same values.
        if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT) s = static_cast<float>(s);
    }
    return a;
}

bool sameSamples(const Audio& a, const Audio& b, long long frames) {
    if (a.channels != b.channels || a.frames() < frames || b.frames() < frames) return false;
    for (long long i = 0; i < frames * a.channels; ++i)
        if (a.samples[static_cast<std::size_t>(i)] != b.samples[static_cast<std::size_t>(i)])
            return false;
    return true;
}

double maxDiff(const Audio& a, const Audio& b) {
    double d = 0;
    for (std::size_t i = 0; i < std::min(a.samples.size(), b.samples.size()); ++i)
        d = std::max(d, std::fabs(a.samples[i] - b.samples[i]));
    return d;
}

Audio sine(double seconds, int channels, double level, double hz, int format) {
    Audio a;
    a.channels = channels;
    a.format = format;
    a.samples.resize(static_cast<std::size_t>(seconds * a.rate) * channels);
    for (std::size_t i = 0; i < a.samples.size(); ++i) {
        double t = static_cast<double>(i / channels) / a.rate;
        a.samples[i] = static_cast<float>(level * std::sin(2 * 3.14159265358979323846 * hz * t));
    }
    return a;
}

double amplitudeAt(const Audio& a, int channel, double f, long long from, long long to) {
    double c = 0, s = 0;
    const double w = 2 * 3.14159265358979323846 * f / a.rate;
    for (long long i = from; i < to; ++i) {
        double x = a.samples[static_cast<std::size_t>(i * a.channels + channel)];
        c += x * std::cos(w * i);
        s += x * std::sin(w * i);
    }
    return 2 * std::sqrt(c * c + s * s) / static_cast<double>(to - from);
}
