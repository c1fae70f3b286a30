#include "host/render/Options.h"

#include "host/render/AudioIO.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

bool parseNumber(const std::string& s, double& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtod(s.c_str(), &end);
    return errno == 0 && end && *end == 0 && std::isfinite(out);
}

bool parseInt(const std::string& s, long& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtol(s.c_str(), &end, 10);
    return errno == 0 && end && *end == 0;
}

[[noreturn]] void usageError(const std::string& message) {
    throw CliError(kExitUsage, message + " (see dravo-render --help)");
}

// What a call does; an option that does nothing in every mode chosen is
// refused rather than ignored.
enum Mode : unsigned { kRender = 1, kPlot = 2, kBench = 4, kList = 8, kChunkAlone = 16 };

const struct {
    const char* name;
    unsigned modes;
} kOptionModes[] = {
    {"--block", kRender | kPlot | kBench},
    {"--double", kRender | kPlot | kBench},
    {"--no-compensate", kRender},
    {"--tail", kRender},
    {"--format", kRender},
    {"--bits", kRender},
    {"--quality", kRender},
    {"--no-dither", kRender},
    {"--no-clip", kRender},
    {"--allow-nonfinite", kRender},
    {"--quiet", kRender},
    {"--plot-data", kPlot},
    {"--phase", kPlot},
    {"--rate", kPlot},
    {"--runs", kBench},
};

std::string modeNames(unsigned modes, const char* joiner) {
    std::vector<std::string> names;
    if (modes & kRender) names.push_back("rendering files");
    if (modes & kPlot) names.push_back("--plot");
    if (modes & kBench) names.push_back("--bench");
    if (modes & kList) names.push_back("--list");
    if (modes & kChunkAlone) names.push_back("--chunk alone");
    std::string s;
    for (std::size_t i = 0; i < names.size(); ++i)
        s += (i == 0 ? "" : i + 1 == names.size() ? joiner : ", ") + names[i];
    return s;
}

} // namespace

const char* usageText() {
    return "usage: dravo-render IN OUT [options]\n"
           "       dravo-render IN... -o DIR [options]\n"
           "       dravo-render --plot FILE.png [options]\n"
           "       dravo-render --bench [SECONDS] [options]\n"
           "\n"
           "Processes audio files (mono or stereo, any format libsndfile reads: WAV, AIFF,\n"
           "FLAC, Ogg/Vorbis, Opus, ...) through a VST 2.x plug-in, plots its response, or\n"
           "measures its speed. Options may come before or after the file names. IN or OUT\n"
           "\"-\" is the standard input or output; a pipe or a device is written to as it\n"
           "is, a symbolic link is followed and its target replaced (a loop of links is\n"
           "refused); a file with hard links or another owner is written over in place.\n"
           "A WAV file that may pass 4 GiB is written as RF64 (as WAV if it fits after all).\n"
           "\n"
           "Channels: a mono file feeds every input of the plug-in (ours takes it as mono);\n"
           "the output has as many channels as the plug-in has outputs, at most two, so a\n"
           "mono file through a stereo plug-in gives a stereo file. A stereo file through a\n"
           "plug-in with one input and one output runs through two instances of it, one\n"
           "per channel, with the same settings; with one input and two outputs it is\n"
           "refused.\n"
           "\n"
           "Each option below is for the modes its heading names; one that would do\n"
           "nothing in the modes chosen is refused.\n"
           "\n"
           "plug-in and settings (every mode)\n"
           "  --plugin PATH          any VST 2.x plug-in .so (default: Vey Dravo, built beside\n"
           "                         this tool)\n"
           "  --id CODE              refuse a plug-in whose unique ID is not CODE (four\n"
           "                         characters; checked as ZkVw for the default plug-in)\n"
           "  --preset NAME|INDEX    select a preset of the plug-in's bank (its programs for\n"
           "                         other plug-ins)\n"
           "  --set NAME=TEXT        set a parameter to the value the plug-in shows as TEXT,\n"
           "                         e.g. --set OUTPUT=-4dB, --set Hfreq=10k, --set LSR=Left\n"
           "                         (the unit may be left out, k means kHz); repeatable\n"
           "  --param NAME|INDEX=V   set a parameter to the normalised value V in 0..1;\n"
           "                         repeatable. NAME may name the section: MID1.freq,\n"
           "                         MID2.gain, LOW.gain (needed where two sections share a\n"
           "                         name, see --list)\n"
           "  --load-bank FILE       load a Vey Dravo bank file (.kab)\n"
           "  --load-preset FILE     load a Vey Dravo preset file (.vey) into the selected preset\n"
           "  --chunk FILE           the plug-in's state as a host keeps it: restored from FILE\n"
           "                         first when FILE exists (which is then never written; a\n"
           "                         chunk the plug-in does not take is refused), else saved\n"
           "                         to FILE after the settings are applied (also on its own,\n"
           "                         without files)\n"
           "  --list                 list the plug-in's presets and parameters\n"
           "\n"
           "processing (rendering files; --block and --double also for --plot and --bench)\n"
           "  -o DIR                 write each input into DIR under its own name (several\n"
           "                         inputs in one call); a file that fails is named and the\n"
           "                         others are still written, and the exit code is that of\n"
           "                         the first file, in the order given, that failed\n"
           "  --block N              block size in samples (default 512)\n"
           "  --double               64-bit floating-point processing\n"
           "  --no-compensate        keep the plug-in's latency in the output (default: the\n"
           "                         output lines up with the input sample for sample)\n"
           "  --tail N               exactly N frames written after the input (default: at\n"
           "                         least the plug-in's tail size, then until the output has\n"
           "                         been silent for 0.2 s, at most 60 s, and written up to\n"
           "                         its last frame that is not silent in the output format:\n"
           "                         below half a step of 16/24-bit PCM, or -144 dBFS for\n"
           "                         float)\n"
           "  --format NAME          output container: wav, aiff, flac, ogg (Vorbis), opus,\n"
           "                         mp3, caf, w64, rf64, au and the rest of libsndfile's\n"
           "                         table (an MP3 or other coded input going into another\n"
           "                         container is written as 24-bit PCM unless --bits says)\n"
           "                         (default: from OUT's extension, which must be one of\n"
           "                         these; without an extension, the input's)\n"
           "  --bits 8|16|24|32|float|double\n"
           "                         output sample format (default: the input's)\n"
           "  --quality Q            quality of a lossy output (Ogg Vorbis, Opus, MP3), 0 to 1,\n"
           "                         1 the best (libsndfile's compression level 1 - Q);\n"
           "                         default: an MP3 made from an MP3 keeps its bit rate\n"
           "                         (constant), else libsndfile's default; the summary says\n"
           "                         which\n"
           "  --no-dither            no TPDF dither (default: dithered when writing 16 bits or\n"
           "                         fewer; samples already on the output's grid stay exact)\n"
           "  --no-clip              fail instead of writing when a sample is over full scale\n"
           "                         (clipped samples are always reported)\n"
           "  --allow-nonfinite      write NaN or infinite output samples instead of failing\n"
           "  -q, --quiet            no progress bar and no summary (warnings still shown)\n"
           "\n"
           "response plot (--plot)\n"
           "  --plot FILE.png        magnitude response of the current settings, measured\n"
           "                         through the plug-in (10 Hz up to half the sample rate);\n"
           "                         a file there is replaced only if it is a PNG image\n"
           "  --phase                draw the phase response too, unwrapped, in its own panel\n"
           "                         (the plug-in's latency taken out, also one it reports\n"
           "                         only once it runs)\n"
           "  --plot-data FILE.csv   where to write the plotted values (default: beside the\n"
           "                         PNG, with the extension .csv)\n"
           "  --rate HZ              sample rate of the measurement (default: the input's, or\n"
           "                         44100); --phase, --plot-data and --rate need --plot,\n"
           "                         --runs needs --bench\n"
           "\n"
           "benchmark (--bench)\n"
           "  --bench [SECONDS]      real-time factor on stereo noise (mono for a plug-in of\n"
           "                         one input) at 44.1 kHz with the chosen block size and\n"
           "                         precision (default 10 s per run)\n"
           "  --runs N               number of timed runs (default 5)\n"
           "\n"
           "  --version              the tool's version\n"
           "\n"
           "exit codes: 0 done, 2 command line, 3 input file, 4 plug-in, 5 output file,\n"
           "6 output refused (non-finite samples, or clipping with --no-clip)\n";
}

RenderOptions parseOptions(int argc, char** argv) {
    RenderOptions o;
    std::vector<std::string> positional;
    std::string benchNext; // the word after a --bench that took no duration
    std::vector<std::string> given;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = arg, inlineValue;
        bool hasInline = false;
        if (arg.rfind("--", 0) == 0) {
            auto eq = arg.find('=');
            if (eq != std::string::npos) {
                name = arg.substr(0, eq);
                inlineValue = arg.substr(eq + 1);
                hasInline = true;
            }
        }
        auto value = [&]() -> std::string {
            if (hasInline) return inlineValue;
            if (i + 1 >= argc) usageError(name + " needs a value");
            return argv[++i];
        };
        auto flag = [&]() {
            if (hasInline) usageError(name + " takes no value");
        };

        given.push_back(name == "-q" ? "--quiet" : name);
        if (name == "-h" || name == "--help") {
            flag();
            o.help = true;
        } else if (name == "--plugin") {
            o.pluginPath = value();
        } else if (name == "--id") {
            o.requireId = value();
            if (o.requireId.size() != 4) usageError("--id needs four characters");
        } else if (name == "--preset") {
            o.preset = value();
            o.presetGiven = true;
        } else if (name == "--param") {
            std::string v = value();
            auto eq = v.rfind('=');
            double d;
            if (eq == std::string::npos || eq == 0)
                usageError("--param needs NAME=VALUE or INDEX=VALUE");
            if (!parseNumber(v.substr(eq + 1), d) || d < 0.0 || d > 1.0)
                usageError("--param " + v + ": the value must be a number in 0..1");
            ParamSetting ps;
            ps.key = v.substr(0, eq);
            ps.value = static_cast<float>(d);
            o.params.push_back(ps);
        } else if (name == "--set") {
            std::string v = value();
            auto eq = v.find('=');
            if (eq == std::string::npos || eq == 0 || eq + 1 == v.size())
                usageError("--set needs NAME=TEXT, e.g. --set OUTPUT=-4dB");
            ParamSetting ps;
            ps.key = v.substr(0, eq);
            ps.text = v.substr(eq + 1);
            ps.byText = true;
            o.params.push_back(ps);
        } else if (name == "-o" || name == "--output-dir") {
            o.outDir = value();
        } else if (name == "--no-dither") {
            flag();
            o.dither = false;
        } else if (name == "--no-clip") {
            flag();
            o.failOnClip = true;
        } else if (name == "--allow-nonfinite") {
            flag();
            o.allowNonFinite = true;
        } else if (name == "--version") {
            flag();
            o.version = true;
        } else if (name == "--load-preset") {
            o.loadPreset = value();
        } else if (name == "--load-bank") {
            o.loadBank = value();
        } else if (name == "--chunk") {
            o.chunkFile = value();
        } else if (name == "--block") {
            long n;
            if (!parseInt(value(), n) || n < 1 || n > 65536)
                usageError("--block needs a whole number from 1 to 65536");
            o.block = static_cast<int>(n);
        } else if (name == "--double") {
            flag();
            o.useDouble = true;
        } else if (name == "--no-compensate") {
            flag();
            o.compensate = false;
        } else if (name == "--tail") {
            long n;
            if (!parseInt(value(), n) || n < 0 || n > 100000000)
                usageError("--tail needs a whole number of samples");
            o.tail = n;
        } else if (name == "--format") {
            o.format = value();
            if (!knownFormatName(o.format))
                usageError("--format " + o.format +
                           ": unknown format (known: " + knownFormatNames() + ")");
        } else if (name == "--bits") {
            o.bits = value();
            if (o.bits != "8" && o.bits != "16" && o.bits != "24" && o.bits != "32" &&
                o.bits != "float" && o.bits != "double")
                usageError("--bits must be 8, 16, 24, 32, float or double");
        } else if (name == "--quality") {
            if (!parseNumber(value(), o.quality) || o.quality < 0 || o.quality > 1)
                usageError("--quality needs a number from 0 to 1");
        } else if (name == "--plot") {
            o.plotFile = value();
        } else if (name == "--plot-data") {
            o.plotData = value();
        } else if (name == "--phase") {
            flag();
            o.phase = true;
        } else if (name == "--rate") {
            double r;
            if (!parseNumber(value(), r) || r < 8000 || r > 768000)
                usageError("--rate needs a sample rate from 8000 to 768000 Hz");
            o.plotRate = r;
        } else if (name == "--bench") {
            o.bench = true;
            // At least 10 ms (441 samples): shorter runs time nothing, and
            // a run of no sample divided by zero.
            auto duration = [&](double s) {
                if (s < 0.01 || s > 3600)
                    usageError("--bench needs a duration in seconds from 0.01 to 3600");
                o.benchSeconds = s;
            };
            double s;
            if (hasInline) {
                if (!parseNumber(inlineValue, s))
                    usageError("--bench needs a duration in seconds from 0.01 to 3600");
                duration(s);
            } else if (i + 1 < argc && parseNumber(argv[i + 1], s)) {
                duration(s);
                ++i;
            } else if (i + 1 < argc && argv[i + 1][0] != '-') {
                benchNext = argv[i + 1];
            }
        } else if (name == "--runs") {
            long n;
            if (!parseInt(value(), n) || n < 1 || n > 1000)
                usageError("--runs needs a number from 1 to 1000");
            o.benchRuns = static_cast<int>(n);
            o.runsGiven = true;
        } else if (name == "--list") {
            flag();
            o.list = true;
        } else if (name == "-q" || name == "--quiet") {
            flag();
            o.quiet = true;
        } else {
            usageError("unknown option " + name);
        }
    }
    if (o.help || o.version) return o;
    // "--bench abc": the word was meant as the duration, not as a file.
    if (!benchNext.empty() && positional.size() == 1 && positional[0] == benchNext &&
        o.outDir.empty())
        usageError("--bench needs a duration in seconds from 0.01 to 3600, not \"" + benchNext +
                   "\"");
    if (!o.outDir.empty()) {
        if (positional.empty()) usageError("-o " + o.outDir + " needs input files");
        for (const auto& p : positional)
            if (p == "-") usageError("standard input cannot go with -o DIR: give OUT instead");
        o.inputs = positional;
    } else {
        if (positional.size() > 2)
            usageError("too many file names: " + positional[2] + " (several inputs need -o DIR)");
        if (positional.size() == 1)
            usageError("missing the output file after " + positional[0] + " (or -o DIR)");
        if (positional.size() == 2) {
            o.inputs = {positional[0]};
            o.output = positional[1];
        }
    }
    if (o.inputs.empty() && o.plotFile.empty() && !o.bench && !o.list && o.chunkFile.empty())
        usageError("nothing to do: give IN OUT, --plot, --bench, --chunk or --list");
    // Options of a mode that is not chosen would be silently ignored.
    if (!o.plotData.empty() && o.plotFile.empty()) usageError("--plot-data needs --plot");
    if (o.phase && o.plotFile.empty()) usageError("--phase needs --plot");
    if (o.plotRate > 0 && o.plotFile.empty())
        usageError("--rate needs --plot (a file is rendered at its own rate)");
    if (o.runsGiven && !o.bench) usageError("--runs needs --bench");
    const unsigned modes = (o.inputs.empty() ? 0u : kRender) | (o.plotFile.empty() ? 0u : kPlot) |
                           (o.bench ? kBench : 0u) | (o.list ? kList : 0u);
    for (const auto& entry : kOptionModes)
        if (std::find(given.begin(), given.end(), entry.name) != given.end() &&
            !(entry.modes & modes))
            usageError(std::string(entry.name) + " does nothing with " +
                       modeNames(modes ? modes : kChunkAlone, " and ") + "; it is for " +
                       modeNames(entry.modes, " or "));
    for (const auto& in : o.inputs)
        if (in.empty()) usageError("an input file name is empty");
    if (!o.inputs.empty() && o.outDir.empty() && o.output.empty())
        usageError("the output file name is empty");
    return o;
}

std::string outputFor(const RenderOptions& o, std::size_t index) {
    if (o.outDir.empty()) return o.output;
    const std::string& in = o.inputs[index];
    auto slash = in.rfind('/');
    std::string base = slash == std::string::npos ? in : in.substr(slash + 1);
    // With --format the name takes the format's extension.
    if (!o.format.empty()) {
        auto dot = base.rfind('.');
        if (dot != std::string::npos && dot > 0) base.resize(dot);
        base += "." + o.format;
    }
    return (o.outDir.back() == '/' ? o.outDir : o.outDir + "/") + base;
}
