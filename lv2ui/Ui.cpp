// The editor in LV2 hosts (ui:X11UI): the format-neutral editor embedded in
// the host's window (or a window of its own, ui:showInterface) and driven by
// the host's idle calls. It is the editor's EditController on the plug-in's
// ports and messages alone (lv2/Messages.h); it runs no engine:
//   - it keeps the ports' values and a plain copy of the bank; port events
//     from the host and the DSP's messages reach the editor as parked
//     changes, delivered in its idle;
//   - a knob's value is a port write in the port's unit, a gesture a ui:touch
//     grab and release; a preset the bar applies writes every control port;
//   - the bank lives in the DSP's state: the UI asks for it (with the rate)
//     when it starts, the DSP sends it again after a restore, and the UI
//     sends it back when the bar changed names, the current preset or whole
//     presets, always in small pieces;
//   - the user's stored default bank and preset apply when the editor first
//     meets an instance that is still as it started (see applyDefaults);
//   - the analyser's samples come from the DSP in messages while the editor
//     has asked for them, and wait in a ring of the UI's own.
// The UI and the DSP may run in different threads or processes.
#include "gui/EqualiserEditor.h"
#include "lv2/Messages.h"
#include "lv2/Ports.h"
#include "lv2/Uris.h"
#include "model/FactoryPresets.h"
#include "model/Identity.h"
#include "model/ParkedChanges.h"
#include "model/SampleRing.h"
#include "presets/StoredPresets.h"

#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

using namespace dravo;
using namespace dravo::lv2;

// What shows where the host's window is larger than the editor (a host that
// grows with the zoom but never shrinks): the editor's backdrop colour.
constexpr unsigned long kBackdropPixel = 0x2a2c2f;

// The factory bank as a fresh instance holds it, and its default record.
struct FactoryBank final : ProgramStore::Listener {
    ProgramStore store{*this, kFactoryPresetTable};
    FactoryBank() {
        writeFactoryPresets(store);
        store.takeDefaultRecord();
    }
    void applyPreset(const PresetRecord&) override {}
};

class Ui final : public EditController {
  public:
    Ui(const Variant& variant, LV2UI_Write_Function write, LV2UI_Controller controller,
       LV2_URID_Map* map)
        : variant(variant), write(write), controller(controller), uri(mapUris(map)) {
        lv2_atom_forge_init(&forge, map);
        const FactoryBank factory;
        bank = factory.store.snapshot();
        blank = factory.store.defaultRecord();
        for (const ParamInfo& p : kParams)
            values[index(p.id)] = (float)p.defaultValue;
    }
    // The window closes while the rest is whole: a control may still end
    // its gesture.
    ~Ui() override { editor.reset(); }

    LV2UI_Touch* touch = nullptr;
    LV2UI_Resize* resize = nullptr;
    std::unique_ptr<EqualiserEditor> editor;
    Window widget = 0;

    bool embed(Window parent);
    int show();
    int hide();
    void portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer);
    int idle();
    void askForState() {
        alignas(8) uint8_t buffer[64];
        lv2_atom_forge_set_buffer(&forge, buffer, sizeof buffer);
        LV2_Atom_Forge_Frame frame;
        const bool ok = lv2_atom_forge_object(&forge, &frame, 0, uri.get) != 0;
        lv2_atom_forge_pop(&forge, &frame);
        if (ok) sendAtom(buffer);
    }

    // ---- EditController ----------------------------------------------------
    float parameter(Param p) const override { return values[index(p)]; }
    void beginEdit(Param p) override { touchPort(p, true); }
    void performEdit(Param p, float value) override {
        const int port = portOfParam(index(p));
        if (port >= 0)
            writePort(port, portValueOf(p, value));
        else
            storeValue(p, value);
    }
    void endEdit(Param p) override { touchPort(p, false); }
    const PresetRecord& preset(int n) const override {
        return bank.records[n >= 0 && n < kNumPresets ? n : 0];
    }
    int currentPreset() const override { return bank.current; }
    const PresetRecord& blankPreset() const override { return blank; }
    void selectPreset(int n) override {
        if (n < 0 || n >= kNumPresets) return;
        bank.current = n;
        applyCurrent(true);
    }
    void renamePreset(const char* name) override {
        if (!name) return;
        writePresetName(bank.records[bank.current].name, name);
        bankEdited();
    }
    void replacePreset(const PresetRecord& record) override {
        bank.records[bank.current] = record;
        applyCurrent(true);
    }
    void replaceBank(const Bank& newBank) override {
        for (int n = 0; n < kNumPresets; ++n)
            bank.records[n] = newBank.records[n];
        bank.current = newBank.current >= 0 && newBank.current < kNumPresets ? newBank.current : 0;
        applyCurrent(true);
    }
    float takePeak() override { return changes.takePeak(); }
    void setAnalyserOn(bool on) override {
        received.setOn(on);
        alignas(8) uint8_t buffer[64];
        lv2_atom_forge_set_buffer(&forge, buffer, sizeof buffer);
        if (forgeAnalyser(forge, uri, on)) sendAtom(buffer);
    }
    int takeOutputSamples(float* dst, int max) override { return received.pop(dst, max); }
    double latencySamples() const override { return latency; }
    double sampleRate() const override { return rate; }
    bool isStereo() const override { return variant.channels == 2; }
    bool requestSize(int width, int height) override;
    void deliverChanges(EditListener& listener) override { changes.deliver(listener); }

  private:
    void touchPort(Param p, bool grabbed) {
        const int port = portOfParam(index(p));
        if (touch && port >= 0) touch->touch(touch->handle, (uint32_t)port, grabbed);
    }
    // The value a port now holds, kept as the DSP keeps it: the exact step
    // in the current record (in every record for the shared parameters).
    void takePort(int port) {
        const Param p = controlParam(port);
        double normalised;
        if (normalisedForPort(p, ports[port], normalised)) storeValue(p, (float)normalised);
    }
    void storeValue(Param p, float normalised) {
        values[index(p)] = normalised;
        if (sameInEveryPreset(p))
            for (PresetRecord& r : bank.records)
                r.values[index(p)] = normalised;
        else
            bank.records[bank.current].values[index(p)] = normalised;
    }
    void writePort(int port, float value) {
        ports[port] = value;
        portKnown[port] = true;
        write(controller, (uint32_t)port, sizeof(float), 0, &value);
        takePort(port);
    }
    // The current record's values reach the host as port writes (every
    // port, or only the ports that change) and the editor as changes; the
    // bank goes to the DSP.
    void applyCurrent(bool everyPort) {
        const PresetRecord record = bank.records[bank.current];
        for (int port = 0; port < kNumControlPorts; ++port) {
            const Param p = controlParam(port);
            const float value = portValueOf(p, record.values[index(p)]);
            if (everyPort || !portKnown[port] || value != ports[port]) writePort(port, value);
        }
        for (const ParamInfo& p : kParams) {
            if (portOfParam(index(p.id)) < 0) values[index(p.id)] = record.values[index(p.id)];
            changes.parkParameter(p.id, values[index(p.id)]);
        }
        bankEdited();
    }
    void bankEdited() {
        bankDirty = true;
        changes.parkBank();
    }
    void applyDefaults();
    void message(const LV2_Atom_Object* obj);
    void bankArrived(const unsigned char* data, uint32_t size);
    void sendBankPieces();
    void sendAtom(const uint8_t* buffer) {
        const auto* atom = reinterpret_cast<const LV2_Atom*>(buffer);
        write(controller, (uint32_t)kControlInPort, lv2_atom_total_size(atom), uri.eventTransfer,
              atom);
    }
    void fitOwnWindow(int w, int h);

    const Variant& variant;
    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    Uris uri;
    LV2_Atom_Forge forge{};

    // The ports' last values, as the host told or the UI wrote them, and
    // every parameter's normalised value.
    float ports[kNumControlPorts] = {};
    bool portKnown[kNumControlPorts] = {};
    float values[kNumParams] = {};
    double latency = -1.0; // samples; below 0 until the latency port is told
    double rate = 0.0;     // until the DSP tells its rate
    Bank bank;
    PresetRecord blank{};
    ParkedChanges changes;

    // The DSP's bank has arrived; until then the bar's changes are not sent.
    bool bankKnown = false;
    // The DSP said its bank is the one it started with.
    bool dspFresh = false;
    // The bar changed the bank since it was last sent.
    bool bankDirty = false;
    Reassembly incoming;
    std::vector<unsigned char> outgoing; // the bank being sent, in pieces
    uint32_t outgoingNext = 0;
    int32_t outgoingSerial = 0;
    SampleRing received; // the DSP's output samples, until the editor takes them

  public:
    // The window of its own that ui:showInterface opens, and its connection.
    ::Display* ownDisplay = nullptr;
    Window ownWindow = 0;
    Atom deleteWindow = 0;
};

bool Ui::requestSize(int width, int height) {
    if (ownDisplay) {
        fitOwnWindow(width, height);
        return true;
    }
    if (resize) return resize->ui_resize(resize->handle, width, height) == 0;
    return true; // a host without ui:resize follows the window itself
}

void Ui::fitOwnWindow(int w, int h) {
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = w;
    hints.min_height = hints.max_height = h;
    XSetWMNormalHints(ownDisplay, ownWindow, &hints);
    XResizeWindow(ownDisplay, ownWindow, (unsigned)w, (unsigned)h);
    XFlush(ownDisplay);
}

// A new instance nobody has changed yet (its bank as it started, every port
// at its default) gets the user's stored default bank and preset, as a new
// instance does in a VST 2.x host. The ports that change are written through
// the host and the bank goes to the DSP.
void Ui::applyDefaults() {
    for (int port = 0; port < kNumControlPorts; ++port) {
        const Param p = controlParam(port);
        if (!portKnown[port] || ports[port] != portValueOf(p, info(p).defaultValue)) return;
    }
    if (StoredPresets(kPreferencesIdentifier).applyDefaults(PresetCodec(blank), bank))
        applyCurrent(false);
}

void Ui::bankArrived(const unsigned char* data, uint32_t size) {
    Bank arrived;
    if (!PresetCodec(blank).loadChunk(data, size, arrived)) return;
    bank = arrived;
    // The ports hold the parameters; the bank holds those without a port.
    for (const ParamInfo& p : kParams)
        if (portOfParam(index(p.id)) < 0) {
            values[index(p.id)] = bank.records[bank.current].values[index(p.id)];
            changes.parkParameter(p.id, values[index(p.id)]);
        }
    bankKnown = true;
    changes.parkBank();
    if (dspFresh) applyDefaults();
    dspFresh = false;
}

void Ui::message(const LV2_Atom_Object* obj) {
    const LV2_URID type = obj->body.otype;
    Piece piece;
    if (readPiece(obj, uri, piece)) {
        if (incoming.take(piece)) bankArrived(incoming.data(), incoming.size());
        return;
    }
    const float* samples = nullptr;
    uint32_t n = 0;
    if (readSamples(obj, uri, samples, n)) {
        received.push(&samples, 1, (int)n);
        return;
    }
    const LV2_Atom* value = nullptr;
    const LV2_Atom* fresh = nullptr;
    lv2_atom_object_get(obj, uri.value, &value, uri.fresh, &fresh, 0);
    if (type == uri.rate && value && value->type == uri.dbl) {
        rate = reinterpret_cast<const LV2_Atom_Double*>(value)->body;
        dspFresh = fresh && fresh->type == uri.boolean &&
                   reinterpret_cast<const LV2_Atom_Bool*>(fresh)->body != 0;
        changes.parkMeters();
    } else if (type == uri.clip && value && value->type == uri.flt) {
        changes.parkPeak(reinterpret_cast<const LV2_Atom_Float*>(value)->body);
    }
}

void Ui::portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    if (format == 0 && size == sizeof(float)) {
        float value;
        std::memcpy(&value, buffer, sizeof value);
        if (port < (uint32_t)kNumControlPorts) {
            // The host's echo of what the UI wrote changes nothing.
            if (portKnown[port] && ports[port] == value) return;
            ports[port] = value;
            portKnown[port] = true;
            takePort((int)port);
            const Param p = controlParam((int)port);
            changes.parkParameter(p, values[index(p)]);
        } else if (port == (uint32_t)kLatencyPort) {
            latency = value;
            changes.parkMeters();
        }
    } else if (format == uri.eventTransfer && port == (uint32_t)kNotifyPort &&
               size >= sizeof(LV2_Atom)) {
        const auto* atom = static_cast<const LV2_Atom*>(buffer);
        if (lv2_atom_total_size(atom) <= size &&
            (atom->type == uri.object || atom->type == uri.blank) &&
            atom->size >= sizeof(LV2_Atom_Object_Body))
            message(reinterpret_cast<const LV2_Atom_Object*>(atom));
    }
}

// The bar's bank to the DSP, a few pieces an idle; a bank changed while one
// is on its way follows it.
void Ui::sendBankPieces() {
    if (outgoing.empty() && bankDirty && bankKnown) {
        outgoing.assign(kChunkBufferSize, 0);
        outgoing.resize(PresetCodec(blank).bankToChunk(bank, outgoing.data()));
        outgoingNext = 0;
        ++outgoingSerial;
        bankDirty = false;
    }
    for (uint32_t n = 0; n < kPiecesPerCycle && !outgoing.empty(); ++n) {
        alignas(8) uint8_t buffer[kMaxMessageSize];
        lv2_atom_forge_set_buffer(&forge, buffer, sizeof buffer);
        const uint32_t size = (uint32_t)outgoing.size();
        if (!forgePiece(forge, uri, outgoingSerial, outgoingNext, outgoing.data(), size)) {
            outgoing.clear();
            return;
        }
        sendAtom(buffer);
        if (++outgoingNext == piecesFor(size)) outgoing.clear();
    }
}

// Non-zero once the user closed the window of its own.
int Ui::idle() {
    bool closed = false;
    while (ownDisplay && XPending(ownDisplay)) {
        XEvent ev;
        XNextEvent(ownDisplay, &ev);
        closed = closed || (ev.type == ClientMessage && (Atom)ev.xclient.data.l[0] == deleteWindow);
    }
    if (closed) {
        hide();
        return 1;
    }
    editor->idle();
    sendBankPieces();
    return 0;
}

// The children of window, to find the one the editor adds.
std::vector<Window> childrenOf(::Display* d, Window window) {
    Window root, parent, *children = nullptr;
    unsigned int n = 0;
    std::vector<Window> out;
    if (XQueryTree(d, window, &root, &parent, &children, &n) && children)
        out.assign(children, children + n);
    if (children) XFree(children);
    return out;
}

// Opens the editor in the host's window. Where the host's window is larger
// than the editor, the backdrop colour shows, not what was there before.
bool Ui::embed(Window parent) {
    ::Display* d = XOpenDisplay(nullptr);
    if (!d) return false;
    const std::vector<Window> before = childrenOf(d, parent);
    if (!editor->open((void*)(uintptr_t)parent)) {
        XCloseDisplay(d);
        return false;
    }
    for (Window w : childrenOf(d, parent))
        if (std::find(before.begin(), before.end(), w) == before.end()) widget = w;
    XSetWindowBackground(d, parent, kBackdropPixel);
    XClearWindow(d, parent);
    XCloseDisplay(d);
    if (resize) resize->ui_resize(resize->handle, editor->width(), editor->height());
    return true;
}

// ui:showInterface: the editor in a top-level window of its own.
int Ui::hide() {
    if (!ownDisplay) return 0;
    editor->close();
    XDestroyWindow(ownDisplay, ownWindow);
    XCloseDisplay(ownDisplay);
    ownDisplay = nullptr;
    ownWindow = 0;
    return 0;
}

int Ui::show() {
    if (ownDisplay) return 0;
    if (editor->isOpen()) return 0; // embedded already
    ::Display* d = XOpenDisplay(nullptr);
    if (!d) return 1;
    const Window window =
        XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, (unsigned)editor->width(),
                            (unsigned)editor->height(), 0, 0, kBackdropPixel);
    XStoreName(d, window, variant.name);
    deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, window, &deleteWindow, 1);
    ownDisplay = d;
    ownWindow = window;
    fitOwnWindow(editor->width(), editor->height());
    XMapWindow(d, window);
    XSync(d, False);
    if (!editor->open((void*)(uintptr_t)window)) {
        hide();
        return 1;
    }
    return 0;
}

const Variant* variantOf(const char* uri) {
    for (const Variant& v : kVariants)
        if (uri && std::strcmp(uri, v.uri) == 0) return &v;
    return nullptr;
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller,
                         LV2UI_Widget* widget, const LV2_Feature* const* features) {
    const Variant* variant = variantOf(pluginUri);
    if (!variant || !write) return nullptr;
    void* parent = nullptr;
    LV2_URID_Map* map = nullptr;
    LV2UI_Touch* touch = nullptr;
    LV2UI_Resize* resize = nullptr;
    for (int i = 0; features && features[i]; ++i) {
        const char* f = features[i]->URI;
        if (std::strcmp(f, LV2_UI__parent) == 0)
            parent = features[i]->data;
        else if (std::strcmp(f, LV2_URID__map) == 0)
            map = static_cast<LV2_URID_Map*>(features[i]->data);
        else if (std::strcmp(f, LV2_UI__touch) == 0)
            touch = static_cast<LV2UI_Touch*>(features[i]->data);
        else if (std::strcmp(f, LV2_UI__resize) == 0)
            resize = static_cast<LV2UI_Resize*>(features[i]->data);
    }
    if (!map) return nullptr;
    std::unique_ptr<Ui> ui;
    try {
        ui = std::make_unique<Ui>(*variant, write, controller, map);
        ui->editor = std::make_unique<EqualiserEditor>(*ui);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    ui->touch = touch;
    ui->resize = resize;
    // Without a parent the editor waits for ui:showInterface's show().
    *widget = nullptr;
    if (parent) {
        if (!ui->embed((Window)(uintptr_t)parent)) return nullptr;
        *widget = (LV2UI_Widget)(uintptr_t)ui->widget;
    }
    ui->askForState();
    return ui.release();
}

Ui* uiOf(LV2UI_Handle handle) {
    return static_cast<Ui*>(handle);
}

void cleanup(LV2UI_Handle handle) {
    Ui* ui = uiOf(handle);
    ui->hide();
    ui->editor.reset(); // closing, the editor tells the DSP to send no more samples
    delete ui;
}

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format,
               const void* buffer) {
    uiOf(handle)->portEvent(port, size, format, buffer);
}

const LV2UI_Idle_Interface kIdle = {[](LV2UI_Handle h) { return uiOf(h)->idle(); }};
const LV2UI_Show_Interface kShow = {[](LV2UI_Handle h) { return uiOf(h)->show(); },
                                    [](LV2UI_Handle h) { return uiOf(h)->hide(); }};

const void* extensionData(const char* uri) {
    if (std::strcmp(uri, LV2_UI__idleInterface) == 0) return &kIdle;
    if (std::strcmp(uri, LV2_UI__showInterface) == 0) return &kShow;
    return nullptr;
}

const LV2UI_Descriptor kDescriptor = {kUiUri, instantiate, cleanup, portEvent, extensionData};

} // namespace

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
