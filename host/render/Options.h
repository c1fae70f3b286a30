// Command line of dravo-render: what to do and with which settings.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

// Exit codes, one per kind of failure, so scripts can tell them apart.
enum ExitCode {
    kExitOk = 0,
    kExitUsage = 2,  // bad command line, unknown preset or parameter
    kExitInput = 3,  // an input file (audio, preset, bank, chunk) is missing or unusable
    kExitPlugin = 4, // the plug-in does not load, has the wrong unique ID or refuses a request
    kExitOutput = 5, // an output file cannot be written
};

// A failure with its message and exit code; the tool prints it and exits.
struct CliError : std::runtime_error {
    CliError(ExitCode c, const std::string& message) : std::runtime_error(message), code(c) {}
    ExitCode code;
};

struct ParamSetting {
    std::string key; // a parameter name or index as given
    float value = 0.0f;
};

struct RenderOptions {
    std::string input, output;
    std::string pluginPath; // empty: ours, built beside the tool
    std::string requireId;  // four characters; empty: "ZkVw" for our plug-in only
    std::string preset;
    bool presetGiven = false;
    std::vector<ParamSetting> params;
    std::string loadPreset, loadBank, chunkFile;
    int block = 512;
    bool useDouble = false;
    bool compensate = true;
    long tail = -1; // -1: ask the plug-in
    std::string format, bits;
    std::string plotFile, plotData;
    bool phase = false;
    double plotRate = 0.0; // 0: the input's rate, else 44100
    bool bench = false;
    double benchSeconds = 10.0;
    int benchRuns = 5;
    bool list = false;
    bool quiet = false;
    bool help = false;
};

// Parses argv; throws CliError(kExitUsage) on a bad command line.
RenderOptions parseOptions(int argc, char** argv);
const char* usageText();
