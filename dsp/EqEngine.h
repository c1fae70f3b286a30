// The equaliser engine: 24 filters in six sections, oversampling, output gain,
// saturation limiter and block peak. No host, editor or toolkit types.
//
// Threads: the section updates and the loop-value setters are called from any
// thread (host automation, editor, preset recall) while process* runs on the
// audio thread; suspend/resume come from the host's dispatcher.
//  - A section update stores the section's values and asks for the section
//    to be applied. No caller ever waits: if another thread is applying the
//    same section, the request is left to it, and it applies again with the
//    newest values before it returns (a combining gate per section). So a
//    host that automates on its audio thread does not lock there either.
//    Applying hands every filter of the section a complete new target set
//    that the audio thread takes over wait-free at its next filter call
//    (see Filter). suspend/resume hold all six gates (waiting for a running
//    update, on the dispatcher thread only).
//  - Loop values, the block peak and the held LED level are atomics.
//  - The audio thread takes no lock and allocates nothing. suspend() and
//    resume() must not run during a process call (hosts never do that).
#pragma once

#include "dsp/Filter.h"
#include "dsp/Kernels.h"
#include "dsp/OutputStage.h"
#include "dsp/Oversampler.h"
#include "dsp/SectionDesign.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace dravo {

class EqEngine {
  public:
    // Filter roles, in the order the chain runs them.
    enum Role {
        kLowShelfMain,
        kLowShelfBell,
        kMid1Main,
        kMid1Low,
        kMid1High,
        kMid2Main,
        kMid2Low,
        kMid2High,
        kHighShelfMain,
        kHighShelfBell,
        kLowCut,
        kHighCut,
        kNumRoles
    };

    // Vector instruction set of the engine's kernels (filter chain,
    // interpolator, limiter window). Every set gives the same output bits;
    // the best the processor has is chosen at the first process call, for
    // the whole process.
    enum InstructionSet { kBest, kSse2, kAvx2 };
    static bool supports(InstructionSet set);
    // Later process calls of every engine use the given set (tests and
    // benchmarks); kBest restores the automatic choice.
    static void forceInstructionSet(InstructionSet set);

    EqEngine();
    ~EqEngine();
    EqEngine(const EqEngine&) = delete;
    EqEngine& operator=(const EqEngine&) = delete;

    // The six sections, in the order every table of the plug-in lists them.
    using Section = EqSection;
    static constexpr int kNumSections = kNumEqSections;
    using Field = EqField;

    // Stores one value of a section and asks for the section to be applied.
    // Each value is its own atomic and the applier always reads the newest
    // ones, so changes of different values from different threads are never
    // lost (see the combining gate above).
    void setSectionField(Section section, Field field, double value);
    // Stores all values of a section, then asks once for it to be applied.
    void setSection(Section section, int position, int shape, double hz, double q, double gainDb);

    // Values the processing loop reads.
    void setMaster(bool on);
    void setChannelSelect(double v); // normalised "LSR" value
    void setPhase(int position);
    void setOutputFactor(double factor); // a non-finite factor is ignored
    void setSaturation(float v);

    void initInterpolationKernel();
    void suspend();
    // Chooses the internal rate from the host rate, retunes and clears;
    // returns the validated sample rate the effect runs at.
    float resume(float hostRate);
    double latencyMilliseconds() const; // milliseconds at the validated rate
    double latencySamples() const;      // samples at the host rate

    // in2/out2: the host's answers for the second input/output pin,
    // combined with the speaker arrangement by the caller.
    void processStereo(float** inputs, float** outputs, int frames, bool in2, bool out2);
    void processStereo(double** inputs, double** outputs, int frames, bool in2, bool out2);
    void processMono(float** inputs, float** outputs, int frames, bool out2);
    void processMono(double** inputs, double** outputs, int frames, bool out2);

    // Peak of the last processed block (linear, at most 4), for the clip LED.
    float getBlockPeak() const;
    void setBlockPeak(float v);
    // The block peak, cleared: a clip is taken once.
    float takeBlockPeak();

    // Inspection (tests, the editor's read-outs).
    bool isOversampling() const { return oversamplingOn_.load(std::memory_order_relaxed); }
    double getInternalRate() const { return internalRate_.load(std::memory_order_relaxed); }
    int getWindowLength() const { return windowLength_.load(std::memory_order_relaxed); }
    const double* interpolationTable() const { return oversampler_.table(); }
    // Filter of a role for channel 0 (left) or 1 (right). Its setters must
    // not be called directly while the engine runs.
    Filter& filter(int role, int channel) { return *filters_[role][channel]; }

  private:
    // The last values of a section (mode or on position, shape, Hz, Q, dB)
    // and its gate: the number of update requests not yet applied.
    struct SectionState {
        std::atomic<unsigned> requests{0};
        std::atomic<int> mode{0};
        std::atomic<int> shape{0};
        std::atomic<double> hz{1000.0};
        std::atomic<double> q{1.0};
        std::atomic<double> gainDb{0.0};
        void store(int m, int s, double f, double qq, double g);
    };

    // Control side: runs only while holding the section's gate.
    void applySection(int section);
    void applyAllSections();
    void request(int section);
    void settle(int section, unsigned covered, bool applyFirst);
    void holdAllSections();
    void releaseAllSections();

    template <typename T, bool Stereo>
    void run(T** inputs, T** outputs, int frames, bool in2, bool out2);
    void runChain(int lanes, int m, bool highCutOn, const kernels::Set& k);
    void runSwitchedOffHighCut(int ch);

    std::unique_ptr<Filter> filters_[kNumRoles][2];

    SectionState sections_[kNumSections];
    double oversamplingChosen_ = 1.0; // suspend/resume only

    // Written by resume, read by the audio thread and the latency getters.
    std::atomic<bool> oversamplingOn_{true};
    std::atomic<double> internalRate_{88200.0};
    std::atomic<int> windowLength_{29};
    std::atomic<float> sampleRate_{44100.0f};

    // Loop values.
    static constexpr int kLeft = 1, kRight = 2;
    std::atomic<bool> master_{true};
    std::atomic<int> channels_{kLeft | kRight};
    std::atomic<int> phase_{0};
    std::atomic<double> outputTarget_{1.0};
    std::atomic<bool> saturation_{false};
    std::atomic<int> highCutOn_{0};
    std::atomic<double> blockPeak_{0.0};

    // Audio side.
    static constexpr int kWork = 64;
    static constexpr int kPairs = 2 * Oversampler::kMaxBlock; // lane pairs per sub-block
    double outputGain_ = 1.0;
    // The sub-block of both channels as lane pairs (left, right).
    alignas(32) double lr_[2 * kPairs] = {};
    // Per-sample coefficient sets of the filters that glide in this call.
    alignas(32) double coeffs_[kNumRoles][kernels::kCoeffStride * kPairs] = {};
    double scratch_[kWork] = {};
    bool scratchZero_ = true; // scratch_ holds only zeros
    Oversampler oversampler_;
    OutputStage output_;
};

} // namespace dravo
