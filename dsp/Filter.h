// Second-order filter section of the equaliser with root-domain glides.
//
// A change of any setting does not switch coefficients: the old and the new
// transfer function are factored into two zeros, two poles and a gain, those
// nine numbers move in a straight line over 50 ms, and the difference-equation
// coefficients are rebuilt from them at every sample of the ramp.
//
// Threads. The setters, suspend() and reset() form the control side; callers
// serialise them (the engine applies a section under its per-section gate). processFrame() is the
// audio side and may run at the same time as the setters. Each design is handed
// over as one immutable target set through a wait-free triple buffer: the audio
// thread takes the newest complete set at the start of a processFrame call, so
// every sample sees either the whole old or the whole new set, and computes the
// ramp increments from its own current roots. Called in sequence (set, then
// process) this is exactly the same arithmetic as computing the increments in
// the setter. suspend() and reset() also touch the audio side and must not run
// while processFrame runs (the host never suspends during a process call).
#pragma once

#include "dsp/Biquad.h"

#include <atomic>
#include <cstdint>

namespace dravo {

class Filter {
  public:
    // Response codes (see biquad::Type).
    enum Type : int32_t {
        kIdentity = biquad::kIdentity,
        kHighPass = biquad::kHighPass,
        kLowShelf = biquad::kLowShelf,
        kPeak = biquad::kPeak,
        kHighShelf = biquad::kHighShelf,
        kLowPass = biquad::kLowPass,
    };
    // Order of the nine glided values.
    enum Root {
        kZero1Re,
        kZero1Im,
        kZero2Re,
        kZero2Im,
        kPole1Re,
        kPole1Im,
        kPole2Re,
        kPole2Im,
        kGainFactor,
        kNumRoots
    };
    // Order of the six coefficients; a0 of the target holds the raw denominator.
    enum Coeff {
        kA0 = biquad::kA0,
        kA1 = biquad::kA1,
        kA2 = biquad::kA2,
        kB0 = biquad::kB0,
        kB1 = biquad::kB1,
        kB2 = biquad::kB2,
        kNumCoeffs = biquad::kNumCoeffs
    };

    // Stores the values as passed; no design until the first setter call.
    Filter(double sampleRate, int32_t type, double freq, double q, double gain);
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;

    // Control side. Each setter bounds its value and redesigns the target.
    void setSampleRate(double r); // outside [20000, 400000] -> 44100
    void setType(int t);
    void setFreq(double f); // [0.001, 0.499 * sampleRate]
    void setQ(double q);    // [0.0001, 1000]
    void setGain(double g); // [-1000, 1000] dB
    void setStatus(int s);  // no-op when unchanged
    void suspend(bool s);   // snap to the target; s: later changes apply at once
    void reset();           // clear history and ramp, roots back to construction values
    void calcDestCoeffs();
    void calcDestPolesAndZeros();

    // Between holdTargets() and releaseTargets() redesigns are not handed to
    // the audio side; releaseTargets() hands over the last one. A section
    // update uses this so that the audio never sees a half-updated section.
    void holdTargets() { held_ = true; }
    void releaseTargets();

    double sampleRate() const { return sampleRate_; }
    int32_t type() const { return type_; }
    double freq() const { return freq_; }
    double q() const { return q_; }
    double gain() const { return gain_; }
    int32_t status() const { return status_; }
    bool isSuspended() const { return suspended_; }
    uint64_t rampSteps() const { return rampSteps_; }
    double destCoeff(int i) const { return destCoeffs_[i]; }
    double destRoot(int i) const { return destRoots_[i]; }

    // Audio side: filters count samples of buf in place.
    void processFrame(double* buf, int count);
    // Takes over the newest handed-over target set (done by processFrame).
    void acquireTargets();
    // Clears the history if it holds an infinity or NaN (an overflow would
    // otherwise keep the recursion non-finite for good); true if it did.
    bool clearNonFiniteHistory();

    // The engine's vector chain does the arithmetic of processFrame in three
    // steps. beginCall() takes the newest targets and answers whether this
    // call filters at all (an identity passes the buffer untouched; an off
    // filter at rest forgets its history and passes it too).
    bool beginCall();
    // Writes the coefficients b0 b1 b2 a1 a2 of each of count samples to
    // c[S i], c[S i + 2], ... c[S i + 8] with S = kernels::kCoeffStride (both: also to the next
    // places) and moves the ramp on, as processFrame would. When they are the
    // same for the whole call (no ramp) only the first set is written and the
    // answer is false.
    bool callCoeffs(int count, double* c, bool both = false);
    // After beginCall() of both: o's call would give the same coefficients
    // (bit for bit), so followCall(o) after o.callCoeffs() stands in for
    // this filter's own callCoeffs().
    bool sameCall(const Filter& o) const;
    void followCall(const Filter& o);
    // x1 x2 y1 y2 of the recursion.
    void getHistory(double* h) const {
        h[0] = x1_;
        h[1] = x2_;
        h[2] = y1_;
        h[3] = y2_;
    }
    void setHistory(const double* h) {
        x1_ = h[0];
        x2_ = h[1];
        y1_ = h[2];
        y2_ = h[3];
    }
    // processFrame on count zeros when the history is zero: the output is
    // zero, so only the ramp moves. False (and nothing done) otherwise.
    bool runSilent(int count);

    // Audio-side state, for inspection on the audio thread (tests).
    double currentCoeff(int i) const { return currCoeffs_[i]; }
    double currentRoot(int i) const { return rootsCurr_[i]; }
    double rootStep(int i) const { return rootStep_[i]; }
    uint64_t stepsLeft() const { return stepsLeft_; }

  private:
    // One complete design as the audio side sees it.
    struct Target {
        int32_t type = 0;
        int32_t status = 0;
        bool snap = true; // designed while suspended: apply at once
        uint64_t rampSteps = 1;
        double coeffs[kNumCoeffs] = {1.0, 0.0, 0.0, 1.0, 0.0, 0.0};
        double roots[kNumRoots] = {};
    };

    void publish();
    void setRampSteps(double r);
    static void initialRoots(double* roots);

    // Control side: the settings, in the order of the data model.
    double sampleRate_;
    int32_t type_;
    double freq_;
    double q_;
    double gain_;
    int32_t status_ = 0;
    double destCoeffs_[kNumCoeffs] = {1.0, 0.0, 0.0, 1.0, 0.0, 0.0};
    double destRoots_[kNumRoots] = {};
    uint64_t rampSteps_ = 0;
    bool suspended_ = true;
    bool held_ = false;
    bool dirty_ = false;

    // Hand-over: three Target buffers. The writer owns back_, the reader owns
    // front_, the third one sits in middle_ with a "new" flag.
    static constexpr unsigned kIndexMask = 3u;
    static constexpr unsigned kNewFlag = 4u;
    Target sets_[3];
    unsigned back_ = 1;
    std::atomic<unsigned> middle_{2};
    unsigned front_ = 0;

    // Audio side.
    double currCoeffs_[kNumCoeffs] = {1.0, 0.0, 0.0, 1.0, 0.0, 0.0};
    double x1_ = 0.0, x2_ = 0.0;
    double y1_ = 0.0, y2_ = 0.0;
    double rootsCurr_[kNumRoots] = {};
    double rootStep_[kNumRoots] = {};
    uint64_t stepsLeft_ = 0;
};

} // namespace dravo
