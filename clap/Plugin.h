// One CLAP instance of the equaliser (stereo or mono): binds one Model and
// one program store to the host's calls, and is the editor's EditController.
//
// Threads, as CLAP has them: process() (and params flush() while active) on
// the audio thread, everything else on the main thread. Parameter values are
// the model's atomics and the store's atomic records, so the editor and a
// restored state may set them on the main thread while process() sets them
// from the host's events; what the editor shows is parked (ParkedChanges) and
// delivered in its idle. The audio thread takes no lock and allocates nothing.
//
// Parameter events are applied at their sample offsets: the block is split at
// each event's time, so a change arriving part-way sounds exactly as the
// VST 2.x face does with its host's block split at that frame, and a change
// at frame 0 as one made between blocks.
//
// State is the program store's chunk: the same bytes as the VST 2.x effect's
// chunk and the LV2 plug-in's state, so a bank moves between the formats.
// CLAP 1.1 has no preset extension: the 22 presets are reached through the
// editor's preset bar, as in the other faces.
#pragma once

#include "clap/OutEvents.h"
#include "clap/Params.h"
#include "gui/EqualiserEditor.h"
#include "model/Model.h"
#include "model/ParkedChanges.h"
#include "model/ProgramStore.h"
#include "model/SampleRing.h"

#include <clap/ext/gui.h>
#include <clap/ext/latency.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/timer-support.h>
#include <clap/plugin.h>

#include <atomic>
#include <memory>

namespace dravo::clap {

class Plugin final : public ProgramStore::Listener, public EditController {
  public:
    // functions: the C functions of every instance (plugin_data and desc are
    // this instance's).
    Plugin(const clap_host_t* host, const clap_plugin_t& functions,
           const clap_plugin_descriptor_t* descriptor, const Variant& variant);
    ~Plugin() override;
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    static Plugin& of(const clap_plugin_t* p) { return *static_cast<Plugin*>(p->plugin_data); }
    const clap_plugin_t* clapPlugin() const { return &plugin; }

    // ---- clap_plugin ------------------------------------------------------
    bool init();
    bool activate(double rate);
    void deactivate();
    bool startProcessing();
    void stopProcessing();
    void reset();
    clap_process_status process(const clap_process_t* process);

    // ---- Extensions -------------------------------------------------------
    int channels() const { return variant.channels; }
    bool paramInfo(uint32_t index, clap_param_info_t* info) const;
    bool paramValue(clap_id id, double* value) const;
    bool valueToText(clap_id id, double value, char* display, uint32_t size) const;
    bool textToValue(clap_id id, const char* display, double* value) const;
    void flush(const clap_input_events_t* in, const clap_output_events_t* out);
    bool saveState(const clap_ostream_t* stream);
    bool loadState(const clap_istream_t* stream);
    uint32_t latency() const;

    bool guiCreate();
    void guiDestroy();
    bool guiSetScale(double scale);
    bool guiGetSize(uint32_t* width, uint32_t* height);
    bool guiSetSize(uint32_t width, uint32_t height);
    bool guiSetParent(const clap_window_t* window);
    bool guiShow();
    bool guiHide();
    void onTimer(clap_id timer);

    // ---- ProgramStore::Listener -------------------------------------------
    void applyPreset(const PresetRecord& record) override;
    void bankChanged() override { parked.parkBank(); }

    // ---- EditController (the editor, on the main thread) -------------------
    float parameter(Param p) const override { return (float)model.normalised(p); }
    void beginEdit(Param p) override;
    void performEdit(Param p, float value) override;
    void endEdit(Param p) override;
    const PresetRecord& preset(int n) const override;
    int currentPreset() const override { return store.current(); }
    const PresetRecord& blankPreset() const override { return store.defaultRecord(); }
    void selectPreset(int n) override;
    void renamePreset(const char* name) override;
    void replacePreset(const PresetRecord& record) override;
    void replaceBank(const Bank& bank) override;
    float takePeak() override { return model.engine().takeBlockPeak(); }
    void setAnalyserOn(bool on) override { analyser.setOn(on); }
    int takeOutputSamples(float* dst, int max) override { return analyser.pop(dst, max); }
    double latencySamples() const override { return model.engine().latencySamples(); }
    double sampleRate() const override { return rate; }
    bool isStereo() const override { return variant.channels == 2; }
    bool requestSize(int width, int height) override;
    void deliverChanges(EditListener& listener) override { parked.deliver(listener); }

  private:
    // A new normalised value from the host, a preset or the editor: as the
    // VST 2.x effect's setParameter keeps it.
    void setParameter(Param p, float value);
    void applyEvent(const clap_event_param_value_t* event);
    template <typename T> void run(T** in, T** out, uint32_t frames);
    void runSpan(const clap_process_t* process, uint32_t offset, uint32_t frames);
    // The editor changed the bank: the host reads the values again and
    // keeps the state.
    void bankEdited();
    void queue(uint16_t type, Param p, double value = 0.0);

    const Variant& variant;
    clap_plugin_t plugin;
    const clap_host_t* host;
    const clap_host_params_t* hostParams = nullptr;
    const clap_host_latency_t* hostLatency = nullptr;
    const clap_host_state_t* hostState = nullptr;
    const clap_host_gui_t* hostGui = nullptr;
    const clap_host_timer_support_t* hostTimers = nullptr;

    Model model;
    ProgramStore store;
    ParkedChanges parked;
    SampleRing analyser; // the output samples the editor's analyser asked for
    OutEvents outEvents;

    // The validated rate (44100 until the first activation) and the latency
    // the host was last told.
    float rate = 44100.0f;
    uint32_t toldLatency = 0;
    bool ready = false; // init() done: a restored preset is told to the host
    std::atomic<bool> active{false};
    std::atomic<bool> processing{false};

    // The editor, made at the first gui create; its window lives from
    // set_parent to gui destroy, idled by the host's timer.
    std::unique_ptr<EqualiserEditor> editor;
    clap_id timer = CLAP_INVALID_ID;
};

} // namespace dravo::clap
