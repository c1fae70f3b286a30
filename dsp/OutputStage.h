// Output stage: a fixed delay of D = N div 2 samples per channel and, with
// saturation on, a look-ahead soft limiter whose envelope is the windowed
// maximum of the last N magnitudes (D samples ahead of and behind the sample
// being output).
#pragma once

#include "dsp/Kernels.h"

#include <cmath>

namespace dravo {

class OutputStage {
  public:
    static constexpr int kRing = 1024;
    static constexpr int kMaxWindow = 135; // N at a validated 200000 Hz is 133

    OutputStage();
    // Window length N (odd), its weights and the write position 1023.
    void prepare(int windowLength);
    // Clears both channels' delay and level rings.
    void clear();
    // Sets the infinite or NaN entries of both rings to 0.
    void clearNonFinite();
    int windowLength() const { return n_; }
    int delay() const { return d_; }
    double weight(int k) const { return w_[k]; }

    // Stores y for channel ch at the write position and answers the output
    // sample. The level ring is written whatever the saturation switch says,
    // so the envelope already knows the samples in the delay ring the moment
    // saturation is switched on.
    double process(int ch, double y, bool saturation) {
        ring_[p_][ch] = y;
        level_[p_][ch] = level_[p_ + kRing][ch] = std::fabs(y); // no branch on the sign
        const double delayed = ring_[(p_ - d_) & (kRing - 1)][ch];
        if (!saturation) return delayed;
        double e = 0.0;
        for (int k = 0; k < n_; ++k) {
            const double v = w_[k] * level_[(p_ - k) & (kRing - 1)][ch];
            if (v > e) e = v;
        }
        return gain(e) * delayed;
    }
    // Both channels at once (y and out: left, right); the same as process()
    // for channel 0, then channel 1. The window maximum runs on k's kernel.
    void processPair(const double* y, bool saturation, double* out, const kernels::Set& k);
    void advance() { p_ = (p_ + 1) & (kRing - 1); }

  private:
    // Transfer e - 0.15 e^3 up to the knee at 1.490526 (0.99381 there),
    // a constant 0.993807 ceiling above it: the gain for envelope e.
    static double gain(double e) { return e < 1.490526 ? 1.0 - 0.15 * (e * e) : 0.993807 / e; }

    int n_ = 29;
    int d_ = 14;
    int p_ = kRing - 1;
    double w_[kMaxWindow] = {};
    // The weights in reading order for the window kernel: position j of the
    // window (oldest first) has weight w[N - 1 - j], for both lanes.
    alignas(32) double wPairs_[kMaxWindow + 1][2] = {};
    // Per position: left, right. The level ring is written twice (at p and
    // p + kRing), so every window lies in one piece.
    alignas(32) double ring_[kRing][2];
    alignas(32) double level_[2 * kRing][2];
};

} // namespace dravo
