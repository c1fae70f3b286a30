// What the tests of each plug-in format compare with the VST 2.x face: the
// same deterministic noise in, and the samples out bit for bit.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace facetest {

template <typename T> using Channels = std::vector<std::vector<T>>;

// Noise in [-0.9, 0.9), one generator running through the channels in turn.
template <typename T> Channels<T> noise(int channels, int frames) {
    Channels<T> c(channels, std::vector<T>(frames));
    uint32_t s = 12345;
    for (auto& ch : c)
        for (T& x : ch) {
            s = s * 1664525u + 1013904223u;
            x = (T)(0.9 * ((double)(s >> 8) / 8388608.0 - 1.0));
        }
    return c;
}

// Every sample's bits equal; the first that differs is reported.
template <typename T> void expectSameSamples(const Channels<T>& a, const Channels<T>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t c = 0; c < a.size(); ++c) {
        ASSERT_EQ(a[c].size(), b[c].size());
        for (size_t i = 0; i < a[c].size(); ++i)
            if (std::memcmp(&a[c][i], &b[c][i], sizeof(T)) != 0) {
                ADD_FAILURE() << "channel " << c << " frame " << i << ": " << a[c][i]
                              << " != " << b[c][i];
                return;
            }
    }
}

} // namespace facetest
