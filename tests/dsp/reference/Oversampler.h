// Frozen copy of the scalar engine the optimised one must match bit for bit.
// Half-band interpolator that doubles the rate of a sub-block, the decimation
// that halves it again, and the matching 32-sample delay used instead when
// the filters run at the host rate. Either way a host sample comes back
// 32 host samples later.
#pragma once

namespace ref {

class Oversampler {
  public:
    static constexpr int kTaps = 127;    // interpolation table length
    static constexpr int kCentre = 63;   // index of the centre coefficient
    static constexpr int kHistory = 64;  // host samples kept per channel
    static constexpr int kDelay = 32;    // latency in host samples
    static constexpr int kMaxBlock = 16; // host samples per sub-block

    Oversampler();
    // Fills the interpolation table (a Blackman-windowed half-band kernel).
    void initUpsDec();
    const double* table() const { return h2_; }
    // Forgets all input: the stream before the next sample counts as zeros.
    void clear();

    // work[0..n) holds n host samples of channel ch; afterwards work[0..2n)
    // holds them at twice the rate, u[2i] then u[2i+1] per host sample.
    void upsample(int ch, double* work, int n);
    // Keeps the odd sample of each pair: work[0..n) from work[0..2n).
    static void decimate(double* work, int n);
    // work[0..n) is replaced by the host samples 32 places earlier.
    void delay(int ch, double* work, int n);

  private:
    double h2_[kTaps];
    // Per channel: the last 64 host samples, then the current sub-block.
    double hist_[2][kHistory + kMaxBlock];
};

} // namespace ref
