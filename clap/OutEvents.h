// The editor's gestures on their way to the host: the main thread queues
// them, and the next process() or params flush() (never both at once) hands
// them to the host's output event list. One writer, one reader, a fixed ring:
// neither side locks or allocates.
#pragma once

#include <atomic>
#include <cstdint>

#include <clap/events.h>

namespace dravo::clap {

struct OutEvent {
    uint16_t type; // CLAP_EVENT_PARAM_GESTURE_BEGIN / _VALUE / _GESTURE_END
    clap_id param;
    double value; // plain, for values
};

class OutEvents {
  public:
    // The main thread. False when the ring is full (the event is dropped).
    bool push(const OutEvent& e) {
        const uint32_t w = write.load(std::memory_order_relaxed);
        if (w - read.load(std::memory_order_acquire) == kSize) return false;
        ring[w % kSize] = e;
        write.store(w + 1, std::memory_order_release);
        return true;
    }
    bool empty() const {
        return write.load(std::memory_order_acquire) == read.load(std::memory_order_relaxed);
    }

    // The audio thread (or the main thread while inactive): every queued
    // event at frame 0, in the order queued. An event the host does not
    // take stays for the next call.
    void drain(const clap_output_events_t* out) {
        if (!out) return;
        uint32_t r = read.load(std::memory_order_relaxed);
        const uint32_t w = write.load(std::memory_order_acquire);
        for (; r != w; ++r) {
            const OutEvent& e = ring[r % kSize];
            bool taken;
            if (e.type == CLAP_EVENT_PARAM_VALUE) {
                clap_event_param_value_t v{};
                v.header = header(sizeof v, e.type);
                v.param_id = e.param;
                v.note_id = -1;
                v.port_index = v.channel = v.key = -1;
                v.value = e.value;
                taken = out->try_push(out, &v.header);
            } else {
                clap_event_param_gesture_t g{};
                g.header = header(sizeof g, e.type);
                g.param_id = e.param;
                taken = out->try_push(out, &g.header);
            }
            if (!taken) break;
        }
        read.store(r, std::memory_order_release);
    }

  private:
    static clap_event_header_t header(uint32_t size, uint16_t type) {
        return {size, 0, CLAP_CORE_EVENT_SPACE_ID, type, 0};
    }
    static constexpr uint32_t kSize = 1024;
    OutEvent ring[kSize] = {};
    std::atomic<uint32_t> write{0};
    std::atomic<uint32_t> read{0};
};

} // namespace dravo::clap
