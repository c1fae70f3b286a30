// dravo-info [PLUGIN.so]: loads a VST 2.x plug-in (default: ours) and prints
// its identity, its latency and its parameter table.
#include "host/VstHost.h"

#include <cstdio>
#include <string>

namespace {

std::string fourChars(VstInt32 id) {
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        char c = static_cast<char>((static_cast<uint32_t>(id) >> shift) & 0xff);
        s += (c >= 32 && c < 127) ? c : '?';
    }
    return s;
}

} // namespace

int main(int argc, char** argv) {
    std::string path = DRAVO_PLUGIN_PATH;
    if (argc > 2 ||
        (argc == 2 && (std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help"))) {
        std::printf("usage: dravo-info [PLUGIN.so | --version]\n"
                    "Prints a VST 2.x plug-in's identity, latency and parameters "
                    "(default plug-in: %s).\n",
                    path.c_str());
        return argc > 2 ? 2 : 0;
    }
    if (argc == 2 && std::string(argv[1]) == "--version") {
        std::printf("dravo-info %s\n", DRAVO_VERSION);
        return 0;
    }
    // Any other option is a mistake, not a plug-in file.
    if (argc == 2 && argv[1][0] == '-' && argv[1][1] != 0) {
        std::fprintf(stderr, "dravo-info: unknown option %s (see dravo-info --help)\n", argv[1]);
        return 2;
    }
    if (argc == 2) path = argv[1];

    VstPlugin plugin;
    plugin.setLogging(false);
    std::string error = plugin.load(path);
    if (!error.empty()) {
        std::fprintf(stderr, "dravo-info: %s\n", error.c_str());
        return 1;
    }
    AEffect* e = plugin.effect();
    std::printf("plug-in     %s\n", path.c_str());
    std::printf("name        %s\n", plugin.effectName().text.c_str());
    std::printf("vendor      %s\n", plugin.vendorString().text.c_str());
    std::printf("product     %s\n", plugin.productString().text.c_str());
    std::printf("unique ID   %s (0x%08x)\n", fourChars(e->uniqueID).c_str(),
                static_cast<unsigned>(e->uniqueID));
    std::printf("version     %d (vendor version %ld)\n", e->version,
                static_cast<long>(plugin.vendorVersion()));
    std::printf("in/out      %d/%d   flags 0x%x   tail %ld samples\n", e->numInputs, e->numOutputs,
                static_cast<unsigned>(e->flags), static_cast<long>(plugin.tailSize()));

    VstInt32 before = e->initialDelay;
    plugin.start(44100.0f, 512);
    std::printf("latency     %d samples after creation, %d after resume at 44100 Hz\n", before,
                e->initialDelay);

    std::printf("\nparameters (%d)\n", e->numParams);
    std::printf("%5s  %-24s %-12s %s\n", "index", "name", "display", "value");
    for (int i = 0; i < e->numParams; ++i) {
        std::string name = plugin.paramName(i).text;
        std::string display = plugin.paramDisplay(i).text;
        std::string label = plugin.paramLabel(i).text;
        if (!label.empty()) display += " " + label;
        std::printf("%5d  %-24s %-12s %.6f\n", i, name.c_str(), display.c_str(),
                    plugin.getParameter(i));
    }
    plugin.suspend();
    return 0;
}
