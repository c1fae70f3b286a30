// dravo-democlip OUT [SECONDS]: writes a short stereo demo clip, synthesised
// here, so the demo needs no recordings: a kick, hi-hats, a bass line, a
// chord pad and a sung-vowel voice with sibilant "s" sounds. The container
// follows OUT's extension (wav, aiff, flac); 24-bit PCM at 44.1 kHz.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kRate = 44100;

double midiToHz(double note) {
    return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

// A two-pole resonator, for the voice's formants.
struct Resonator {
    double a1 = 0, a2 = 0, g = 0, y1 = 0, y2 = 0;
    void set(double f, double bw) {
        double r = std::exp(-kPi * bw / kRate);
        a1 = 2 * r * std::cos(2 * kPi * f / kRate);
        a2 = -r * r;
        g = 1 - r;
    }
    double run(double x) {
        double y = g * x + a1 * y1 + a2 * y2;
        y2 = y1;
        y1 = y;
        return y;
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: dravo-democlip OUT.{wav,aiff,flac} [SECONDS]\n");
        return 2;
    }
    std::string out = argv[1];
    double seconds = argc == 3 ? std::atof(argv[2]) : 8.0;
    if (!(seconds > 0 && seconds <= 600)) {
        std::fprintf(stderr, "dravo-democlip: SECONDS must be in (0, 600]\n");
        return 2;
    }
    std::string ext = out.substr(out.rfind('.') + 1);
    int major = ext == "flac"                     ? SF_FORMAT_FLAC
                : (ext == "aif" || ext == "aiff") ? SF_FORMAT_AIFF
                                                  : SF_FORMAT_WAV;
    const long n = static_cast<long>(seconds * kRate);
    std::vector<double> left(n), right(n);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> white(-1.0, 1.0);

    const double beat = 0.5; // 120 beats per minute
    const int bassLine[8] = {36, 36, 43, 41, 36, 36, 46, 43};
    const int chords[4][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
    const double vowels[4][2] = {{730, 1090}, {270, 2290}, {530, 1840}, {570, 840}};
    Resonator f1, f2, f3;
    double hatState = 0, bassPhase = 0, voicePhase = 0;
    for (long i = 0; i < n; ++i) {
        double t = double(i) / kRate;
        int b = static_cast<int>(t / beat);
        double tb = t - b * beat;
        // Kick on every beat: a falling sine with a fast decay.
        double kick = std::sin(2 * kPi * (45 * tb + 60 * (1 - std::exp(-tb * 30)) / 30)) *
                      std::exp(-tb * 9) * 0.8;
        // Hi-hat on the off-beats: high-passed noise.
        double th = std::fmod(t + beat / 2, beat);
        double noise = white(rng);
        double hp = noise - hatState;
        hatState = noise;
        double hat = hp * std::exp(-th * 60) * 0.12;
        // Bass: a softened sawtooth, one note per beat.
        double bf = midiToHz(bassLine[b % 8]);
        bassPhase = std::fmod(bassPhase + bf / kRate, 1.0);
        double bass = (2 * bassPhase - 1) * 0.18 * (1 - std::exp(-tb * 80)) * std::exp(-tb * 2);
        // Pad: a chord per bar of four beats, slow attack.
        const int* ch = chords[(b / 4) % 4];
        double pad = 0;
        for (int k = 0; k < 3; ++k) {
            double f = midiToHz(ch[k]);
            pad += std::sin(2 * kPi * f * t) + 0.3 * std::sin(2 * kPi * 2 * f * t + k);
        }
        double bar = std::fmod(t, 4 * beat);
        pad *= 0.05 * std::min(1.0, bar * 4);
        // Voice: a glottal pulse train through three formants, a vowel per
        // beat, with an "s" (bright noise) at the end of every second beat.
        double pitch = midiToHz(64 + 3 * ((b / 2) % 3)) * (1 + 0.01 * std::sin(2 * kPi * 5.5 * t));
        voicePhase += pitch / kRate;
        double pulse = 0;
        if (voicePhase >= 1) {
            voicePhase -= 1;
            pulse = 1;
        }
        const double* v = vowels[b % 4];
        f1.set(v[0], 80);
        f2.set(v[1], 100);
        f3.set(2600, 150);
        double voice = (f1.run(pulse) * 6 + f2.run(pulse) * 4 + f3.run(pulse) * 2) * 0.25;
        double env = tb < 0.38 ? std::min(1.0, tb * 20) : 0.0;
        voice *= env;
        double s = 0;
        if (b % 2 == 1 && tb >= 0.38 && tb < 0.49)
            s = hp * 0.25 * std::sin(kPi * (tb - 0.38) / 0.11);
        // Mix: kick and bass centred, hats right, pad wide, voice slightly left.
        left[i] = kick + bass + hat * 0.6 + pad * 1.1 + (voice + s) * 1.1;
        right[i] = kick + bass + hat * 1.2 + pad * 0.9 + (voice + s) * 0.8;
    }
    // Fade in and out, and leave headroom.
    double peak = 0;
    for (long i = 0; i < n; ++i)
        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    for (long i = 0; i < n; ++i) {
        double fade = std::min({1.0, i / (0.01 * kRate), (n - i) / (0.05 * kRate)});
        left[i] *= 0.7 / peak * fade;
        right[i] *= 0.7 / peak * fade;
    }

    SF_INFO info{};
    info.channels = 2;
    info.samplerate = kRate;
    info.format = major | SF_FORMAT_PCM_24;
    SNDFILE* f = sf_open(out.c_str(), SFM_WRITE, &info);
    if (!f) {
        std::fprintf(stderr, "dravo-democlip: %s: %s\n", out.c_str(), sf_strerror(nullptr));
        return 1;
    }
    std::vector<double> frames(2 * static_cast<std::size_t>(n));
    for (long i = 0; i < n; ++i) {
        frames[2 * i] = left[i];
        frames[2 * i + 1] = right[i];
    }
    bool ok = sf_writef_double(f, frames.data(), n) == n;
    ok = sf_close(f) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "dravo-democlip: %s: write failed\n", out.c_str());
        return 1;
    }
    return 0;
}
