// The editor in LV2 hosts (ui:X11UI): the same window as in VST 2.x hosts,
// embedded in the host's window and driven by its idle calls. The editor
// talks to a local copy of the plug-in (a Dravo built with our own host
// callback) that follows the DSP instance through ports and messages only:
//   - port events set the copy's parameters without telling anyone back;
//   - the copy's automation calls (knob moves, preset changes) become port
//     writes, its edit gestures ui:touch grabs and releases;
//   - the bank lives in the DSP's state: the UI asks for it with patch:Get,
//     and sends it back as a patch:Set of a chunk when the preset bar changed
//     names, the current preset or other presets' values;
//   - the DSP tells its rate and every block that clipped;
//   - the user's stored default bank and preset apply when the editor first
//     meets an instance that is still as it started (see applyDefaults).
// The UI and the DSP may run in different threads or processes.
#include "gui/ADEditor.h"
#include "lv2/Ports.h"
#include "lv2/Uris.h"
#include "plugin/Dravo.h"

#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/patch/patch.h>
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

VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                       float opt);

struct Ui;

// The plug-in as the editor sees it. The latency read-outs follow the
// latency port (and the rate the DSP tells), not the copy's own engine.
class Mirror final : public Dravo {
  public:
    Mirror() : Dravo(hostCallback) {}
    float latencyMilliseconds() override {
        if (!latencyKnown) return Dravo::latencyMilliseconds();
        return latencySamples * 1000.0f / (float)(rate > 0.0 ? rate : sampleRate);
    }
    float latencySamples() override { return latencyKnown ? latencySamples : Dravo::latencySamples(); }
    // A preset chosen in the editor reaches the host as the values of every
    // port, so its automation and generic controls follow.
    void setPresetNo(long n) override;

    Ui* ui = nullptr;
    float latencySamples = 0.0f;
    bool latencyKnown = false;
    double rate = 0.0;
};

struct Ui {
    LV2UI_Write_Function write = nullptr;
    LV2UI_Controller controller = nullptr;
    LV2UI_Touch* touch = nullptr;
    LV2UI_Resize* resize = nullptr;
    LV2_URID_Map* map = nullptr;
    Uris uri{};
    LV2_Atom_Forge forge{};

    std::unique_ptr<Mirror> effect;
    ADEditor* editor = nullptr;
    Window widget = 0;
    // The window of its own that ui:showInterface opens, and its connection.
    ::Display* ownDisplay = nullptr;
    Window ownWindow = 0;
    Atom deleteWindow = 0;
    const char* title = "";

    // The copy may still call its host while it goes: nobody answers.
    ~Ui() {
        if (effect) effect->getAeffect()->user = nullptr;
    }

    // While above zero, the copy's calls to its host are the UI applying
    // what the host or the DSP said: nothing goes back.
    int quiet = 0;
    // The ports' last values, as the host sent or the UI wrote them.
    float ports[kNumControlPorts] = {};
    bool portKnown[kNumControlPorts] = {};
    // The DSP's bank arrived; until then the bar's state is not sent.
    bool bankKnown = false;
    // The DSP said its bank is the one it started with.
    bool dspFresh = false;
    std::vector<float> sentSignature;

    void fitOwnWindow(int w, int h) {
        XSizeHints hints{};
        hints.flags = PMinSize | PMaxSize;
        hints.min_width = hints.max_width = w;
        hints.min_height = hints.max_height = h;
        XSetWMNormalHints(ownDisplay, ownWindow, &hints);
        XResizeWindow(ownDisplay, ownWindow, (unsigned)w, (unsigned)h);
        XFlush(ownDisplay);
    }

    // The editor's size as it tells its host.
    int width() {
        ERect* r = nullptr;
        return editor->getRect(&r) && r ? r->right - r->left : layout::kEditorWidth;
    }
    int height() {
        ERect* r = nullptr;
        return editor->getRect(&r) && r ? r->bottom - r->top : layout::kEditorHeight;
    }

    void writePort(int port, float value) {
        ports[port] = value;
        portKnown[port] = true;
        write(controller, (uint32_t)port, sizeof(float), 0, &value);
    }
    void writeParameter(int index, float normalised) {
        const int port = portOfParam(index);
        if (port >= 0) writePort(port, portValueOf(controlParam(port), normalised));
    }
    void touchParameter(int index, bool grabbed) {
        const int port = portOfParam(index);
        if (touch && port >= 0) touch->touch(touch->handle, (uint32_t)port, grabbed);
    }
    void applyPort(int port) {
        const Param p = controlParam(port);
        double normalised;
        if (normalisedForPort(p, ports[port], normalised))
            effect->setParameter(dravo::index(p), (float)normalised);
    }

    // What the preset bar changes beyond the current values: the current
    // preset's number, every name and the other presets' values. Knob moves
    // and port events change only the current record, which the DSP keeps
    // from its ports itself.
    std::vector<float> signature() {
        std::vector<float> s;
        const long current = effect->getPresetNo();
        s.push_back((float)current);
        const PresetRecord* records = effect->getPresets();
        for (int n = 0; n < kNumPresets; ++n) {
            for (int c = 0; c < kPresetNameSize; ++c)
                s.push_back((float)records[n].name[c]);
            if (n != current)
                for (int i = 0; i < kNumPresetParams; ++i)
                    s.push_back(records[n].values[i]);
        }
        return s;
    }

    void sendAtom(const std::vector<uint8_t>& buffer) {
        const auto* atom = reinterpret_cast<const LV2_Atom*>(buffer.data());
        write(controller, (uint32_t)kControlInPort, lv2_atom_total_size(atom), uri.eventTransfer,
              atom);
    }
    void askForState() {
        std::vector<uint8_t> buffer(256);
        lv2_atom_forge_set_buffer(&forge, buffer.data(), buffer.size());
        LV2_Atom_Forge_Frame frame;
        lv2_atom_forge_object(&forge, &frame, 0, uri.get);
        lv2_atom_forge_pop(&forge, &frame);
        sendAtom(buffer);
    }
    void sendBankIfChanged() {
        if (!bankKnown) return;
        std::vector<float> now = signature();
        if (now == sentSignature) return;
        void* chunk = nullptr;
        const VstInt32 size = effect->getChunk(&chunk);
        if (size <= 0 || !chunk) return;
        std::vector<uint8_t> buffer((size_t)size + 256);
        lv2_atom_forge_set_buffer(&forge, buffer.data(), buffer.size());
        LV2_Atom_Forge_Frame frame;
        lv2_atom_forge_object(&forge, &frame, 0, uri.set);
        lv2_atom_forge_key(&forge, uri.property);
        lv2_atom_forge_urid(&forge, uri.bank);
        lv2_atom_forge_key(&forge, uri.value);
        lv2_atom_forge_atom(&forge, (uint32_t)size, uri.chunk);
        lv2_atom_forge_write(&forge, chunk, (uint32_t)size);
        lv2_atom_forge_pop(&forge, &frame);
        sendAtom(buffer);
        sentSignature = std::move(now);
    }

    // A new instance nobody has changed yet (its bank as it started, every
    // port at its default) gets the user's stored default bank and preset,
    // as a new instance does in a VST 2.x host. The ports that changed are
    // written through the host; the bank follows at the next idle.
    void applyDefaults() {
        for (int port = 0; port < kNumControlPorts; ++port) {
            const Param p = controlParam(port);
            if (!portKnown[port] || ports[port] != portValueOf(p, info(p).defaultValue)) return;
        }
        ++quiet;
        effect->loadDefaults();
        --quiet;
        for (int port = 0; port < kNumControlPorts; ++port) {
            const int i = dravo::index(controlParam(port));
            const float value = portValueOf(controlParam(port), effect->getParameter(i));
            if (value != ports[port]) writePort(port, value);
        }
    }

    void message(const LV2_Atom* atom) {
        if (atom->type != uri.object && atom->type != uri.blank) return;
        const auto* obj = reinterpret_cast<const LV2_Atom_Object*>(atom);
        if (obj->body.otype != uri.set) return;
        const LV2_Atom* property = nullptr;
        const LV2_Atom* value = nullptr;
        lv2_atom_object_get(obj, uri.property, &property, uri.value, &value, 0);
        if (!property || property->type != uri.urid || !value) return;
        const LV2_URID key = reinterpret_cast<const LV2_Atom_URID*>(property)->body;
        if (key == uri.bank && value->type == uri.chunk) {
            ++quiet;
            const bool loaded =
                effect->setChunk(const_cast<LV2_Atom*>(value) + 1, (VstInt32)value->size) == 0;
            // The ports, not the bank's record, hold the parameters.
            for (int port = 0; port < kNumControlPorts; ++port)
                if (portKnown[port]) applyPort(port);
            --quiet;
            if (loaded) {
                bankKnown = true;
                sentSignature = signature();
                if (dspFresh) applyDefaults();
            }
            dspFresh = false;
            if (CFrame* frame = editor->getFrame()) frame->invalid();
        } else if (key == uri.rate && value->type == uri.dbl) {
            effect->rate = reinterpret_cast<const LV2_Atom_Double*>(value)->body;
            editor->resume();
        } else if (key == uri.fresh && value->type == uri.boolean) {
            dspFresh = reinterpret_cast<const LV2_Atom_Bool*>(value)->body != 0;
        } else if (key == uri.clip && value->type == uri.flt) {
            EqEngine& engine = effect->getEngine();
            const float peak = reinterpret_cast<const LV2_Atom_Float*>(value)->body;
            engine.setBlockPeak(std::max(engine.getBlockPeak(), peak));
        }
    }
};

void Mirror::setPresetNo(long n) {
    Dravo::setPresetNo(n);
    if (!ui || ui->quiet) return;
    for (int port = 0; port < kNumControlPorts; ++port) {
        const int i = dravo::index(controlParam(port));
        ui->writeParameter(i, getParameter(i));
    }
}

VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void*,
                       float opt) {
    if (opcode == audioMasterVersion) return 2400;
    Ui* ui = effect ? static_cast<Ui*>(effect->user) : nullptr;
    if (!ui || ui->quiet) return 0;
    switch (opcode) {
    case audioMasterAutomate:
        ui->writeParameter(index, opt);
        return 0;
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
        ui->touchParameter(index, opcode == audioMasterBeginEdit);
        return 1;
    case audioMasterGetSampleRate:
        return (VstIntPtr)ui->effect->rate;
    case audioMasterSizeWindow:
        // The editor's new size: the window of its own follows, or the host.
        if (ui->ownDisplay) {
            ui->fitOwnWindow(index, (int)value);
            return 1;
        }
        // A host without ui:resize follows the window the editor resizes.
        if (ui->resize) return ui->resize->ui_resize(ui->resize->handle, index, (int)value) == 0;
        return 1;
    default:
        return 0;
    }
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
    auto ui = std::make_unique<Ui>();
    ui->write = write;
    ui->title = variant->name;
    ui->controller = controller;
    for (int i = 0; features && features[i]; ++i) {
        const char* f = features[i]->URI;
        if (std::strcmp(f, LV2_UI__parent) == 0)
            parent = features[i]->data;
        else if (std::strcmp(f, LV2_URID__map) == 0)
            ui->map = static_cast<LV2_URID_Map*>(features[i]->data);
        else if (std::strcmp(f, LV2_UI__touch) == 0)
            ui->touch = static_cast<LV2UI_Touch*>(features[i]->data);
        else if (std::strcmp(f, LV2_UI__resize) == 0)
            ui->resize = static_cast<LV2UI_Resize*>(features[i]->data);
    }
    if (!ui->map) return nullptr;
    ui->uri = mapUris(ui->map);
    lv2_atom_forge_init(&ui->forge, ui->map);

    try {
        ui->effect = std::make_unique<Mirror>();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    ui->effect->ui = ui.get();
    ui->effect->getAeffect()->user = ui.get();
    ui->editor = static_cast<ADEditor*>(ui->effect->getEditor());
    if (!ui->editor) return nullptr;
    // Without a parent the editor waits for ui:showInterface's show().
    *widget = nullptr;
    if (parent) {
        ::Display* d = XOpenDisplay(nullptr);
        if (!d) return nullptr;
        const std::vector<Window> before = childrenOf(d, (Window)(uintptr_t)parent);
        if (!ui->editor->open(parent)) {
            XCloseDisplay(d);
            return nullptr;
        }
        for (Window w : childrenOf(d, (Window)(uintptr_t)parent))
            if (std::find(before.begin(), before.end(), w) == before.end()) ui->widget = w;
        XCloseDisplay(d);
        *widget = (LV2UI_Widget)(uintptr_t)ui->widget;
        if (ui->resize) ui->resize->ui_resize(ui->resize->handle, ui->width(), ui->height());
    }
    ui->askForState();
    return ui.release();
}

// ui:showInterface: the editor in a top-level window of its own.
int hide(LV2UI_Handle handle) {
    auto* ui = static_cast<Ui*>(handle);
    if (!ui->ownDisplay) return 0;
    ui->editor->close();
    XDestroyWindow(ui->ownDisplay, ui->ownWindow);
    XCloseDisplay(ui->ownDisplay);
    ui->ownDisplay = nullptr;
    ui->ownWindow = 0;
    return 0;
}

int show(LV2UI_Handle handle) {
    auto* ui = static_cast<Ui*>(handle);
    if (ui->ownDisplay) return 0;
    if (ui->editor->getFrame()) return 0; // embedded already
    ::Display* d = XOpenDisplay(nullptr);
    if (!d) return 1;
    const Window window =
        XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, (unsigned)ui->width(),
                            (unsigned)ui->height(), 0, 0, BlackPixel(d, DefaultScreen(d)));
    XStoreName(d, window, ui->title);
    ui->deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, window, &ui->deleteWindow, 1);
    ui->ownDisplay = d;
    ui->ownWindow = window;
    ui->fitOwnWindow(ui->width(), ui->height());
    XMapWindow(d, window);
    XSync(d, False);
    if (!ui->editor->open((void*)(uintptr_t)window)) {
        hide(handle);
        return 1;
    }
    return 0;
}

void cleanup(LV2UI_Handle handle) {
    auto* ui = static_cast<Ui*>(handle);
    hide(handle);
    ui->editor->close();
    delete ui;
}

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format,
               const void* buffer) {
    auto* ui = static_cast<Ui*>(handle);
    if (format == 0 && size == sizeof(float)) {
        float value;
        std::memcpy(&value, buffer, sizeof value);
        if (port < (uint32_t)kNumControlPorts) {
            // The host's echo of what the UI wrote changes nothing.
            if (ui->portKnown[port] && ui->ports[port] == value) return;
            ui->ports[port] = value;
            ui->portKnown[port] = true;
            ++ui->quiet;
            ui->applyPort((int)port);
            --ui->quiet;
        } else if (port == (uint32_t)kLatencyPort) {
            ui->effect->latencySamples = value;
            ui->effect->latencyKnown = true;
            ui->editor->resume();
        }
    } else if (format == ui->uri.eventTransfer && port == (uint32_t)kNotifyPort &&
               size >= sizeof(LV2_Atom)) {
        const auto* atom = static_cast<const LV2_Atom*>(buffer);
        if (lv2_atom_total_size(atom) <= size) ui->message(atom);
    }
}

// Non-zero once the user closed the window of its own.
int idle(LV2UI_Handle handle) {
    auto* ui = static_cast<Ui*>(handle);
    bool closed = false;
    while (ui->ownDisplay && XPending(ui->ownDisplay)) {
        XEvent ev;
        XNextEvent(ui->ownDisplay, &ev);
        closed =
            closed || (ev.type == ClientMessage && (Atom)ev.xclient.data.l[0] == ui->deleteWindow);
    }
    if (closed) {
        hide(handle);
        return 1;
    }
    ui->editor->idle();
    ui->sendBankIfChanged();
    return 0;
}

const LV2UI_Idle_Interface kIdle = {idle};
const LV2UI_Show_Interface kShow = {show, hide};

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
