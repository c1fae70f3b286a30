// Half-band interpolator that doubles the rate of a sub-block, the decimation
// that halves it again, and the matching 32-sample delay used instead when
// the filters run at the host rate. Either way a host sample comes back
// 32 host samples later. Both channels are kept as lane pairs (left, right)
// in one interleaved buffer.
#pragma once

#include "dsp/Kernels.h"

namespace dravo {

class Oversampler {
  public:
    static constexpr int kTaps = 127;    // interpolation table length
    static constexpr int kCentre = 63;   // index of the centre coefficient
    static constexpr int kHistory = 64;  // host samples kept per channel
    static constexpr int kDelay = 32;    // latency in host samples
    static constexpr int kMaxBlock = 16; // host samples per sub-block

    Oversampler();
    // Fills the interpolation table (a Blackman-windowed half-band kernel).
    void initInterpolationKernel();
    const double* table() const { return h2_; }
    // Forgets all input: the stream before the next sample counts as zeros.
    void clear();

    // lr[0..2n) holds n host lane pairs; afterwards lr[0..4n) holds them at
    // twice the rate, u[2i] then u[2i+1] per host sample. With stereo false
    // only the left lane is taken in (the right channel's history is kept).
    void upsample(double* lr, int n, bool stereo, const kernels::Set& k);
    // What upsample followed by decimate gives, without the even samples
    // that the decimation would drop.
    void upsampleDecimated(double* lr, int n, bool stereo);
    // Keeps the odd lane pair of each pair: lr[0..2n) from lr[0..4n).
    static void decimate(double* lr, int n);
    // lr[0..2n) is replaced by the host samples 32 places earlier.
    void delay(double* lr, int n, bool stereo);

  private:
    // Takes in the new lane pairs; answers where they start in the history.
    const double* takeIn(const double* lr, int n, bool stereo);
    void advance(int n, bool stereo);

    double h2_[kTaps];
    double taps_[kHistory]; // taps_[j - 1]: the weight of x[-j] in an even sample
    // Lane pairs in a window that moves through a longer buffer (so the
    // history is moved back only once in a while): the 64 before pos_ are
    // the history, the sub-block goes to pos_.
    static constexpr int kLength = kHistory + 16 * kMaxBlock;
    alignas(32) double hist_[2 * kLength];
    int pos_ = kHistory;
};

} // namespace dravo
