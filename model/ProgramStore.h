// The program store as plain data: the bank of 22 preset records, the current
// preset, the default record, and the whole bank saved and restored as the
// host's chunk. It knows no plug-in format; what it needs of the plug-in it
// serves (unique ID, placeholders, replaying a preset) it asks its Owner.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "model/PresetFormat.h"

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

// What the store is built with: 22 names and 22 x 38 normalised values in
// preset-major order. The tables must outlive the store.
struct PresetTable {
    const char* const* names;
    const double (*values)[kNumPresetParams];
};

// Thread contract: automation may write the current record (setValue,
// setValueAllPresets) on any thread while the chunk and buffer writers read
// the records on another; values are PresetValue relaxed atomics and the
// current index and the loading flag are atomics, so a reader sees each value
// whole; a record written meanwhile may mix old and new values. Everything
// else (names, selecting, loading chunks and buffers) runs on one thread at a
// time, the host's.
class ProgramStore {
  public:
    // What the store asks of the plug-in it serves. The names are those of
    // the preset system's effect, which implements them directly.
    class Owner {
      public:
        virtual int32_t getUniqueID() = 0;
        // True for a parameter that current-layout buffers leave out.
        virtual bool isDummy(int index) = 0;
        // True for a parameter that the old layouts' readers skip.
        virtual bool isDummyOld(int index) = 0;
        // Selects preset n and applies it to the plug-in (see selectPreset).
        virtual void setPresetNo(long n) = 0;
        // Renames the current preset and shows the change.
        virtual void setPresetName(const char* name) = 0;

      protected:
        ~Owner() = default;
    };

    // The bank step of the chunk, so the plug-in can route it (the editor
    // keeps its preset bar in step while a bank loads). Writers return a
    // new[] buffer and its size (0 on failure); readers true when loaded.
    using BankWriter = std::function<int32_t(char** out)>;
    using BankReader =
        std::function<bool(const char* body, const newpresetheader& header, bool swapOrder)>;

    // Fills the 22 records from contents; record 0 becomes the default record.
    ProgramStore(Owner& owner, const PresetTable& contents);

    ProgramStore(const ProgramStore&) = delete;
    ProgramStore& operator=(const ProgramStore&) = delete;

    Owner& owner() { return owner_; }

    // The bank, 22 records, and the current preset's number (0..21).
    PresetRecord* records() { return records_; }
    const PresetRecord* records() const { return records_; }
    long current() const { return (long)current_.load(); }
    PresetRecord& currentRecord() { return records_[current_.load()]; }

    // Fills the 22 records from the table the store was built with.
    void fillFromTable();
    // Makes record 0 as it is now the default record.
    void takeDefaultRecord() { defaultRecord_ = records_[0]; }
    const PresetRecord& defaultRecord() const { return defaultRecord_; }
    // Resets preset n to the default record, name included; n outside
    // 0..21 is ignored.
    void initializePreset(long n);

    // Makes preset n current and calls apply(record) while isLoadingPreset()
    // is true; apply replays the record's values into the plug-in. A number
    // outside 0..21 is ignored (false, apply not called).
    template <typename Apply> bool selectPreset(long n, Apply apply);
    // True only while selectPreset replays a record: the plug-in must then
    // not store the replayed values back into the current record.
    bool isLoadingPreset() const { return loadingPreset_.load(std::memory_order_relaxed); }

    // Renames the current preset (name rule of writePresetName); a null name
    // is ignored.
    void setName(const char* name);
    // Stores value into the current record; indices outside 0..37 are ignored.
    void setValue(int index, float value);
    // The current record's value; -1 for an index outside 0..37.
    float value(int index) const;
    // Writes value into slot index of all 22 records. Indices outside 0..37
    // are ignored.
    void setValueAllPresets(int index, float value);

    // The host chunk: the 8-byte prefix and the bank buffer that writeBank
    // gives. On success *data points at the store's chunk buffer (valid until
    // the next call) and the chunk's size is returned; 0 on failure.
    int32_t getChunk(void** data, const BankWriter& writeBank);
    int32_t getChunk(void** data);
    // Loads a chunk of byteSize bytes: a bank buffer through readBank, or the
    // old layout. Returns 0 when loaded, -1 when refused (the bank is then
    // as it was). The host's memory is only read.
    int32_t setChunk(const void* data, int32_t byteSize, const BankReader& readBank);
    int32_t setChunk(const void* data, int32_t byteSize);

  private:
    int32_t setChunkOld(const unsigned char* data, size_t byteSize, bool swapOrder);

    Owner& owner_;
    PresetTable contents;
    PresetRecord records_[kNumPresets]{};
    std::atomic<int64_t> current_{0};
    PresetRecord defaultRecord_{};
    std::atomic<bool> loadingPreset_{false};
    std::unique_ptr<unsigned char[]> chunkScratch;
    std::unique_ptr<unsigned char[]> chunkBuffer;
};

template <typename Apply> bool ProgramStore::selectPreset(long n, Apply apply) {
    if (n < 0 || n >= kNumPresets) return false;
    loadingPreset_ = true;
    current_ = n;
    apply(records_[n]);
    loadingPreset_ = false;
    return true;
}
