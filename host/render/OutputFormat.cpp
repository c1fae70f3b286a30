#include "host/render/OutputFormat.h"

#include "host/render/Options.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <vector>

int integerBits(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return 8;
    case SF_FORMAT_PCM_16:
        return 16;
    case SF_FORMAT_PCM_24:
        return 24;
    case SF_FORMAT_PCM_32:
        return 32;
    default:
        return 0;
    }
}

bool isLossy(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_VORBIS:
    case SF_FORMAT_OPUS:
    case SF_FORMAT_MPEG_LAYER_I:
    case SF_FORMAT_MPEG_LAYER_II:
    case SF_FORMAT_MPEG_LAYER_III:
        return true;
    default:
        return false;
    }
}

namespace {

std::string lower(std::string s) {
    for (auto& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string extensionOf(const std::string& path) {
    auto slash = path.rfind('/');
    auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return lower(path.substr(dot + 1));
}

struct FormatChoice {
    int major = 0;
    int codec = 0; // a fixed sample format (a lossy codec), else 0
};

// libsndfile's table of containers, in its own order.
std::vector<SF_FORMAT_INFO> majorFormats() {
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    std::vector<SF_FORMAT_INFO> formats(count > 0 ? count : 0);
    for (int i = 0; i < count; ++i) {
        formats[i].format = i;
        sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &formats[i], sizeof formats[i]);
    }
    return formats;
}

// A container by extension or name: a few common names libsndfile's table
// lacks first, then the table itself (the first entry wins for "wav").
bool lookUpFormat(const std::string& key, FormatChoice& out) {
    static const struct {
        const char* name;
        int major, codec;
    } aliases[] = {
        {"aif", SF_FORMAT_AIFF, 0},
        {"aifc", SF_FORMAT_AIFF, 0},
        {"ogg", SF_FORMAT_OGG, SF_FORMAT_VORBIS},
        {"oga", SF_FORMAT_OGG, SF_FORMAT_VORBIS},
        {"opus", SF_FORMAT_OGG, SF_FORMAT_OPUS},
        {"mp3", SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III},
        {"m1a", SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III},
    };
    for (const auto& a : aliases)
        if (key == a.name) {
            out = {a.major, a.codec};
            return true;
        }
    for (const SF_FORMAT_INFO& f : majorFormats())
        if (f.extension && key == lower(f.extension)) {
            out = {f.format & SF_FORMAT_TYPEMASK, 0};
            return true;
        }
    return false;
}

} // namespace

bool knownFormatName(const std::string& name) {
    FormatChoice c;
    return lookUpFormat(lower(name), c);
}

std::string knownFormatNames() {
    std::vector<std::string> names = {"ogg", "opus", "mp3"};
    for (const SF_FORMAT_INFO& f : majorFormats())
        if (f.extension && std::find(names.begin(), names.end(), f.extension) == names.end())
            names.push_back(f.extension);
    std::sort(names.begin(), names.end());
    std::string s;
    for (const auto& n : names)
        s += (s.empty() ? "" : ", ") + n;
    return s;
}

int chooseOutputFormat(int inputFormat, const std::string& outPath, const std::string& format,
                       const std::string& bits, int channels, int rate, std::string* note) {
    FormatChoice choice{inputFormat & SF_FORMAT_TYPEMASK, 0};
    std::string kind = format.empty() ? extensionOf(outPath) : lower(format);
    if (!kind.empty() && !lookUpFormat(kind, choice)) {
        if (!format.empty())
            throw CliError(kExitUsage, "--format " + format +
                                           ": unknown format (known: " + knownFormatNames() + ")");
        throw CliError(kExitUsage, outPath + ": unknown output extension ." + kind +
                                       "; give --format (known: " + knownFormatNames() + ")");
    }
    // A container chosen by name may not hold the input's codec (Vorbis into
    // WAV, say); ogg names Vorbis unless the input already is Opus.
    if (choice.major == SF_FORMAT_OGG && choice.codec == 0)
        choice.codec =
            (inputFormat & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS ? SF_FORMAT_OPUS : SF_FORMAT_VORBIS;

    int sub = choice.codec ? choice.codec : inputFormat & SF_FORMAT_SUBMASK;
    // A coded input (MP3, GSM, ADPCM, ...) goes into another container as
    // plain samples: libsndfile's format check passes pairs it cannot write.
    const int inSub = inputFormat & SF_FORMAT_SUBMASK;
    const bool plainInput = inSub == SF_FORMAT_PCM_S8 || inSub == SF_FORMAT_PCM_U8 ||
                            inSub == SF_FORMAT_PCM_16 || inSub == SF_FORMAT_PCM_24 ||
                            inSub == SF_FORMAT_PCM_32 || inSub == SF_FORMAT_FLOAT ||
                            inSub == SF_FORMAT_DOUBLE;
    bool recoded = false;
    if (!choice.codec && bits.empty() && !plainInput &&
        choice.major != (inputFormat & SF_FORMAT_TYPEMASK)) {
        sub = 0;
        recoded = true;
    }
    if (!bits.empty()) {
        if (choice.codec)
            throw CliError(kExitUsage, "--bits " + bits +
                                           ": the output format is lossy and has "
                                           "no sample size");
        sub = bits == "8"       ? SF_FORMAT_PCM_S8
              : bits == "16"    ? SF_FORMAT_PCM_16
              : bits == "24"    ? SF_FORMAT_PCM_24
              : bits == "32"    ? SF_FORMAT_PCM_32
              : bits == "float" ? SF_FORMAT_FLOAT
                                : SF_FORMAT_DOUBLE;
    }
    if (sub == SF_FORMAT_OPUS && rate != 8000 && rate != 12000 && rate != 16000 && rate != 24000 &&
        rate != 48000)
        throw CliError(kExitUsage, outPath +
                                       ": Opus takes 8000, 12000, 16000, 24000 or 48000 Hz, "
                                       "not " +
                                       std::to_string(rate));
    SF_INFO probe{};
    probe.channels = channels;
    probe.samplerate = rate;
    probe.format = choice.major | sub;
    if (sub != 0 && sf_format_check(&probe)) return probe.format;
    // 8-bit WAV is unsigned.
    if (sub == SF_FORMAT_PCM_S8) {
        probe.format = choice.major | SF_FORMAT_PCM_U8;
        if (sf_format_check(&probe)) return probe.format;
    }
    if (!bits.empty())
        throw CliError(kExitUsage, "the output format cannot hold --bits " + bits + " samples");
    // The input's sample format does not fit the new container (float into
    // FLAC, say): 24-bit PCM keeps the most of it, else float, else 16 bits.
    for (int s : {SF_FORMAT_PCM_24, SF_FORMAT_FLOAT, SF_FORMAT_PCM_16}) {
        probe.format = choice.major | s;
        if (sf_format_check(&probe)) {
            if (recoded && note)
                *note = outPath + ": the input's encoding cannot go into this format; written as " +
                        (s == SF_FORMAT_PCM_24  ? "24-bit PCM"
                         : s == SF_FORMAT_FLOAT ? "32-bit float"
                                                : "16-bit PCM") +
                        " (--bits chooses)";
            return probe.format;
        }
    }
    throw CliError(kExitUsage, "no output format for " + outPath);
}
