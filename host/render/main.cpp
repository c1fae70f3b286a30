// dravo-render: processes an audio file through a VST 2.x plug-in (ours by
// default), plots the response of its settings, and benchmarks it.
#include "host/render/AudioIO.h"
#include "host/render/Bench.h"
#include "host/render/Options.h"
#include "host/render/Render.h"
#include "host/render/Response.h"
#include "host/render/Settings.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Whether two paths name one existing file; an input "-" is the file (if
// any) that the standard input reads ("dravo-render - in.wav < in.wav").
bool sameFile(const std::string& a, const std::string& b) {
    if (b == "-") return false;
    struct stat sa, sb;
    bool haveA =
        a == "-" ? fstat(STDIN_FILENO, &sa) == 0 && S_ISREG(sa.st_mode) : stat(a.c_str(), &sa) == 0;
    return haveA && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Whether two paths name one file, existing or yet to be written: the same
// file, or the same name in the same directory ("out.wav" and "./out.wav").
bool samePlace(const std::string& a, const std::string& b) {
    if (a == "-" || b == "-") return a == b;
    if (sameFile(a, b)) return true;
    auto split = [](const std::string& p, std::string& dir, std::string& base) {
        auto slash = p.rfind('/');
        dir = slash == std::string::npos ? "." : slash == 0 ? "/" : p.substr(0, slash);
        base = slash == std::string::npos ? p : p.substr(slash + 1);
    };
    std::string da, ba, db, bb;
    split(a, da, ba);
    split(b, db, bb);
    return ba == bb && sameFile(da, db);
}

struct Job {
    std::string in, out;
    int format = 0;
    std::unique_ptr<AudioReader> reader;
    bool failed = false; // could not be read; named already
    int code = kExitOk;  // why it failed
};

// Every file the tool will write, none of them an input and no two alike,
// checked before anything is written (a plot named like the input replaced it).
void checkOutputsApart(const RenderOptions& o, const std::vector<Job>& jobs,
                       const std::string& plotData) {
    std::vector<std::pair<std::string, std::string>> outs;
    for (const auto& j : jobs)
        outs.emplace_back(j.out, jobs.size() == 1 ? std::string("OUT")
                                                  : "the output of " + displayName(j.in, true));
    if (!o.plotFile.empty()) {
        outs.emplace_back(o.plotFile, "--plot");
        outs.emplace_back(plotData, "--plot-data");
    }
    if (!o.chunkFile.empty() && !chunkIsInput(o)) outs.emplace_back(o.chunkFile, "--chunk");
    for (std::size_t i = 0; i < outs.size(); ++i) {
        for (const auto& in : o.inputs)
            if (sameFile(in, outs[i].first))
                throw CliError(kExitOutput,
                               outs[i].first +
                                   (in == "-"              ? ": is the standard input"
                                    : o.inputs.size() == 1 ? ": is the input file"
                                                           : ": is one of the input files") +
                                   "; it is never overwritten");
        for (std::size_t j = 0; j < i; ++j)
            if (samePlace(outs[i].first, outs[j].first))
                throw CliError(kExitUsage, outs[i].first + ": named for two outputs (" +
                                               outs[j].second + " and " + outs[i].second + ")");
        if (outs[i].first == "-" && (o.list || o.bench))
            throw CliError(kExitUsage, outs[i].second +
                                           " is the standard output, where --list and --bench "
                                           "print too");
    }
}

// The plot is a PNG image: written into a file named .png (or a stream),
// and over an existing file only where that is a PNG image too.
void checkPlotTarget(const std::string& path) {
    if (resolveOutput(path).stream) return;
    auto dot = path.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : path.substr(dot);
    for (auto& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext != ".png")
        throw CliError(kExitUsage, "--plot " + path + ": the plot is a PNG image; name it .png");
    static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    unsigned char head[8] = {};
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && st.st_size > 0) {
        FILE* f = std::fopen(path.c_str(), "rb");
        const bool png = f && std::fread(head, 1, 8, f) == 8 && std::memcmp(head, kPng, 8) == 0;
        if (f) std::fclose(f);
        if (!png)
            throw CliError(kExitOutput, "--plot " + path +
                                            ": the file there is not a PNG image; it is not "
                                            "replaced");
    }
}

std::string plotDataPath(const RenderOptions& o) {
    if (!o.plotData.empty()) return o.plotData;
    std::string p = o.plotFile;
    auto slash = p.rfind('/');
    auto dot = p.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) p.resize(dot);
    return p + ".csv";
}

std::string seconds(long long frame, int rate) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f s", static_cast<double>(frame) / rate);
    return buf;
}

std::string dbfs(double peak) {
    char buf[32];
    if (peak <= 0)
        std::snprintf(buf, sizeof buf, "-inf dBFS");
    else
        std::snprintf(buf, sizeof buf, "%+.2f dBFS", 20.0 * std::log10(peak));
    return buf;
}

// "a, b and c"
std::string joined(const std::vector<std::string>& parts) {
    std::string list;
    for (std::size_t i = 0; i < parts.size(); ++i)
        list += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    return list;
}

void warn(const std::string& message) {
    std::fprintf(stderr, "dravo-render: warning: %s\n", message.c_str());
}

// A lossy output's quality: --quality, else an MP3's bit rate kept into MP3,
// else libsndfile's default. Returns what the summary says of it.
std::string chooseQuality(const Job& job, const RenderOptions& o, WriterOptions& wo) {
    if (!isLossy(job.format)) {
        if (o.quality >= 0)
            throw CliError(kExitUsage, "--quality: " + displayName(job.out, false) +
                                           " is not lossy; --quality is for Ogg Vorbis, Opus "
                                           "and MP3");
        return {};
    }
    char text[96];
    if (o.quality >= 0) {
        wo.compression = 1 - o.quality;
        std::snprintf(text, sizeof text, ", quality %g (--quality)", o.quality);
        return text;
    }
    const bool mp3 = (job.format & SF_FORMAT_SUBMASK) == SF_FORMAT_MPEG_LAYER_III;
    const double kbps = job.reader->kbps();
    if (mp3 && (job.reader->format() & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG && kbps > 0) {
        // The encoder's constant bit rate is the step nearest to
        // 32 + 288 x (1 - level) kb/s: the step at or above the input's.
        static const int kSteps[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
        int rate = 320;
        for (int step : kSteps)
            if (step >= kbps - 1) {
                rate = step;
                break;
            }
        wo.bitrateMode = SF_BITRATE_MODE_CONSTANT;
        wo.compression = 1.0 - (rate - 32) / 288.0;
        std::snprintf(text, sizeof text, ", MP3 at %d kb/s constant, as the input", rate);
        return text;
    }
    return ", libsndfile's default quality (--quality sets it)";
}

// Renders one file; what it found in the input is said before the output is
// committed, which may still refuse it.
void renderJob(Job& job, PluginSession& session, const RenderOptions& o) {
    WriterOptions wo;
    wo.dither = o.dither;
    wo.failOnClip = o.failOnClip;
    wo.allowNonFinite = o.allowNonFinite;
    wo.maxFrames = outputFramesAtMost(
        session, job.reader->lengthUnknown() ? -1 : job.reader->frames(), job.reader->rate(), o);
    const std::string inName = displayName(job.in, true), outName = displayName(job.out, false);
    const int rate = job.reader->rate();
    // The output has the plug-in's channels, which a mono file through a
    // stereo plug-in makes two.
    const int channels = session.outChannels;
    if (channels != job.reader->channels())
        job.format =
            chooseOutputFormat(job.reader->format(), job.out, o.format, o.bits, channels, rate);
    const std::string quality = chooseQuality(job, o, wo);
    AudioWriter writer(job.out, job.format, channels, rate, wo);
    std::vector<std::string> dropped = writer.carryMetadata(job.reader->metadata());
    if (!dropped.empty())
        warn(outName + ": the output format cannot hold the input's " + joined(dropped) +
             "; dropped");
    RenderStats st = renderFile(session, *job.reader, writer, o, inName);
    // Tags a WAV stream holds after its audio, seen only now.
    std::vector<std::string> unread;
    const Metadata late = job.reader->trailingMetadata(unread);
    if (!late.strings.empty()) {
        for (const auto& name : writer.carryLateMetadata(late))
            unread.push_back(name);
    }
    if (!unread.empty())
        warn(outName + ": the input's " + joined(unread) + " after its audio cannot go into " +
             "the output; dropped");
    if (st.nonFiniteInput > 0)
        warn(inName + ": " + std::to_string(st.nonFiniteInput) +
             (st.nonFiniteInput == 1 ? " input sample is" : " input samples are") +
             " not finite (NaN or infinite), the first in frame " +
             std::to_string(st.firstNonFiniteFrame) + " (" + seconds(st.firstNonFiniteFrame, rate) +
             ")");
    if (st.endedEarly)
        warn(inName + ": the file ends early: " + std::to_string(st.inputFrames) +
             (st.inputFrames == 1 ? " frame read" : " frames read") +
             (st.headerFrames > 0
                  ? " of the " + std::to_string(st.headerFrames) + " its header gives"
                  : " (its header gives more)"));
    if (st.latencyChangedAt >= 0 && st.alignedToLater && o.compensate)
        warn(inName + ": the plug-in's latency changed from " + std::to_string(st.earlierLatency) +
             " to " + std::to_string(st.laterLatency) + " samples at " +
             seconds(st.latencyChangedAt, rate) + "; the whole output is lined up for " +
             std::to_string(st.laterLatency) + ", so the part before is off by " +
             std::to_string(std::abs(st.laterLatency - st.earlierLatency)) + " samples");
    else if (st.latencyChangedAt >= 0 && !st.alignedToLater)
        warn(inName + ": the plug-in's latency changed from " + std::to_string(st.earlierLatency) +
             " to " + std::to_string(st.laterLatency) + " samples at " +
             seconds(st.latencyChangedAt, rate) + "; the output after it is not aligned");
    if (st.tailCut)
        warn(outName + ": the tail was cut at " + seconds(st.tail, rate) +
             " after the input while the output still sounded (--tail N renders more)");
    const OutputStats& os = writer.stats();
    std::string over;
    if (os.overFullScale > 0)
        over = "; " + std::to_string(os.overFullScale) +
               (os.overFullScale == 1 ? " sample" : " samples") +
               (os.clips         ? " clipped"
                : os.floatOutput ? " over full scale (kept: float)"
                                 : " over full scale") +
               " (peak " + dbfs(os.peak) + ", the first at " + seconds(os.firstOverFrame, rate) +
               ")";
    if (writer.isRf64()) over += "; written as RF64: the data passes the 4 GiB a WAV file holds";
    if (!o.quiet || !over.empty())
        std::fprintf(stderr, "%s: %lld %s in, %lld out (latency %d%s, tail %lld), peak %s%s\n",
                     outName.c_str(), st.inputFrames, st.inputFrames == 1 ? "frame" : "frames",
                     st.outputFrames, st.latency, st.compensated ? " compensated" : " kept",
                     std::max(0LL, st.outputFrames - st.inputFrames), dbfs(os.peak).c_str(),
                     (quality + over).c_str());
    writer.commit();
}

int run(int argc, char** argv) {
    RenderOptions o = parseOptions(argc, argv);
    if (o.help) {
        std::fputs(usageText(), stdout);
        return kExitOk;
    }
    if (o.version) {
        std::printf("dravo-render %s (%s)\n", DRAVO_VERSION, sf_version_string());
        return kExitOk;
    }
    installCleanupHandlers();
    if (!o.outDir.empty()) {
        struct stat st;
        if (stat(o.outDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            throw CliError(kExitOutput, "-o " + o.outDir + ": no such directory");
    }
    std::vector<Job> jobs(o.inputs.size());
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        jobs[i].in = o.inputs[i];
        jobs[i].out = outputFor(o, i);
        resolveOutput(jobs[i].out);
    }
    if (!o.plotFile.empty()) {
        resolveOutput(o.plotFile);
        resolveOutput(plotDataPath(o));
    }
    // A chunk file that is there is read, never written: one named as input
    // by mistake (an audio file, another plug-in's state) stays as it was.
    const bool saveChunk = !o.chunkFile.empty() && !chunkIsInput(o);
    if (saveChunk) resolveOutput(o.chunkFile);
    if (!o.chunkFile.empty() && !saveChunk && o.inputs.empty() && o.plotFile.empty() && !o.bench &&
        !o.list)
        throw CliError(kExitUsage, "--chunk " + o.chunkFile +
                                       ": the file is there, so it is only read, and there is "
                                       "nothing else to do; name a new file to save the state");
    checkOutputsApart(o, jobs, o.plotFile.empty() ? std::string() : plotDataPath(o));
    if (!o.plotFile.empty()) checkPlotTarget(o.plotFile);
    if (o.list) listPlugin(o);

    // Everything is checked and prepared before the first file is written:
    // every input is opened and its output format chosen. Several inputs are
    // opened again when their turn comes.
    // In a batch, a file that cannot be read is named and left out; the
    // others are still written.
    for (auto& j : jobs) {
        try {
            j.reader = std::make_unique<AudioReader>(j.in);
            std::string note;
            j.format = chooseOutputFormat(j.reader->format(), j.out, o.format, o.bits,
                                          j.reader->channels(), j.reader->rate(), &note);
            if (!note.empty()) std::fprintf(stderr, "dravo-render: %s\n", note.c_str());
        } catch (const CliError& e) {
            if (jobs.size() == 1) throw;
            std::fprintf(stderr, "dravo-render: %s\n", e.what());
            j.code = e.code;
            j.failed = true;
        }
        // A stream (a FIFO) cannot be opened twice: it stays open.
        if (jobs.size() > 1 && j.reader && !j.reader->isStream()) j.reader.reset();
    }
    std::unique_ptr<PluginSession> render;
    if (jobs.size() == 1)
        render = std::make_unique<PluginSession>(
            openSession(o, jobs[0].reader->rate(), o.block, jobs[0].reader->channels()));
    std::unique_ptr<Response> response;
    if (!o.plotFile.empty()) {
        double rate = o.plotRate > 0     ? o.plotRate
                      : jobs.size() == 1 ? jobs[0].reader->rate()
                                         : 44100.0;
        std::unique_ptr<PluginSession> s;
        try {
            s = std::make_unique<PluginSession>(openSession(o, rate, o.block, 0));
        } catch (const CliError& e) {
            // A rate the plug-in refuses is a fault of --rate, not of a file.
            if (o.plotRate > 0 && e.code == kExitInput)
                throw CliError(kExitUsage, std::string("--rate: ") + e.what());
            throw;
        }
        response = std::make_unique<Response>(measureResponse(*s, rate, o.useDouble, o.block));
    }
    if (o.bench) runBench(o);

    // What can still fail without writing (drawing the plot, asking for the
    // chunk) is done before the first file is written.
    std::vector<unsigned char> png;
    if (response) png = drawResponsePng(*response, o.phase);
    std::vector<unsigned char> chunk;
    if (saveChunk) {
        // The state after the settings, from the render session or a new one.
        if (render) {
            chunk = sessionChunk(*render);
        } else {
            PluginSession s = openSession(o, 44100.0, o.block, 0);
            chunk = sessionChunk(s);
        }
    }

    if (jobs.size() == 1) {
        renderJob(jobs[0], *render, o);
    } else if (!jobs.empty()) {
        // A batch goes on past a file that fails; the first failure's code is
        // the exit code.
        int written = 0;
        for (auto& j : jobs) {
            if (j.failed) continue;
            try {
                if (!j.reader) j.reader = std::make_unique<AudioReader>(j.in);
                PluginSession s = openSession(o, j.reader->rate(), o.block, j.reader->channels());
                renderJob(j, s, o);
                ++written;
            } catch (const CliError& e) {
                std::fprintf(stderr, "dravo-render: %s\n", e.what());
                j.code = e.code;
            }
            j.reader.reset();
        }
        if (!o.quiet || written < static_cast<int>(jobs.size()))
            std::fprintf(stderr, "dravo-render: %zu files: %d written to %s, %zu failed\n",
                         jobs.size(), written, o.outDir.c_str(), jobs.size() - written);
    }
    if (response) {
        writeFileAtomically(o.plotFile, png);
        writeResponseCsv(*response, plotDataPath(o));
        releasePlotResources();
    }
    if (saveChunk) writeFileAtomically(o.chunkFile, chunk);
    // The exit code of a batch is that of the first file, in the order
    // given, that failed.
    for (const auto& j : jobs)
        if (j.code != kExitOk) return j.code;
    return kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const CliError& e) {
        std::fprintf(stderr, "dravo-render: %s\n", e.what());
        return e.code;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dravo-render: %s\n", e.what());
        return 1;
    }
}
