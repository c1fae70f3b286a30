// Command line of dravo-render: what to do and with which settings.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

// Exit codes, one per kind of failure, so scripts can tell them apart.
enum ExitCode {
    kExitOk = 0,
    kExitUsage = 2,   // bad command line, unknown preset or parameter
    kExitInput = 3,   // an input file (audio, preset, bank, chunk) is missing or unusable
    kExitPlugin = 4,  // the plug-in does not load, has the wrong unique ID or refuses a request
    kExitOutput = 5,  // an output file cannot be written
    kExitRefused = 6, // the output was refused: non-finite samples, or clipping with --no-clip
};

// A failure with its message and exit code; the tool prints it and exits.
struct CliError : std::runtime_error {
    CliError(ExitCode c, const std::string& message) : std::runtime_error(message), code(c) {}
    ExitCode code;
};

// --param (a normalised value) or --set (a display text), in command-line order.
struct ParamSetting {
    std::string key; // a parameter name, SECTION.FIELD name or index as given
    float value = 0.0f;
    std::string text; // --set: the text the plug-in should show
    bool byText = false;
};

struct RenderOptions {
    std::vector<std::string> inputs; // "-" is the standard input
    std::string output;              // one input: its output ("-" the standard output)
    std::string outDir;              // -o DIR: every input written into DIR under its name
    std::string pluginPath;          // empty: ours, built beside the tool
    std::string requireId;           // four characters; empty: "ZkVw" for our plug-in only
    std::string preset;
    bool presetGiven = false;
    std::vector<ParamSetting> params;
    std::string loadPreset, loadBank, chunkFile;
    int block = 512;
    bool useDouble = false;
    bool compensate = true;
    long tail = -1; // -1: ask the plug-in
    std::string format, bits;
    double quality = -1; // --quality, 0..1 (-1: the input's where known, else libsndfile's)
    bool dither = true;
    bool failOnClip = false;
    bool allowNonFinite = false;
    std::string plotFile, plotData;
    bool phase = false;
    double plotRate = 0.0; // 0: the input's rate, else 44100
    bool bench = false;
    double benchSeconds = 10.0;
    int benchRuns = 5;
    bool runsGiven = false;
    bool list = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// Parses argv; throws CliError(kExitUsage) on a bad command line.
RenderOptions parseOptions(int argc, char** argv);
const char* usageText();
// Where the output of input `index` goes.
std::string outputFor(const RenderOptions& o, std::size_t index);
