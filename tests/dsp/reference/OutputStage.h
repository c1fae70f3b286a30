// Frozen copy of the scalar engine the optimised one must match bit for bit.
// Output stage: a fixed delay of D = N div 2 samples per channel and, with
// saturation on, a look-ahead soft limiter whose envelope is the windowed
// maximum of the last N magnitudes (D samples ahead of and behind the sample
// being output).
#pragma once

namespace ref {

class OutputStage {
  public:
    static constexpr int kRing = 1024;
    static constexpr int kMaxWindow = 135; // N at a validated 200000 Hz is 133

    OutputStage();
    // Window length N (odd), its weights and the write position 1023.
    void prepare(int windowLength);
    // Clears both channels' delay and level rings.
    void clear();
    int windowLength() const { return n_; }
    int delay() const { return d_; }
    double weight(int k) const { return w_[k]; }

    // Stores y for channel ch at the write position and answers the output
    // sample. The level ring is written whatever the saturation switch says,
    // so the envelope already knows the samples in the delay ring the moment
    // saturation is switched on.
    double process(int ch, double y, bool saturation) {
        double* ring = delay_[ch];
        double* level = level_[ch];
        ring[p_] = y;
        level[p_] = y < 0.0 ? -y : y;
        const double delayed = ring[(p_ - d_) & (kRing - 1)];
        if (!saturation) return delayed;
        double e = 0.0;
        for (int k = 0; k < n_; ++k) {
            const double v = w_[k] * level[(p_ - k) & (kRing - 1)];
            if (v > e) e = v;
        }
        // Transfer e - 0.15 e^3 up to the knee at 1.490526 (0.99381 there),
        // a constant 0.993807 ceiling above it.
        const double r = e < 1.490526 ? 1.0 - 0.15 * (e * e) : 0.993807 / e;
        return r * delayed;
    }
    void advance() { p_ = (p_ + 1) & (kRing - 1); }

  private:
    int n_ = 29;
    int d_ = 14;
    int p_ = kRing - 1;
    double w_[kMaxWindow] = {};
    double delay_[2][kRing];
    double level_[2][kRing];
};

} // namespace ref
