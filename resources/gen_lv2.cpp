// Writes the LV2 bundle's Turtle from the model's tables at build time:
// manifest.ttl, the description of both plug-ins and the factory presets.
//
//   dravo_gen_lv2 OUT_DIR DSP_BINARY_NAME VERSION [UI_BINARY_NAME]
#include "lv2/InlineDisplay.h"
#include "lv2/Ports.h"
#include "model/FactoryPresets.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace dravo;
using namespace dravo::lv2;

namespace {

constexpr const char* kPrefixes = "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
                                  "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                                  "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                                  "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                                  "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
                                  "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                                  "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                                  "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                                  "@prefix rsz: <http://lv2plug.in/ns/ext/resize-port#> .\n"
                                  "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                                  "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                                  "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
                                  "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
                                  "@prefix work: <http://lv2plug.in/ns/ext/worker#> .\n\n";

constexpr const char* kProjectUri = "urn:veyaudioworks:dravo";
constexpr const char* kDescriptionFile = "VeyDravo.ttl";
constexpr const char* kPresetsFile = "presets.ttl";

// The shortest fixed-point text that reads back as the same 32-bit float (a
// port value is a float): a Turtle integer or decimal, never a double.
std::string number(double v) {
    const float f = (float)v;
    char text[64];
    for (int digits = 0; digits <= 12; ++digits) {
        std::snprintf(text, sizeof text, "%.*f", digits, (double)f);
        if (std::strtof(text, nullptr) == f) break;
    }
    return text;
}

// The same, always a decimal or double literal: hosts read a preset's port
// values as 32-bit floats (atom:Float), and some accept no other type.
std::string decimal(double v) {
    std::string s = number(v);
    if (s.find('.') == std::string::npos) s += ".0";
    return s;
}

std::string quoted(const char* s) {
    std::string out = "\"";
    for (; *s; ++s) {
        if (*s == '"' || *s == '\\') out += '\\';
        out += *s;
    }
    return out + "\"";
}

// "low_shelf_gain" -> "Low Shelf Gain": the port's name from its symbol.
std::string nameFromSymbol(const char* symbol) {
    std::string out;
    bool wordStart = true;
    for (; *symbol; ++symbol) {
        if (*symbol == '_') {
            out += ' ';
            wordStart = true;
            continue;
        }
        out += wordStart ? (char)std::toupper((unsigned char)*symbol) : *symbol;
        wordStart = false;
    }
    return out;
}

std::string preset(int n) {
    return "<" + std::string(kPresetUriPrefix) + std::to_string(n) + ">";
}

std::string appliesTo() {
    std::string s;
    for (const Variant& v : kVariants)
        s += (s.empty() ? "<" : " , <") + std::string(v.uri) + ">";
    return s;
}

void controlPort(FILE* f, int index) {
    const Param p = controlParam(index);
    const ParamInfo& i = info(p);
    double lowest, highest;
    realRange(p, lowest, highest);
    std::fprintf(f,
                 "\t\t[\n\t\t\ta lv2:InputPort , lv2:ControlPort ;\n"
                 "\t\t\tlv2:index %d ;\n\t\t\tlv2:symbol \"%s\" ;\n\t\t\tlv2:name %s ;\n"
                 "\t\t\tlv2:default %s ;\n\t\t\tlv2:minimum %s ;\n\t\t\tlv2:maximum %s",
                 index, i.symbol, quoted(nameFromSymbol(i.symbol).c_str()).c_str(),
                 number(portValueOf(p, i.defaultValue)).c_str(), number(lowest).c_str(),
                 number(highest).c_str());
    switch (portKind(p)) {
    case PortKind::Toggle:
    case PortKind::Enumeration:
        std::fprintf(f, " ;\n\t\t\tlv2:portProperty lv2:integer , %s",
                     portKind(p) == PortKind::Toggle ? "lv2:toggled" : "lv2:enumeration");
        for (int k = 0; k < i.positions.count; ++k)
            std::fprintf(f, " ;\n\t\t\tlv2:scalePoint [ rdfs:label %s ; rdf:value %d ]",
                         quoted(i.positions.names[k]).c_str(), k);
        break;
    case PortKind::Gain:
        // One step of 1/160 of the normalised range: 161 values.
        std::fprintf(f, " ;\n\t\t\tunits:unit units:db ;\n\t\t\tpprops:rangeSteps 161");
        break;
    case PortKind::Frequency:
        std::fprintf(f,
                     " ;\n\t\t\tunits:unit units:hz ;\n\t\t\tlv2:portProperty pprops:logarithmic");
        break;
    }
    std::fprintf(f, "\n\t\t]");
}

void audioPort(FILE* f, int index, bool input, const char* symbol, const char* name) {
    std::fprintf(f,
                 "\t\t[\n\t\t\ta lv2:%s , lv2:AudioPort ;\n\t\t\tlv2:index %d ;\n"
                 "\t\t\tlv2:symbol \"%s\" ;\n\t\t\tlv2:name \"%s\"\n\t\t]",
                 input ? "InputPort" : "OutputPort", index, symbol, name);
}

// The message ports: the editor's messages in, the plug-in's out (objects of
// our own types). A host that has no editor (a command-line renderer) may
// leave them unconnected.
void messagePort(FILE* f, int index, bool input) {
    std::fprintf(f,
                 "\t\t[\n\t\t\ta lv2:%s , atom:AtomPort ;\n\t\t\tatom:bufferType atom:Sequence ;\n"
                 "\t\t\tatom:supports atom:Object ;\n\t\t\tlv2:designation lv2:control ;\n"
                 "\t\t\tlv2:portProperty lv2:connectionOptional ;\n"
                 "\t\t\tlv2:index %d ;\n\t\t\tlv2:symbol \"%s\" ;\n\t\t\tlv2:name \"%s\" ;\n"
                 "\t\t\trsz:minimumSize %d\n\t\t]",
                 input ? "InputPort" : "OutputPort", index, input ? "control" : "notify",
                 input ? "Control" : "Notify", kMessagePortSize);
}

const char* uiBinary = nullptr;

void writeDescription(FILE* f, const char* version) {
    int major = 0, minor = 0, micro = 0;
    std::sscanf(version, "%d.%d.%d", &major, &minor, &micro);
    std::fputs(kPrefixes, f);
    std::fprintf(
        f, "<%s>\n\ta doap:Project ;\n\tdoap:name %s ;\n\tdoap:maintainer [ foaf:name %s ] .\n\n",
        kProjectUri, quoted(kVariants[0].name).c_str(), quoted(kVendor).c_str());
    // Ardour's inline display, which the LV2 specification's own bundles do
    // not describe: typed here, so validators know what the plug-in lists.
    std::fprintf(f, "<%s>\n\ta lv2:ExtensionData .\n\n<%s>\n\ta lv2:Feature .\n\n",
                 kInlineDisplayInterfaceUri, kInlineDisplayQueueDrawUri);
    for (const Variant& v : kVariants) {
        std::fprintf(f,
                     "<%s>\n\ta lv2:Plugin , lv2:ParaEQPlugin ;\n\tdoap:name %s ;\n"
                     "\tlv2:project <%s> ;\n"
                     "\tlv2:minorVersion %d ;\n\tlv2:microVersion %d ;\n"
                     "\tlv2:optionalFeature lv2:hardRTCapable , urid:map , work:schedule , <%s> ;\n"
                     "\tlv2:extensionData state:interface , work:interface , <%s> ;\n%s"
                     "\tlv2:port\n",
                     v.uri, quoted(v.name).c_str(), kProjectUri, minor, micro,
                     kInlineDisplayQueueDrawUri, kInlineDisplayInterfaceUri,
                     uiBinary ? ("\tui:ui <" + std::string(kUiUri) + "> ;\n").c_str() : "");
        for (int i = 0; i < kNumControlPorts; ++i) {
            controlPort(f, i);
            std::fputs(" ,\n", f);
        }
        std::fprintf(f,
                     "\t\t[\n\t\t\ta lv2:OutputPort , lv2:ControlPort ;\n\t\t\tlv2:index %d ;\n"
                     "\t\t\tlv2:symbol \"latency\" ;\n\t\t\tlv2:name \"Latency\" ;\n"
                     "\t\t\tlv2:minimum 0 ;\n"
                     "\t\t\tlv2:designation lv2:latency ;\n"
                     "\t\t\tlv2:portProperty lv2:reportsLatency , lv2:integer ;\n"
                     "\t\t\tunits:unit units:frame\n\t\t]",
                     kLatencyPort);
        std::fputs(" ,\n", f);
        messagePort(f, kControlInPort, true);
        std::fputs(" ,\n", f);
        messagePort(f, kNotifyPort, false);
        // Chosen by a condition, not by indexing a two-row table with the
        // channel: GCC's -O3 cannot prove c < 2 and warns of a null name.
        for (int c = 0; c < v.channels; ++c) {
            std::fputs(" ,\n", f);
            if (v.channels == 1)
                audioPort(f, audioInPort(c), true, "in", "In");
            else
                audioPort(f, audioInPort(c), true, c == 0 ? "in_l" : "in_r",
                          c == 0 ? "In L" : "In R");
        }
        for (int c = 0; c < v.channels; ++c) {
            std::fputs(" ,\n", f);
            if (v.channels == 1)
                audioPort(f, audioOutPort(v, c), false, "out", "Out");
            else
                audioPort(f, audioOutPort(v, c), false, c == 0 ? "out_l" : "out_r",
                          c == 0 ? "Out L" : "Out R");
        }
        std::fputs(" .\n\n", f);
    }
}

// Each preset sets every port to the real value of its stored value (the
// 32-bit float the VST 2.x program store keeps).
void writePresets(FILE* f) {
    std::fputs(kPrefixes, f);
    for (int n = 0; n < kNumFactoryPresets; ++n) {
        const FactoryPreset& fp = kFactoryPresets[n];
        std::fprintf(f,
                     "%s\n\ta pset:Preset ;\n\tlv2:appliesTo %s ;\n\trdfs:label %s ;\n\tlv2:port",
                     preset(n).c_str(), appliesTo().c_str(), quoted(fp.name).c_str());
        for (int k = 0; k < kNumPresetFields; ++k) {
            const PresetField& field = fp.fields[k];
            std::fprintf(f, "%s\n\t\t[ lv2:symbol \"%s\" ; pset:value %s ]", k ? " ," : "",
                         info(field.param).symbol,
                         decimal(portValueOf(field.param, (float)field.value)).c_str());
        }
        std::fputs(" .\n\n", f);
    }
}

void writeManifest(FILE* f, const char* binary) {
    std::fputs(kPrefixes, f);
    for (const Variant& v : kVariants)
        std::fprintf(f, "<%s>\n\ta lv2:Plugin ;\n\tlv2:binary <%s> ;\n\trdfs:seeAlso <%s> .\n\n",
                     v.uri, binary, kDescriptionFile);
    // The editor: an X11 child window driven by the host's idle calls; it
    // hears the plug-in's messages through the notify port. Its size follows
    // its zoom only, never the user's dragging of the host's window.
    if (uiBinary) {
        std::fprintf(f,
                     "<%s>\n\ta ui:X11UI ;\n\tui:binary <%s> ;\n"
                     "\tlv2:requiredFeature urid:map , ui:idleInterface ;\n"
                     "\tlv2:optionalFeature ui:parent , ui:touch , ui:resize , ui:noUserResize ;\n"
                     "\tlv2:extensionData ui:idleInterface , ui:showInterface",
                     kUiUri, uiBinary);
        for (const Variant& v : kVariants)
            std::fprintf(f,
                         " ;\n\tui:portNotification [\n\t\tui:plugin <%s> ;\n"
                         "\t\tlv2:symbol \"notify\" ;\n\t\tui:notifyType atom:Blank\n\t]",
                         v.uri);
        std::fputs(" .\n\n", f);
    }
    for (int n = 0; n < kNumFactoryPresets; ++n)
        std::fprintf(f, "%s\n\ta pset:Preset ;\n\tlv2:appliesTo %s ;\n\trdfs:seeAlso <%s> .\n\n",
                     preset(n).c_str(), appliesTo().c_str(), kPresetsFile);
}

bool writeFile(const std::string& path, void (*write)(FILE*, const char*), const char* arg) {
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) {
        std::perror(path.c_str());
        return false;
    }
    write(f, arg);
    const bool ok = !std::ferror(f);
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: %s OUT_DIR DSP_BINARY_NAME VERSION [UI_BINARY_NAME]\n",
                     argv[0]);
        return 2;
    }
    if (argc == 5) uiBinary = argv[4];
    const std::string dir = argv[1];
    const bool ok =
        writeFile(dir + "/manifest.ttl", writeManifest, argv[2]) &&
        writeFile(dir + "/" + kDescriptionFile, writeDescription, argv[3]) &&
        writeFile(
            dir + "/" + kPresetsFile, [](FILE* f, const char*) { writePresets(f); }, nullptr);
    return ok ? 0 : 1;
}
