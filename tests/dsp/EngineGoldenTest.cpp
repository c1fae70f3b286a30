// The engine's output pinned by digests: long runs of random automation over
// the rates, both sample formats, random block sizes and pin routings hash
// every output sample and block peak, and every instruction set the machine
// offers must give the digests in EngineDigests.txt. After a deliberate change
// of the sound, DRAVO_REGENERATE_GOLDEN=1 rewrites that file (and passes).
// The digests hold for this compiler and C library: the filter design and
// this driver call the maths library.
#include "dsp/EqEngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace dravo;

namespace {

const char* const kDigestFile = DRAVO_SOURCE_DIR "/tests/dsp/EngineDigests.txt";

// Digests are taken after these many frames; the ASan build (a debug build)
// checks only the first.
constexpr int kShortFrames = 5000, kFrames = 200000;

// 64-bit FNV-1a over the bytes of the values.
struct Fnv {
    uint64_t h = 14695981039346656037ull;
    template <typename T> void add(const T* v, std::size_t count) {
        const auto* p = reinterpret_cast<const unsigned char*>(v);
        for (std::size_t i = 0; i < sizeof(T) * count; ++i)
            h = (h ^ p[i]) * 1099511628211ull;
    }
};

// A double in [0, 1) from the raw generator output (the standard
// distributions differ between library versions).
double unit(std::mt19937& rng) {
    return (double)rng() / 4294967296.0;
}

// One random automation or loop-value change.
void automate(EqEngine& e, std::mt19937& rng) {
    using S = EqEngine::Section;
    auto pick = [&](int n) { return (int)(rng() % (unsigned)n); };
    const double hz = 10.0 * std::pow(2200.0, unit(rng)); // 10 Hz .. 22 kHz
    const double db = 40.0 * unit(rng) - 20.0;
    const double q = 0.2 + 6.0 * unit(rng);
    const int mode = pick(3), shape = pick(3), on = pick(3) == 0 ? 0 : 1;
    const double v = unit(rng);
    switch (pick(13)) {
    case 0:
        e.setSection(S::LowCut, on, 0, hz * 0.02 + 10.0, 0.0, 0.0);
        break;
    case 1:
        e.setSection(S::HighCut, on, 0, 2000.0 + hz, 0.0, 0.0);
        break;
    case 2:
        e.setSection(S::LowShelf, mode, shape, hz * 0.05 + 20.0, 0.0, db);
        break;
    case 3:
        e.setSection(S::Mid1, mode, 0, hz * 0.3 + 40.0, q, std::fabs(db));
        break;
    case 4:
        e.setSection(S::Mid2, mode, 0, hz, q, std::fabs(db));
        break;
    case 5:
        e.setSection(S::HighShelf, mode, shape, hz * 0.5 + 1000.0, 0.0, db);
        break;
    case 6: {
        // One value of a section on its own (the cuts' positions are 0 or 1,
        // only shelves have a shape, only mids a Q; gains of mids are >= 0).
        const S s = (S)pick(EqEngine::kNumSections);
        const bool cut = s == S::LowCut || s == S::HighCut, mid = s == S::Mid1 || s == S::Mid2;
        switch (pick(4)) {
        case 0:
            e.setSectionField(s, EqEngine::Field::Position, cut ? on : mode);
            break;
        case 1:
            e.setSectionField(s, EqEngine::Field::Hz, s == S::LowCut ? hz * 0.02 + 10.0 : hz + 20);
            break;
        case 2:
            if (!cut) e.setSectionField(s, EqEngine::Field::GainDb, mid ? std::fabs(db) : db);
            break;
        default:
            if (mid) e.setSectionField(s, EqEngine::Field::Q, q);
            if (!cut && !mid) e.setSectionField(s, EqEngine::Field::Shape, shape);
            break;
        }
        break;
    }
    case 7:
        e.setMaster(pick(5) != 0);
        break;
    case 8:
        e.setChannelSelect(v);
        break;
    case 9:
        e.setPhase(pick(2));
        break;
    case 10:
        e.setOutputFactor(std::pow(10.0, db / 20.0));
        break;
    case 11:
        e.setSaturation((float)v);
        break;
    default:
        break; // no change
    }
}

// A configuration: host rate, sample format, mono (0), stereo (1) or either
// per call (2), separate or shared input and output buffers.
struct Case {
    float rate;
    bool doubles;
    int layout;
    bool inPlace;
    uint32_t seed;
    std::string name() const {
        std::ostringstream s;
        s << rate << "Hz_" << (doubles ? "64bit" : "32bit") << "_"
          << (layout == 0   ? "mono"
              : layout == 1 ? "stereo"
                            : "mixed")
          << (inPlace ? "_inplace" : "");
        return s.str();
    }
};

// Every rate class (oversampled, host rate, corrected), both formats, mono
// and stereo, separate and shared buffers.
std::vector<Case> cases() {
    std::vector<Case> all;
    uint32_t seed = 1;
    for (float rate : {44100.f, 22050.f, 48000.f, 96000.f, 192000.f, 64999.f, 65000.f, 300000.f}) {
        all.push_back({rate, true, 1, false, seed++});
        all.push_back({rate, true, 0, true, seed++});
        all.push_back({rate, false, 1, true, seed++});
        all.push_back({rate, false, 2, false, seed++});
    }
    return all;
}

struct Digests {
    uint64_t atShort = 0, atEnd = 0;
};

// Runs one case for the given number of frames and hashes each call's output
// (one sample past the block too, to see stray writes) and block peak.
template <typename T> Digests run(const Case& c, int frames) {
    std::mt19937 rng(c.seed);
    EqEngine e;
    e.setMaster(true);
    e.setChannelSelect(0.5);
    e.setSection(EqEngine::Section::LowShelf, 0, 1, 105.1, 0.0, 6.0);
    e.setSection(EqEngine::Section::Mid1, 2, 0, 447, 1.13136, 8.0);
    e.setSection(EqEngine::Section::HighCut, 1, 0, 16818, 0.0, 0.0);
    e.suspend();
    e.resume(c.rate);
    std::vector<T> in[2], out[2];
    Fnv hash;
    Digests d;
    double level = 0.5;
    for (int done = 0; done < frames;) {
        // Block sizes 1..4096, many small ones, sometimes an empty call.
        int n = (int)(rng() % 5 == 0 ? rng() % 4096u + 1 : rng() % 64 + 1);
        if (rng() % 50 == 0) n = 0;
        for (int k = 0, changes = (int)(rng() % 3); k < changes; ++k)
            automate(e, rng);
        if (rng() % 20 == 0) level = rng() % 4 == 0 ? 1e-300 : 3.0 * (rng() % 1000) / 1000.0;
        if (rng() % 400 == 0) {
            e.suspend();
            e.resume(c.rate);
        }
        const bool in2 = rng() % 8 != 0, out2 = rng() % 8 != 0;
        const bool stereo = c.layout == 2 ? rng() % 2 == 0 : c.layout == 1;
        for (int ch = 0; ch < 2; ++ch) {
            in[ch].resize((std::size_t)n + 1);
            for (auto& v : in[ch])
                v = (T)(level * ((double)(rng() >> 8) / 8388608.0 - 1.0));
            out[ch] = c.inPlace ? in[ch] : std::vector<T>((std::size_t)n + 1, T(7));
        }
        T* outputs[2] = {out[0].data(), out[1].data()};
        T* inputs[2] = {c.inPlace ? outputs[0] : in[0].data(),
                        c.inPlace ? outputs[1] : in[1].data()};
        stereo ? e.processStereo(inputs, outputs, n, in2, out2)
               : e.processMono(inputs, outputs, n, out2);
        for (int ch = 0; ch < 2; ++ch)
            hash.add(out[ch].data(), out[ch].size());
        const float peak = e.getBlockPeak();
        hash.add(&peak, 1);
        if (done < kShortFrames && done + n >= kShortFrames) d.atShort = hash.h;
        done += n;
    }
    d.atEnd = hash.h;
    return d;
}

Digests run(const Case& c, int frames) {
    return c.doubles ? run<double>(c, frames) : run<float>(c, frames);
}

std::string hex(uint64_t v) {
    char s[17];
    std::snprintf(s, sizeof s, "%016llx", (unsigned long long)v);
    return s;
}

// The committed digests: one line "case short end" per case.
std::map<std::string, Digests> readDigests() {
    std::map<std::string, Digests> m;
    std::ifstream f(kDigestFile);
    std::string line;
    while (std::getline(f, line)) {
        std::istringstream s(line);
        std::string name, a, b;
        if (line.empty() || line[0] == '#' || !(s >> name >> a >> b)) continue;
        m[name] = {std::stoull(a, nullptr, 16), std::stoull(b, nullptr, 16)};
    }
    return m;
}

const char* setName(EqEngine::InstructionSet set) {
    return set == EqEngine::kSse2 ? "SSE2" : "AVX2";
}

} // namespace

TEST(EngineGolden, RandomAutomationDigestsOnEveryInstructionSet) {
#if defined(__SANITIZE_ADDRESS__)
    const int frames = kShortFrames;
#else
    const int frames = kFrames;
#endif
    const char* regen = std::getenv("DRAVO_REGENERATE_GOLDEN");
    const bool regenerate = regen && std::string(regen) == "1";
    if (regenerate) {
        ASSERT_EQ(frames, kFrames) << "regenerate in a build without ASan";
    }
    // Regenerating, the first set's digests are written and every other set
    // must agree with them.
    auto expected = regenerate ? std::map<std::string, Digests>{} : readDigests();
    if (!regenerate) {
        ASSERT_FALSE(expected.empty()) << "no digests in " << kDigestFile;
    }
    std::ostringstream file;
    file << "# Digests of the engine's output after " << kShortFrames << " and " << kFrames
         << " frames per case\n# (EngineGoldenTest.cpp; DRAVO_REGENERATE_GOLDEN=1 rewrites).\n";
    int sets = 0;
    for (EqEngine::InstructionSet set : {EqEngine::kSse2, EqEngine::kAvx2}) {
        if (!EqEngine::supports(set)) continue;
        EqEngine::forceInstructionSet(set);
        for (const Case& c : cases()) {
            const Digests d = run(c, frames);
            if (regenerate && sets == 0) {
                expected[c.name()] = d;
                file << c.name() << " " << hex(d.atShort) << " " << hex(d.atEnd) << "\n";
                continue;
            }
            const auto it = expected.find(c.name());
            if (it == expected.end()) {
                ADD_FAILURE() << c.name() << ": no digest in " << kDigestFile;
                continue;
            }
            const std::string where = c.name() + " on " + setName(set) + ": the output moved ";
            EXPECT_EQ(hex(d.atShort), hex(it->second.atShort))
                << where << "within the first " << kShortFrames << " frames";
            if (frames == kFrames && d.atShort == it->second.atShort) {
                EXPECT_EQ(hex(d.atEnd), hex(it->second.atEnd))
                    << where << "after frame " << kShortFrames;
            }
        }
        ++sets;
    }
    EqEngine::forceInstructionSet(EqEngine::kBest);
    EXPECT_GE(sets, 1);
    if (regenerate && !HasFailure()) {
        std::ofstream(kDigestFile) << file.str();
        std::cout << "rewrote " << kDigestFile << "\n";
    }
}
