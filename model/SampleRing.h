// The output analyser's samples on their way from the audio thread to the
// editor: a lock-free ring of floats with one writer (the audio thread) and
// one reader (the editor's thread), allocated once at construction.
//
// The writer keeps the mean of the output channels, and only while the ring
// is on: off, push returns at once. What does not fit is dropped; the writer
// never waits and never allocates. Switching on or off (the reader's thread)
// forgets what the ring held, so the reader never sees stale samples.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace dravo {

class SampleRing {
  public:
    static constexpr uint32_t kCapacity = 16384; // a power of two

    SampleRing() : buffer(new float[kCapacity]()) {}
    SampleRing(const SampleRing&) = delete;
    SampleRing& operator=(const SampleRing&) = delete;

    // ---- The reader's thread ----------------------------------------------
    void setOn(bool on) {
        discard();
        on_.store(on, std::memory_order_release);
    }
    // Moves up to max samples, oldest first, into dst; answers how many.
    int pop(float* dst, int max) {
        const uint32_t r = read.load(std::memory_order_relaxed);
        const uint32_t w = write.load(std::memory_order_acquire);
        const uint32_t held = w - r;
        const uint32_t n = max <= 0 ? 0 : (uint32_t)max < held ? (uint32_t)max : held;
        for (uint32_t i = 0; i < n; ++i)
            dst[i] = buffer[(r + i) & kMask];
        read.store(r + n, std::memory_order_release);
        return (int)n;
    }

    // ---- Either thread ----------------------------------------------------
    bool isOn() const { return on_.load(std::memory_order_acquire); }

    // ---- The writer's thread ----------------------------------------------
    // Keeps frames samples, each the mean of channels[0..count-1] there.
    template <typename T> void push(const T* const* channels, int count, int frames) {
        if (!isOn() || !channels || count < 1 || frames < 1) return;
        const uint32_t w = write.load(std::memory_order_relaxed);
        const uint32_t room = kCapacity - (w - read.load(std::memory_order_acquire));
        const uint32_t n = (uint32_t)frames < room ? (uint32_t)frames : room;
        for (uint32_t i = 0; i < n; ++i) {
            T sum = channels[0][i];
            for (int c = 1; c < count; ++c)
                sum += channels[c][i];
            buffer[(w + i) & kMask] = (float)(count == 1 ? sum : sum / (T)count);
        }
        write.store(w + n, std::memory_order_release);
    }

  private:
    static constexpr uint32_t kMask = kCapacity - 1;
    static_assert((kCapacity & kMask) == 0, "a power of two");

    // The reader skips everything written so far.
    void discard() { read.store(write.load(std::memory_order_acquire), std::memory_order_release); }

    std::unique_ptr<float[]> buffer;
    // Counts of samples written and read; they wrap together.
    std::atomic<uint32_t> write{0};
    std::atomic<uint32_t> read{0};
    std::atomic<bool> on_{false};
};

} // namespace dravo
