// The program store: the bank of 22 preset records, the current preset, the
// default record, and the whole bank saved and restored as the host's chunk.
// It knows no plug-in format. Whoever binds it (a plug-in face) is its
// Listener: the store asks it to apply a preset's values, and tells it when
// names, the current preset or whole presets changed.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "model/Bank.h"
#include "model/Parameters.h"
#include "model/PresetCodec.h"

namespace dravo {

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
// time.
class ProgramStore {
  public:
    class Listener {
      public:
        // record became the current preset: its values are to reach the
        // plug-in. Called while isLoadingPreset() is true.
        virtual void applyPreset(const PresetRecord& record) = 0;
        // Names, the current preset or whole presets changed (after
        // applyPreset when a preset was applied). Single values are not told.
        virtual void bankChanged() {}

      protected:
        ~Listener() = default;
    };

    // Fills the 22 records from contents; record 0 becomes the default record.
    ProgramStore(Listener& listener, const PresetTable& contents);

    ProgramStore(const ProgramStore&) = delete;
    ProgramStore& operator=(const ProgramStore&) = delete;

    // The bank, 22 records, and the current preset's number (0..21).
    PresetRecord* records() { return records_; }
    const PresetRecord* records() const { return records_; }
    int current() const { return current_.load(); }
    PresetRecord& currentRecord() { return records_[current_.load()]; }
    // A plain copy of the bank and the current preset's number.
    Bank snapshot() const;

    // Fills the 22 records from the table the store was built with.
    void fillFromTable();
    // Makes record 0 as it is now the default record.
    void takeDefaultRecord() { defaultRecord_ = records_[0]; }
    const PresetRecord& defaultRecord() const { return defaultRecord_; }
    // Resets preset n to the default record, name included; n outside
    // 0..21 is ignored.
    void initializePreset(int n);
    // Reads and writes buffers and chunks with the default record as the
    // blank a loaded preset starts from.
    PresetCodec codec() const { return PresetCodec(defaultRecord_); }

    // Makes preset n current and has the listener apply it. A number outside
    // 0..21 is ignored (false).
    bool selectPreset(int n);
    // True only while a preset is being applied: the plug-in must then not
    // store the applied values back into the current record.
    bool isLoadingPreset() const { return loadingPreset_.load(std::memory_order_relaxed); }
    // Replaces the current preset (name and values) and applies it.
    void replaceCurrent(const PresetRecord& record);
    // Replaces the 22 records and applies bank.current.
    void replaceBank(const Bank& bank);

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
    // Keeps a value the plug-in took for p: in the current record unless a
    // preset is being applied, and in every record for a parameter all
    // presets share.
    void keepParameter(Param p, float value);

    // The host chunk: the 8-byte prefix and the bank buffer. On success
    // *data points at the store's chunk buffer (valid until the next call)
    // and the chunk's size is returned; 0 on failure.
    int32_t getChunk(void** data);
    // Loads a chunk of byteSize bytes (either layout) and applies the preset
    // it selects. Returns 0 when loaded, -1 when refused (the bank is then
    // as it was). The host's memory is only read.
    int32_t setChunk(const void* data, int32_t byteSize);

  private:
    Listener& listener;
    PresetTable contents;
    PresetRecord records_[kNumPresets]{};
    std::atomic<int> current_{0};
    PresetRecord defaultRecord_{};
    std::atomic<bool> loadingPreset_{false};
    std::unique_ptr<unsigned char[]> chunkBuffer;
};

} // namespace dravo
