// dravo-render: processes an audio file through a VST 2.x plug-in (ours by
// default), plots the response of its settings, and benchmarks it.
#include "host/render/AudioIO.h"
#include "host/render/Bench.h"
#include "host/render/Options.h"
#include "host/render/Render.h"
#include "host/render/Response.h"
#include "host/render/Settings.h"

#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// Whether two paths name one file, existing or yet to be written: the same
// file, or the same name in the same directory ("out.wav" and "./out.wav").
bool samePlace(const std::string& a, const std::string& b) {
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

// Every file the tool will write, none of them the input and no two alike,
// checked before anything is written (a plot named like the input replaced it).
void checkOutputsApart(const RenderOptions& o, const std::string& plotData) {
    std::vector<std::pair<std::string, const char*>> outs;
    if (!o.output.empty()) outs.emplace_back(o.output, "OUT");
    if (!o.plotFile.empty()) {
        outs.emplace_back(o.plotFile, "--plot");
        outs.emplace_back(plotData, "--plot-data");
    }
    if (!o.chunkFile.empty()) outs.emplace_back(o.chunkFile, "--chunk");
    for (std::size_t i = 0; i < outs.size(); ++i) {
        if (!o.input.empty() && sameFile(o.input, outs[i].first))
            throw CliError(kExitOutput,
                           outs[i].first + ": is the input file; it is never overwritten");
        for (std::size_t j = 0; j < i; ++j)
            if (samePlace(outs[i].first, outs[j].first))
                throw CliError(kExitUsage, outs[i].first + ": named for two outputs (" +
                                               outs[j].second + " and " + outs[i].second + ")");
    }
}

// Fails early, before anything is written, for an output that cannot be.
void checkWritable(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        throw CliError(kExitOutput, path + ": is a directory");
    auto slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw CliError(kExitOutput, path + ": the directory " + dir + " does not exist");
    if (access(dir.c_str(), W_OK) != 0)
        throw CliError(kExitOutput, path + ": cannot write into " + dir);
}

std::string plotDataPath(const RenderOptions& o) {
    if (!o.plotData.empty()) return o.plotData;
    std::string p = o.plotFile;
    auto slash = p.rfind('/');
    auto dot = p.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) p.resize(dot);
    return p + ".csv";
}

int run(int argc, char** argv) {
    RenderOptions o = parseOptions(argc, argv);
    if (o.help) {
        std::fputs(usageText(), stdout);
        return kExitOk;
    }
    installCleanupHandlers();
    if (!o.output.empty()) checkWritable(o.output);
    if (!o.plotFile.empty()) {
        checkWritable(o.plotFile);
        checkWritable(plotDataPath(o));
    }
    if (!o.chunkFile.empty()) checkWritable(o.chunkFile);
    checkOutputsApart(o, o.plotFile.empty() ? std::string() : plotDataPath(o));
    if (o.list) listPlugin(o);

    // Everything is checked and prepared before the first file is written.
    std::unique_ptr<AudioReader> reader;
    std::unique_ptr<PluginSession> render;
    if (!o.input.empty()) {
        reader = std::make_unique<AudioReader>(o.input);
        render = std::make_unique<PluginSession>(
            openSession(o, reader->rate(), o.block, reader->channels()));
    }
    std::unique_ptr<Response> response;
    if (!o.plotFile.empty()) {
        double rate = o.plotRate > 0 ? o.plotRate : reader ? reader->rate() : 44100.0;
        PluginSession s = openSession(o, rate, o.block, 2);
        response = std::make_unique<Response>(measureResponse(s, rate, o.useDouble, o.block));
    }
    if (o.bench) runBench(o);

    // What can still fail without writing (drawing the plot, asking for the
    // chunk) is done before the first file is written.
    std::vector<unsigned char> png;
    if (response) png = drawResponsePng(*response, o.phase);
    std::vector<unsigned char> chunk;
    if (!o.chunkFile.empty()) {
        // The state after the settings, from the render session or a new one.
        if (render) {
            chunk = sessionChunk(*render);
        } else {
            PluginSession s = openSession(o, 44100.0, o.block, 2);
            chunk = sessionChunk(s);
        }
    }

    if (reader) {
        int format = chooseOutputFormat(reader->format(), o.output, o.format, o.bits,
                                        reader->channels(), reader->rate());
        AudioWriter writer(o.output, format, reader->channels(), reader->rate());
        RenderStats st = renderFile(*render, *reader, writer, o);
        writer.commit();
        if (!o.quiet)
            std::fprintf(stderr, "%s: %lld frames in, %lld out (latency %d%s, tail up to %lld)\n",
                         o.output.c_str(), st.inputFrames, st.outputFrames, st.latency,
                         o.compensate ? " compensated" : " kept", st.tail);
    }
    if (response) {
        writeFileAtomically(o.plotFile, png);
        writeResponseCsv(*response, plotDataPath(o));
        releasePlotResources();
    }
    if (!o.chunkFile.empty()) writeFileAtomically(o.chunkFile, chunk);
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
