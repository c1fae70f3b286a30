// The plug-in's side of EditController::deliverChanges: what the host and
// the audio thread change is parked here without a lock, from any thread,
// and handed to the editor's listener on the UI thread. A value parked twice
// before delivery is delivered once, with the later value.
#pragma once

#include <atomic>
#include <cstdint>

#include "model/EditController.h"

namespace dravo {

class ParkedChanges {
  public:
    // Any thread.
    void parkParameter(Param p, float value) {
        const int i = index(p);
        values[i].store(value, std::memory_order_relaxed);
        changed.fetch_or(uint64_t(1) << i, std::memory_order_release);
    }
    void parkBank() { bank.store(true, std::memory_order_release); }
    void parkMeters() { meters.store(true, std::memory_order_release); }
    // The audio thread: a block's peak joins the highest since the last take.
    void parkPeak(float value) {
        float old = peak.load(std::memory_order_relaxed);
        while (value > old && !peak.compare_exchange_weak(old, value, std::memory_order_relaxed)) {
        }
    }

    // The UI thread.
    float takePeak() { return peak.exchange(0.0f, std::memory_order_relaxed); }
    void deliver(EditListener& listener) {
        uint64_t bits = changed.exchange(0, std::memory_order_acquire);
        while (bits) {
            const int i = __builtin_ctzll(bits);
            bits &= bits - 1;
            listener.parameterChanged(paramAt(i), values[i].load(std::memory_order_relaxed));
        }
        if (bank.exchange(false, std::memory_order_acquire)) listener.bankChanged();
        if (meters.exchange(false, std::memory_order_acquire)) listener.metersChanged();
    }

  private:
    static_assert(kNumParams <= 64, "one bit per parameter");
    std::atomic<uint64_t> changed{0};
    std::atomic<float> values[kNumParams] = {};
    std::atomic<bool> bank{false};
    std::atomic<bool> meters{false};
    std::atomic<float> peak{0.0f};
};

} // namespace dravo
