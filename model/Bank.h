// The preset bank as plain data: preset records (a name and 38 normalised
// values) and which one is current. The program store keeps one, the codec
// turns one into bytes and back, and an editor reads one.
#pragma once

#include <atomic>

#include "model/PresetFormat.h"

namespace dravo {

// One stored parameter value. Automation writes the current record on its
// thread while the chunk and the file writers read it on another, so every
// access is a relaxed atomic load or store: a plain move on this machine, no
// lock, and each value is read whole.
class PresetValue {
  public:
    PresetValue() = default;
    PresetValue(float v) : v(v) {}
    PresetValue(const PresetValue& o) : v(o.load()) {}
    PresetValue& operator=(const PresetValue& o) {
        store(o.load());
        return *this;
    }
    PresetValue& operator=(float x) {
        store(x);
        return *this;
    }
    operator float() const { return load(); }
    float load() const { return v.load(std::memory_order_relaxed); }
    void store(float x) { v.store(x, std::memory_order_relaxed); }

  private:
    std::atomic<float> v{0.0f};
};
static_assert(sizeof(PresetValue) == 4 && std::atomic<float>::is_always_lock_free,
              "a preset value is one lock-free 32-bit float");

// One preset: its name and the 38 normalised parameter values, indexed by
// parameter number. The layout is the one the old chunk format stores verbatim.
struct PresetRecord {
    char name[kPresetNameSize];
    PresetValue values[kNumPresetParams];
};
static_assert(sizeof(PresetRecord) == 176, "PresetRecord is stored verbatim in old chunks");

// Writes name into a record's name field: at most 23 characters, the rest of
// the 24 bytes zero-filled, so the field always holds a terminated name.
// A null name writes the empty name.
void writePresetName(char (&field)[kPresetNameSize], const char* name);

// The 22 presets and the current one's number (0..21).
struct Bank {
    PresetRecord records[kNumPresets]{};
    int current = 0;
};

} // namespace dravo
