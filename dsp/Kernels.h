// Vector kernels of the engine: the filter chain, the interpolator and the
// limiter's window maximum, with left and right packed in one register.
// Every kernel does each channel's arithmetic in exactly the order of the
// scalar code (no fused multiply-add, no reassociation), so every
// instruction set gives the same bits.
#pragma once

namespace dravo {

namespace kernels {

// Doubles per coefficient set: b0 b1 b2 a1 a2, each as a lane pair (left,
// right). A ramping filter writes one set per sample at this stride.
constexpr int kCoeffStride = 10;

// One filter of the chain for both channels (lane 0 left, lane 1 right).
struct Stage {
    // b0 b1 b2 a1 a2, each as a lane pair, for sample s at c + s * stride
    // (stride 0: the same for the whole call, kCoeffStride: a set per sample).
    const double* c;
    int stride;
    // x1 x2 y1 y2 of the recursion, each as a lane pair.
    alignas(16) double h[8];
};

// Runs the stages in order over m lane pairs of lr, in place. Only the lanes
// in the mask (1 left, 2 right) are written back to lr; the other lane's
// results (and its history) are meaningless.
using ChainFn = void (*)(Stage* stages, int count, double* lr, int m, int lanes);

// Interpolation: x points at the first of n new lane pairs, with the 64
// earlier ones before it. taps[j - 1] is the weight of x[-j] in each new even
// sample (summed from j = 64 down to 1), centre the odd sample's weight of
// x[-32]. lr receives 2n lane pairs: even, odd, even, odd ...
using InterpolateFn = void (*)(const double* taps, double centre, const double* x, double* lr,
                               int n);

// Windowed maximum of the output stage for both lanes: e[lane] is the
// largest w[j] * level[j] over the n lane pairs (0 if none is larger), as
// "if (v > e) e = v" finds it in any order (a NaN product is never taken).
using WindowMaxFn = void (*)(const double* level, const double* weights, int n, double* e);

struct Set {
    ChainFn chain;
    InterpolateFn interpolate;
    WindowMaxFn windowMax;
};

const Set& sse2();
const Set& avx2();
bool hasAvx2();

} // namespace kernels

} // namespace dravo
