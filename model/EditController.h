// What an editor may ask of the plug-in it edits, and how it hears back.
// Every plug-in format implements EditController once; the editor and the
// preset bar know nothing else of the plug-in or its host.
//
// Threads: every call of either class is made on the editor's (UI) thread.
// What the plug-in learns on other threads (host automation, a restored
// state, a new rate, the audio thread's peaks) it parks without a lock, and
// hands over in deliverChanges, which the editor calls from its idle.
#pragma once

#include "model/Bank.h"
#include "model/Parameters.h"

namespace dravo {

class EditListener {
  public:
    // Parameter p has the normalised value now (set by the host, a preset or
    // a restored state).
    virtual void parameterChanged(Param p, float value) = 0;
    // Names, the current preset or whole presets changed.
    virtual void bankChanged() = 0;
    // The latency or the rate changed.
    virtual void metersChanged() = 0;

  protected:
    ~EditListener() = default;
};

class EditController {
  public:
    virtual ~EditController() = default;

    // ---- Parameters: normalised values in 0..1 --------------------------
    virtual float parameter(Param p) const = 0;
    // One user gesture: begin, any number of values, end. The host records
    // it as one change.
    virtual void beginEdit(Param p) = 0;
    virtual void performEdit(Param p, float value) = 0;
    virtual void endEdit(Param p) = 0;

    // ---- The preset bank, read-only -------------------------------------
    // Record n (0..21) and the current preset's number.
    virtual const PresetRecord& preset(int n) const = 0;
    virtual int currentPreset() const = 0;
    // What a preset read from a buffer starts from (the store's default).
    virtual const PresetRecord& blankPreset() const = 0;
    // ---- Changing the bank: each applies the preset that ends current ---
    virtual void selectPreset(int n) = 0;
    // Renames the current preset (at most 23 characters are kept).
    virtual void renamePreset(const char* name) = 0;
    // Replaces the current preset's name and values.
    virtual void replacePreset(const PresetRecord& record) = 0;
    // Replaces all 22 presets and selects bank.current.
    virtual void replaceBank(const Bank& bank) = 0;

    // ---- Meters -----------------------------------------------------------
    // The highest block peak (linear) since the last call.
    virtual float takePeak() = 0;
    // The latency in samples at the host rate, and that rate in Hz; either
    // is negative or zero while the plug-in has not told it.
    virtual double latencySamples() const = 0;
    virtual double sampleRate() const = 0;
    // False for a plug-in with one channel (the channel switch means nothing).
    virtual bool isStereo() const { return true; }

    // ---- Output analyser ----------------------------------------------------
    // While on, the plug-in keeps its output samples (the mean of its output
    // channels, at the host rate) for the editor; off, it keeps none and the
    // audio thread does no work for it. The editor switches it off whenever
    // its window closes, so a format need not.
    virtual void setAnalyserOn(bool on) { (void)on; }
    // Moves up to max of the kept samples, oldest first, into dst and
    // answers how many it moved.
    virtual int takeOutputSamples(float* dst, int max) {
        (void)dst;
        (void)max;
        return 0;
    }

    // ---- Window -----------------------------------------------------------
    // Asks the host for a window of width x height pixels; false when refused.
    virtual bool requestSize(int width, int height) = 0;

    // Hands listener what changed since the last call.
    virtual void deliverChanges(EditListener& listener) = 0;
};

} // namespace dravo
