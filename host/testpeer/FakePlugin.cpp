// A minimal VST 2.x plug-in with known behaviour, so the host library can be
// tested on its own: every answer and callback here is what the host tests
// expect. Not a product; built only for the tests.
#include "vst/vst2abi.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

namespace {

struct Fake {
    AEffect effect{};
    audioMasterCallback host = nullptr;
    float params[3] = {0.25f, 0.5f, 0.75f};
    VstIntPtr blockSizeAnswer = 0;
    std::vector<unsigned char> chunk{1, 2, 3, 4, 5};
    // FAKE_PEER_LATE_LATENCY=N: the output is delayed by N samples, but the
    // latency reads 0 after resume and N only after the first two blocks
    // (announced with audioMasterIOChanged), as some plug-ins do.
    // FAKE_PEER_EARLY_LATENCY=E: the latency read before that is E, not 0;
    // FAKE_PEER_LATE_AFTER=B: it changes after B blocks, not 2.
    int lateLatency = 0, earlyLatency = 0, lateAfter = 2;
    // FAKE_PEER_HUM=1: a constant 0.25 is added to the output, so it never
    // falls silent.
    double hum = 0.0;
    // FAKE_PEER_CRASH=segv|abort|exit: the third block crashes, aborts or
    // exits the host's process.
    const char* crash = nullptr;
    int blocksSinceResume = 0, blocksProcessed = 0;
    std::deque<double> delay[2];
};

Fake* self(AEffect* e) {
    return static_cast<Fake*>(e->object);
}

// Output = 2 x input on each channel; an output pin the host reports as
// unconnected gets silence, and an unconnected second input is read as a copy
// of the first (what a mono-aware plug-in does).
template <typename T> void process(AEffect* e, T** in, T** out, VstInt32 n) {
    Fake* f = self(e);
    bool in1 = f->host(e, audioMasterPinConnected, 1, 0, nullptr, 0.0f) == 0;
    bool out1 = f->host(e, audioMasterPinConnected, 1, 1, nullptr, 0.0f) == 0;
    const bool twoIn = e->numInputs > 1, twoOut = e->numOutputs > 1;
    for (VstInt32 i = 0; i < n; ++i) {
        T l = in[0][i], r = twoIn && in1 ? in[1][i] : in[0][i];
        if (f->lateLatency > 0) {
            f->delay[0].push_back(l);
            f->delay[1].push_back(r);
            l = static_cast<T>(f->delay[0].front());
            r = static_cast<T>(f->delay[1].front());
            f->delay[0].pop_front();
            f->delay[1].pop_front();
        }
        if (!twoOut) {
            out[0][i] = static_cast<T>((twoIn ? l + r : 2 * l) + f->hum);
            continue;
        }
        out[0][i] = static_cast<T>(2 * l + f->hum);
        out[1][i] = out1 ? static_cast<T>((twoIn ? 2 * r : -2 * l) + f->hum) : 0;
    }
    if (f->crash && ++f->blocksProcessed == 3) {
        if (*f->crash == 's') std::raise(SIGSEGV); // as a stray pointer would
        if (*f->crash == 'a') std::abort();
        std::exit(9);
    }
    if (f->lateLatency > 0 && ++f->blocksSinceResume == f->lateAfter) {
        e->initialDelay = f->lateLatency;
        f->host(e, audioMasterIOChanged, 0, 0, nullptr, 0.0f);
    }
}

void processFloat(AEffect* e, float** in, float** out, VstInt32 n) {
    process(e, in, out, n);
}
void processDouble(AEffect* e, double** in, double** out, VstInt32 n) {
    process(e, in, out, n);
}
void setParam(AEffect* e, VstInt32 i, float v) {
    if (i >= 0 && i < 3) self(e)->params[i] = v;
}
float getParam(AEffect* e, VstInt32 i) {
    return i >= 0 && i < 3 ? self(e)->params[i] : 0.0f;
}

VstIntPtr dispatcher(AEffect* e, VstInt32 op, VstInt32 index, VstIntPtr value, void* ptr, float) {
    Fake* f = self(e);
    char* text = static_cast<char*>(ptr);
    switch (op) {
    case effClose:
        delete f;
        return 1;
    case effGetParamName:
        if (index < 0 || index > 2) return 0;
        std::memcpy(text, "p0", 3); // exactly three bytes
        text[1] = static_cast<char>('0' + index);
        return 0;
    case effGetParamDisplay:
        // Parameter 2 writes 12 bytes, more than the 8 the interface allows.
        std::memcpy(text, index == 2 ? "0123456789A" : "ok", index == 2 ? 12 : 3);
        return 0;
    case effGetEffectName:
        std::strcpy(text, "Fake");
        return 1;
    case effGetVendorString:
        std::strcpy(text, "Test peer");
        return 1;
    case effMainsChanged:
        if (value) f->blockSizeAnswer = f->host(e, audioMasterGetBlockSize, 0, 0, nullptr, 0.0f);
        if (value && f->lateLatency > 0) {
            e->initialDelay = f->earlyLatency;
            f->blocksSinceResume = 0;
            for (auto& d : f->delay)
                d.assign(static_cast<std::size_t>(f->lateLatency), 0.0);
        }
        return 0;
    case effEditIdle: // an editor gesture on parameter 1
        f->host(e, audioMasterBeginEdit, 1, 0, nullptr, 0.0f);
        f->host(e, audioMasterAutomate, 1, 0, nullptr, 0.125f);
        f->host(e, audioMasterEndEdit, 1, 0, nullptr, 0.0f);
        return 0;
    case effGetChunk:
        *static_cast<void**>(ptr) = f->chunk.data();
        return static_cast<VstIntPtr>(f->chunk.size());
    case effSetChunk: {
        auto* bytes = static_cast<unsigned char*>(ptr);
        f->chunk.assign(bytes, bytes + value);
        return 0;
    }
    case effVendorSpecific: // reports the block size the host answered at resume
        return f->blockSizeAnswer;
    case effGetTailSize:
        return 7;
    default:
        return 0;
    }
}

} // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host) {
    if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    Fake* f = new Fake;
    f->host = host;
    AEffect& e = f->effect;
    e.magic = kEffectMagic;
    e.dispatcher = dispatcher;
    e.setParameter = setParam;
    e.getParameter = getParam;
    e.processReplacing = processFloat;
    e.processDoubleReplacing = processDouble;
    e.numPrograms = 1;
    e.numParams = 3;
    e.numInputs = 2;
    e.numOutputs = 2;
    e.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing | effFlagsProgramChunks;
    e.initialDelay = 3;
    if (std::getenv("FAKE_PEER_HUM")) f->hum = 0.25;
    f->crash = std::getenv("FAKE_PEER_CRASH");
    // FAKE_PEER_PINS=IxO: I inputs and O outputs, each 1 or 2 (default 2x2).
    // One output of two inputs is their sum; two outputs of one input are
    // 2 x the input and -2 x the input.
    if (const char* pins = std::getenv("FAKE_PEER_PINS")) {
        e.numInputs = pins[0] == '1' ? 1 : 2;
        e.numOutputs = pins[0] && pins[1] == 'x' && pins[2] == '1' ? 1 : 2;
    }
    if (const char* late = std::getenv("FAKE_PEER_LATE_LATENCY")) {
        f->lateLatency = std::atoi(late);
        if (const char* early = std::getenv("FAKE_PEER_EARLY_LATENCY"))
            f->earlyLatency = std::atoi(early);
        if (const char* after = std::getenv("FAKE_PEER_LATE_AFTER"))
            f->lateAfter = std::atoi(after);
        if (f->lateLatency > 0) e.initialDelay = f->earlyLatency;
    }
    e.ioRatio = 1.0f;
    e.object = f;
    e.uniqueID = fourCC('F', 'a', 'k', 'e');
    e.version = 1;
    // A callback with the effect before the host has seen the record.
    host(&e, audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f);
    return &e;
}
