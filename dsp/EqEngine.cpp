#include "dsp/EqEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>
#include <type_traits>

namespace dravo {

namespace {

inline double flushDenormal(double v) {
    v += 1e-30;
    v -= 1e-30;
    return v;
}

constexpr auto kRelaxed = std::memory_order_relaxed;
static_assert(std::atomic<double>::is_always_lock_free, "the audio thread must not lock");

// Follower step of the output gain per host sample (63% after ~500 samples).
constexpr double kGainFollow = 0.002;
// Block peaks are reported up to +12 dBFS.
constexpr double kPeakLimit = 4.0;

} // namespace

namespace {

std::atomic<const kernels::Set*> gKernels{nullptr};

const kernels::Set& bestKernels() {
    return kernels::hasAvx2() ? kernels::avx2() : kernels::sse2();
}

// Chosen once, on the first process call.
const kernels::Set& activeKernels() {
    const kernels::Set* k = gKernels.load(std::memory_order_relaxed);
    if (!k) {
        k = &bestKernels();
        gKernels.store(k, std::memory_order_relaxed);
    }
    return *k;
}

} // namespace

bool EqEngine::supports(InstructionSet set) {
    return set != kAvx2 || kernels::hasAvx2();
}

void EqEngine::forceInstructionSet(InstructionSet set) {
    const kernels::Set* k = &bestKernels();
    if (set == kSse2) k = &kernels::sse2();
    gKernels.store(k, std::memory_order_relaxed);
}

EqEngine::EqEngine() {
    // Creation codes of the roles; the shelf companions become bells (4) at
    // their first update. Every filter starts off and suspended at 88200 Hz.
    static const int32_t kCodes[kNumRoles] = {
        Filter::kLowShelf,  Filter::kHighPass, Filter::kPeak,     Filter::kPeak,
        Filter::kPeak,      Filter::kPeak,     Filter::kPeak,     Filter::kPeak,
        Filter::kHighShelf, Filter::kLowPass,  Filter::kHighPass, Filter::kLowPass,
    };
    for (int role = 0; role < kNumRoles; ++role)
        for (int ch = 0; ch < 2; ++ch)
            filters_[role][ch] = std::make_unique<Filter>(88200.0, kCodes[role], 1000.0, 1.0, 0.0);
    // Section values of the factory default preset until the first updates.
    sections_[(int)Section::LowCut].store(0, 0, 12.4, 0.0, 0.0);
    sections_[(int)Section::LowShelf].store(2, 0, 105.1, 0.0, 0.0);
    sections_[(int)Section::Mid1].store(2, 0, 895.0, 1.13136, 0.0);
    sections_[(int)Section::Mid2].store(2, 0, 1266.0, 1.13136, 0.0);
    sections_[(int)Section::HighShelf].store(2, 0, 8909.0, 0.0, 0.0);
    sections_[(int)Section::HighCut].store(0, 0, 28284.0, 0.0, 0.0);
    initInterpolationKernel();
}

void EqEngine::SectionState::store(int m, int s, double f, double qq, double g) {
    mode.store(m, kRelaxed);
    shape.store(s, kRelaxed);
    hz.store(f, kRelaxed);
    q.store(qq, kRelaxed);
    gainDb.store(g, kRelaxed);
}

EqEngine::~EqEngine() = default;

// ---------------------------------------------------------------------------
// Section mapping (control side)

namespace {

// The roles of each section's filters, in the order of its design.
struct SectionRoles {
    int count;
    int roles[3];
};
constexpr SectionRoles kSectionRoles[kNumEqSections] = {
    {1, {EqEngine::kLowCut}},
    {1, {EqEngine::kHighCut}},
    {2, {EqEngine::kLowShelfMain, EqEngine::kLowShelfBell}},
    {3, {EqEngine::kMid1Main, EqEngine::kMid1Low, EqEngine::kMid1High}},
    {3, {EqEngine::kMid2Main, EqEngine::kMid2Low, EqEngine::kMid2High}},
    {2, {EqEngine::kHighShelfMain, EqEngine::kHighShelfBell}},
};

} // namespace

void EqEngine::applySection(int section) {
    const SectionState& s = sections_[section];
    SectionValues v;
    v.position = s.mode.load(kRelaxed);
    v.shape = s.shape.load(kRelaxed);
    v.hz = s.hz.load(kRelaxed);
    v.q = s.q.load(kRelaxed);
    v.gainDb = s.gainDb.load(kRelaxed);
    const double rate = internalRate_.load(kRelaxed);
    const SectionDesign d = designSection((Section)section, v, rate);
    const SectionRoles& r = kSectionRoles[section];
    // The section's filters take their new designs together: none is handed
    // to the audio side before all of them are set.
    for (int i = 0; i < r.count; ++i)
        for (int ch = 0; ch < 2; ++ch) {
            Filter& f = *filters_[r.roles[i]][ch];
            f.holdTargets();
            if (f.sampleRate() != rate) f.setSampleRate(rate);
            const FilterDesign& fd = d.filters[i];
            f.setType(fd.type);
            f.setFreq(fd.freq);
            f.setQ(fd.q);
            if (!fd.keepsGain) f.setGain(fd.gain);
            f.setStatus(fd.status);
        }
    for (int i = 0; i < r.count; ++i)
        for (int ch = 0; ch < 2; ++ch)
            filters_[r.roles[i]][ch]->releaseTargets();
}

void EqEngine::applyAllSections() {
    for (int section = 0; section < kNumSections; ++section)
        applySection(section);
}

// The first requester of an idle section applies it; a request that finds
// the section busy only counts itself, and the busy thread applies again
// (with the newest stored values) until no request is left uncovered.
void EqEngine::request(int section) {
    if (sections_[section].requests.fetch_add(1, std::memory_order_acq_rel) != 0) return;
    settle(section, 1, true);
}

void EqEngine::settle(int section, unsigned covered, bool applyFirst) {
    std::atomic<unsigned>& requests = sections_[section].requests;
    if (applyFirst) applySection(section);
    for (;;) {
        const unsigned before = requests.fetch_sub(covered, std::memory_order_acq_rel);
        if (before == covered) return;
        covered = before - covered;
        applySection(section);
    }
}

void EqEngine::holdAllSections() {
    for (SectionState& s : sections_) {
        unsigned idle = 0;
        while (!s.requests.compare_exchange_weak(idle, 1, std::memory_order_acq_rel)) {
            idle = 0;
            std::this_thread::yield();
        }
    }
}

void EqEngine::releaseAllSections() {
    for (int section = 0; section < kNumSections; ++section)
        settle(section, 1, false);
}

void EqEngine::setSectionField(Section section, Field field, double value) {
    SectionState& v = sections_[(int)section];
    switch (field) {
    case Field::Position:
        v.mode.store((int)value, kRelaxed);
        if (section == Section::HighCut) highCutOn_.store((int)value, kRelaxed);
        break;
    case Field::Shape:
        v.shape.store((int)value, kRelaxed);
        break;
    case Field::Hz:
        v.hz.store(value, kRelaxed);
        break;
    case Field::Q:
        v.q.store(value, kRelaxed);
        break;
    case Field::GainDb:
        v.gainDb.store(value, kRelaxed);
        break;
    }
    request((int)section);
}

void EqEngine::setSection(Section section, int position, int shape, double hz, double q,
                          double gainDb) {
    if (section == Section::HighCut) highCutOn_.store(position, kRelaxed);
    sections_[(int)section].store(position, shape, hz, q, gainDb);
    request((int)section);
}

// ---------------------------------------------------------------------------
// Loop values

void EqEngine::setMaster(bool on) {
    master_.store(on, kRelaxed);
}

void EqEngine::setChannelSelect(double v) {
    // "LSR": below 0.25 right only, from 0.75 left only, else both.
    int channels = kLeft | kRight;
    if (v < 0.25)
        channels = kRight;
    else if (v >= 0.75)
        channels = kLeft;
    channels_.store(channels, kRelaxed);
}

void EqEngine::setPhase(int position) {
    phase_.store(position, kRelaxed);
}

void EqEngine::setOutputFactor(double factor) {
    // A non-finite target would poison the follower for good.
    if (std::isfinite(factor)) outputTarget_.store(factor, kRelaxed);
}

void EqEngine::setSaturation(float v) {
    saturation_.store(v >= 0.5f, kRelaxed);
}

float EqEngine::getBlockPeak() const {
    return (float)blockPeak_.load(kRelaxed);
}
void EqEngine::setBlockPeak(float v) {
    blockPeak_.store(v, kRelaxed);
}
float EqEngine::takeBlockPeak() {
    return (float)blockPeak_.exchange(0.0, kRelaxed);
}

// ---------------------------------------------------------------------------
// Rate, latency, suspend and resume

void EqEngine::initInterpolationKernel() {
    oversampler_.initInterpolationKernel();
}

double EqEngine::latencySamples() const {
    return windowLength_.load(kRelaxed) / 2 + Oversampler::kDelay;
}

double EqEngine::latencyMilliseconds() const {
    return latencySamples() * 1000.0 / sampleRate_.load(kRelaxed);
}

void EqEngine::suspend() {
    holdAllSections();
    for (auto& role : filters_)
        for (auto& f : role)
            f->suspend(true);
    for (auto& role : filters_)
        for (auto& f : role)
            f->reset();
    outputGain_ = outputTarget_.load(kRelaxed);
    blockPeak_.store(0.0, kRelaxed);
    std::memset(lr_, 0, sizeof lr_);
    std::memset(scratch_, 0, sizeof scratch_);
    scratchZero_ = true;
    releaseAllSections();
}

float EqEngine::resume(float hostRate) {
    holdAllSections();
    // The oversampling decision uses the rate as reported, before validation.
    oversamplingChosen_ = oversamplesAt(hostRate) ? 1.0 : 0.0;
    const bool os = oversamplingChosen_ != 0.0;
    oversamplingOn_.store(os, kRelaxed);
    internalRate_.store(os ? 2.0 * hostRate : (double)hostRate, kRelaxed);
    // Still suspended: the new responses apply at once.
    applyAllSections();
    for (auto& role : filters_)
        for (auto& f : role)
            f->suspend(false);

    // An implausible rate (or NaN) runs as 44100 Hz.
    const float rate = validHostRate(hostRate);
    sampleRate_.store(rate, kRelaxed);
    internalRate_.store(internalRateFor(hostRate), kRelaxed);
    // Glides to the corrected responses only if validation changed the rate.
    applyAllSections();

    // Saturation window: N = rate / 1500, made odd; the output delays N div 2.
    int n = (int)(rate / 1500.0);
    if (n % 2 == 0) n += 1;
    windowLength_.store(n, kRelaxed);
    output_.prepare(n);
    output_.clear();
    oversampler_.clear();
    // A level set while suspended is in effect from the first sample, as the
    // filters' settings are; it glides only while running.
    outputGain_ = outputTarget_.load(kRelaxed);
    releaseAllSections();
    return rate;
}

// ---------------------------------------------------------------------------
// Processing

void EqEngine::runChain(int lanes, int m, bool highCutOn, const kernels::Set& k) {
    // Gathers the filters that work in this call as stages with both lanes
    // (a lane whose channel is not processed, or whose filter passes, is
    // left out of that stage), then runs runs of stages with the same lanes.
    kernels::Stage stages[kNumRoles];
    int stageRole[kNumRoles], stageLanes[kNumRoles];
    int count = 0;
    const int last = highCutOn ? kHighCut : kLowCut;
    for (int role = kLowShelfMain; role <= last; ++role) {
        Filter& fl = *filters_[role][0];
        Filter& fr = *filters_[role][1];
        const bool runL = (lanes & kLeft) && fl.beginCall();
        const bool runR = (lanes & kRight) && fr.beginCall();
        if (!runL && !runR) continue;
        double* c = coeffs_[role];
        bool rampL, rampR;
        if (runL && runR && fr.sameCall(fl)) {
            // The usual case: both channels at the same point of the same ramp.
            rampL = rampR = fl.callCoeffs(m, c, true);
            fr.followCall(fl);
        } else {
            rampL = runL && fl.callCoeffs(m, c);
            rampR = runR && fr.callCoeffs(m, c + 1);
        }
        if (rampL != rampR) {
            // One lane ramps: the other one's single set for every sample.
            const int steady = rampL ? 1 : 0;
            for (int i = 1; i < m; ++i)
                for (int k = 0; k < kernels::kCoeffStride; k += 2)
                    c[kernels::kCoeffStride * i + k + steady] = c[k + steady];
        }
        kernels::Stage& st = stages[count];
        st.c = c;
        st.stride = rampL || rampR ? kernels::kCoeffStride : 0;
        double h[4] = {0.0, 0.0, 0.0, 0.0};
        if (runL) fl.getHistory(h);
        for (int k = 0; k < 4; ++k)
            st.h[2 * k] = h[k];
        if (runR) fr.getHistory(h);
        for (int k = 0; k < 4; ++k)
            st.h[2 * k + 1] = h[k];
        stageRole[count] = role;
        stageLanes[count] = (runL ? kLeft : 0) | (runR ? kRight : 0);
        ++count;
    }

    for (int a = 0; a < count;) {
        int b = a + 1;
        while (b < count && stageLanes[b] == stageLanes[a])
            ++b;
        k.chain(stages + a, b - a, lr_, m, stageLanes[a]);
        a = b;
    }

    for (int i = 0; i < count; ++i) {
        double h[4];
        for (int ch = 0; ch < 2; ++ch) {
            if (!(stageLanes[i] & (ch == 0 ? kLeft : kRight))) continue;
            for (int j = 0; j < 4; ++j)
                h[j] = stages[i].h[2 * j + ch];
            filters_[stageRole[i]][ch]->setHistory(h);
        }
    }

    // A high cut that is off keeps running on the scratch area (both
    // channels in turn), so it comes back at once without a glide. Once it
    // has rung out to zero, only its ramp moves.
    if (!highCutOn) {
        if (lanes & kLeft) runSwitchedOffHighCut(0);
        if (lanes & kRight) runSwitchedOffHighCut(1);
    }
}

void EqEngine::runSwitchedOffHighCut(int ch) {
    Filter& f = *filters_[kHighCut][ch];
    if (scratchZero_ && f.runSilent(kWork)) return;
    f.processFrame(scratch_, kWork);
    bool zero = true;
    for (double v : scratch_)
        zero = zero && v == 0.0;
    scratchZero_ = zero;
}

template <typename T, bool Stereo>
void EqEngine::run(T** inputs, T** outputs, int frames, bool in2, bool out2) {
    std::memset(scratch_, 0, sizeof scratch_);
    scratchZero_ = true;
    if (frames < 1 || !inputs || !outputs || !inputs[0] || !outputs[0]) {
        blockPeak_.store(0.0, kRelaxed);
        return;
    }
    const T* inL = inputs[0];
    const T* inR = (Stereo && in2 && inputs[1]) ? inputs[1] : inputs[0];
    T* outL = outputs[0];
    T* outR = (out2 && outputs[1]) ? outputs[1] : outputs[0];
    const bool os = oversamplingOn_.load(kRelaxed);
    const kernels::Set& k = activeKernels();
    double peak[2] = {0.0, 0.0};

    for (int done = 0; done < frames;) {
        const int n = std::min(Oversampler::kMaxBlock, frames - done);
        // Loop values are read once per sub-block.
        const bool master = master_.load(kRelaxed);
        const int channels = Stereo ? channels_.load(kRelaxed) : kLeft;
        const bool invert = phase_.load(kRelaxed) != 0;
        const double target = outputTarget_.load(kRelaxed);
        const bool saturation = saturation_.load(kRelaxed);
        const bool highCutOn = highCutOn_.load(kRelaxed) != 0;

        const T* in[2] = {inL + done, inR + done};
        for (int c = 0; c < (Stereo ? 2 : 1); ++c)
            for (int i = 0; i < n; ++i) {
                // A non-finite input sample counts as silence.
                double v = (double)in[c][i];
                v = v - v == 0.0 ? v : 0.0;
                lr_[2 * i + c] = invert ? -v : v;
            }

        for (int i = 0; i < n; ++i) {
            const double next = flushDenormal(outputGain_ + (target - outputGain_) * kGainFollow);
            // Arrived: a step that gives the same bits gives them every time.
            const bool still = std::memcmp(&next, &outputGain_, sizeof next) == 0;
            outputGain_ = next;
            if (still) break;
        }
        const double g = outputGain_;

        const int m = os ? 2 * n : n;
        const int lanes = master ? (channels & (kLeft | kRight)) : 0;
        if (!os)
            oversampler_.delay(lr_, n, Stereo);
        else if (lanes)
            oversampler_.upsample(lr_, n, Stereo, k);
        else // the filters do not run: only the samples the decimation keeps
            oversampler_.upsampleDecimated(lr_, n, Stereo);

        if (lanes) runChain(lanes, m, highCutOn, k);

        if (os && lanes) Oversampler::decimate(lr_, n);

        T* outl = outL + done;
        T* outr = outR + done;
        for (int i = 0; i < n; ++i) {
            double yl, yr;
            if (Stereo) {
                const double y[2] = {lr_[2 * i] * g, lr_[2 * i + 1] * g};
                double o[2];
                output_.processPair(y, saturation, o, k);
                yl = o[0];
                yr = o[1];
            } else {
                yl = yr = output_.process(0, lr_[2 * i] * g, saturation);
            }
            output_.advance();
            const double al = std::fabs(yl), ar = std::fabs(yr);
            if (al > peak[0]) peak[0] = al;
            if (Stereo && ar > peak[1]) peak[1] = ar;
            // Write order decides which channel a shared output keeps: the
            // 32-bit loops write left then right, the 64-bit loops right then left.
            if (std::is_same<T, float>::value) {
                outl[i] = (T)yl;
                outr[i] = (T)yr;
            } else {
                outr[i] = (T)yr;
                outl[i] = (T)yl;
            }
        }
        done += n;
    }

    // A finite input can still overflow a recursion to infinity; such a
    // filter starts again from silence at the next block, and what it left
    // in the output delay is dropped.
    bool overflow = false;
    for (auto& role : filters_)
        for (auto& f : role)
            overflow |= f->clearNonFiniteHistory();
    if (overflow) output_.clearNonFinite();

    const double pl = std::min(peak[0], kPeakLimit);
    const double pr = std::min(peak[1], kPeakLimit);
    blockPeak_.store(pl > pr ? pl : pr, kRelaxed);
}

void EqEngine::processStereo(float** inputs, float** outputs, int frames, bool in2, bool out2) {
    run<float, true>(inputs, outputs, frames, in2, out2);
}

void EqEngine::processStereo(double** inputs, double** outputs, int frames, bool in2, bool out2) {
    run<double, true>(inputs, outputs, frames, in2, out2);
}

void EqEngine::processMono(float** inputs, float** outputs, int frames, bool out2) {
    run<float, false>(inputs, outputs, frames, false, out2);
}

void EqEngine::processMono(double** inputs, double** outputs, int frames, bool out2) {
    run<double, false>(inputs, outputs, frames, false, out2);
}

} // namespace dravo
