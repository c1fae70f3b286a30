// The editor in an LV2 host: a small host of ours on the LV2 UI ABI loads the
// UI binary from the installed bundle into a window of a private X server,
// with the DSP instantiated through lilv beside it. Everything between the
// two goes the way a host carries it: the UI's port writes and atoms to the
// DSP's ports, the DSP's port values and notifications to the UI's
// port_event. Real pointer input (XTest) plays the controls and the bar.
#include "gui/EditorLayout.h"
#include "gui/EditorZoom.h"
#include "lv2/Lv2Rig.h"
#include "lv2/Messages.h"
#include "lv2/Ports.h"
#include "model/FactoryPresets.h"
#include "model/ProgramStore.h"
#include "presets/PresetBarLayout.h"
#include "presets/PresetBarTestSupport.h"

#include <lv2/atom/atom.h>
#include <lv2/patch/patch.h>
#include <lv2/ui/ui.h>

#include <gtest/gtest.h>
// After the test framework: X11 defines macros such as None and Bool.
#include "toolkit/XvfbServer.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo/cairo.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace dravo;
using namespace dravo::lv2;
using namespace presetbar;

namespace {

const layout::Control& controlOf(Param p) {
    return *layout::controlForTag(index(p));
}
const layout::Control& ledControl() {
    for (const auto& c : layout::kControls)
        if (c.kind == layout::Kind::Led) return c;
    return layout::kControls[0];
}

// The top-left w x h pixels of window, as artefacts/NAME.
void savePng(::Display* d, Window window, int w, int h, const char* name) {
    XSync(d, False);
    XImage* img = XGetImage(d, window, 0, 0, (unsigned)w, (unsigned)h, AllPlanes, ZPixmap);
    ASSERT_NE(img, nullptr);
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            *reinterpret_cast<uint32_t*>(data + y * stride + x * 4) =
                (uint32_t)XGetPixel(img, x, y) & 0xffffff;
    cairo_surface_mark_dirty(s);
    XDestroyImage(img);
    const std::string dir = DRAVO_BINARY_DIR "/artefacts";
    mkdir(dir.c_str(), 0755);
    cairo_surface_write_to_png(s, (dir + "/" + name).c_str());
    cairo_surface_destroy(s);
}

// A store that only holds a bank, to read the DSP's saved state.
struct BankReader final : ProgramStore::Listener {
    ProgramStore store{*this, kFactoryPresetTable};
    void applyPreset(const PresetRecord&) override {}
};

// Host cycles enough for a whole bank to cross in pieces, either way.
constexpr int kBankCycles = 3 + (int)(piecesFor(kMaxTransferSize) / kPiecesPerCycle);

struct Lv2Ui : ::testing::Test {
    static constexpr int kTop = 140;
    static constexpr int kWidth = layout::kEditorWidth;
    static constexpr int kHeight = layout::kEditorHeight;

    presettest::Desktop desk; // private HOME, preferences and stand-in dialogs
    dravo_test::Xvfb xvfb;
    dravo_test::XTest xtest;
    ::Display* d = nullptr;
    Window host = 0;
    std::unique_ptr<lv2rig::Instance> dsp;
    void* library = nullptr;
    const LV2UI_Descriptor* descriptor = nullptr;
    const LV2UI_Idle_Interface* idler = nullptr;
    LV2UI_Handle ui = nullptr;
    float latencyTold = -1.0f;
    const Variant* variant = &kVariants[0];

    // What the UI did through the host: port writes and touches.
    struct Call {
        char kind; // 'w' write, 'g' grab, 'r' release
        int port;
        float value;
    };
    std::vector<Call> calls;
    int resized = 0;

    LV2UI_Touch touch{
        this, [](LV2UI_Feature_Handle h, uint32_t port, bool grabbed) {
            static_cast<Lv2Ui*>(h)->calls.push_back({grabbed ? 'g' : 'r', (int)port, 0.0f});
        }};
    LV2UI_Resize resize{this, [](LV2UI_Feature_Handle h, int w, int hgt) {
                            static_cast<Lv2Ui*>(h)->resized = w * 10000 + hgt;
                            return 0;
                        }};

    static void writePort(LV2UI_Controller c, uint32_t port, uint32_t size, uint32_t format,
                          const void* buffer) {
        auto& t = *static_cast<Lv2Ui*>(c);
        if (format == 0 && size == sizeof(float) && port < (uint32_t)kNumControlPorts) {
            const float v = *static_cast<const float*>(buffer);
            *t.dsp->controlPort((int)port) = v;
            t.calls.push_back({'w', (int)port, v});
        } else if (format == t.urid(LV2_ATOM__eventTransfer) && port == (uint32_t)kControlInPort) {
            EXPECT_LE(size, lv2rig::kSmallMessage) << "a message to the DSP";
            t.dsp->send(static_cast<const LV2_Atom*>(buffer));
        } else {
            ADD_FAILURE() << "write to port " << port << " in format " << format;
        }
    }

    static LV2_URID urid(const char* uri) {
        return lv2rig::uridMap()->map(lv2rig::uridMap()->handle, uri);
    }

    void SetUp() override {
        if (!xvfb.display) GTEST_SKIP() << "Xvfb is not installed (/usr/bin/Xvfb)";
        d = xvfb.display;
        ASSERT_TRUE(xtest.load());
        const std::string path = lv2rig::installed().bundle + "/VeyDravo-ui.so";
        library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        auto entry = (const LV2UI_Descriptor* (*)(uint32_t))dlsym(library, "lv2ui_descriptor");
        ASSERT_NE(entry, nullptr);
        descriptor = entry(0);
        ASSERT_NE(descriptor, nullptr);
        EXPECT_STREQ(descriptor->URI, kUiUri);
        idler = static_cast<const LV2UI_Idle_Interface*>(
            descriptor->extension_data(LV2_UI__idleInterface));
        ASSERT_NE(idler, nullptr);
        host = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, kTop, kWidth, kHeight, 0, 0, 0);
        XSelectInput(d, host, StructureNotifyMask);
        XMapWindow(d, host);
        XEvent ev;
        do
            XNextEvent(d, &ev);
        while (ev.type != MapNotify);
        dsp = std::make_unique<lv2rig::Instance>(variant->uri, 48000);
        dsp->activate();
        ASSERT_TRUE(open());
        pump(kBankCycles);
    }
    void TearDown() override {
        close();
        dsp.reset();
        if (library) dlclose(library);
        if (host) XDestroyWindow(d, host);
    }

    // Embedded in the host window, or (embedded false) waiting to be shown.
    bool open(bool embedded = true) {
        LV2_Feature parent{LV2_UI__parent, (void*)(uintptr_t)host};
        LV2_Feature map{LV2_URID__map, lv2rig::uridMap()};
        LV2_Feature touchF{LV2_UI__touch, &touch};
        LV2_Feature resizeF{LV2_UI__resize, &resize};
        const LV2_Feature* features[] = {&map, &touchF, &resizeF, &parent, nullptr};
        if (!embedded) features[3] = nullptr;
        LV2UI_Widget widget = nullptr;
        ui = descriptor->instantiate(descriptor, variant->uri, lv2rig::installed().bundle.c_str(),
                                     writePort, this, &widget, features);
        if (!ui || (embedded && !widget)) return false;
        // As a host does after instantiating: every control port's value.
        for (int port = 0; port < kNumControlPorts; ++port)
            tell(port, *dsp->controlPort(port));
        latencyTold = -1.0f;
        return true;
    }
    void close() {
        if (ui) descriptor->cleanup(ui);
        ui = nullptr;
    }
    void tell(int port, float value) {
        descriptor->port_event(ui, (uint32_t)port, sizeof value, 0, &value);
    }

    // One host cycle: a block of the DSP (at a constant level), its
    // notifications and latency to the UI, the UI's idle, the X server.
    void pump(int times = 1, float level = 0.0f) {
        for (int i = 0; i < times; ++i) {
            std::vector<float> l(256, level), r(256, level);
            dsp->run({l.data(), r.data()}, {l.data(), r.data()}, 256);
            for (const auto& n : dsp->notifications()) {
                EXPECT_LE(n.size(), lv2rig::kSmallMessage) << "a message to the editor";
                // Hosts log a patch:Set of a property the plug-in does not declare.
                EXPECT_NE(reinterpret_cast<const LV2_Atom_Object*>(n.data())->body.otype,
                          urid(LV2_PATCH__Set));
                descriptor->port_event(ui, (uint32_t)kNotifyPort, (uint32_t)n.size(),
                                       urid(LV2_ATOM__eventTransfer), n.data());
            }
            if (dsp->latency() != latencyTold) {
                latencyTold = dsp->latency();
                tell(kLatencyPort, latencyTold);
            }
            idleOnly();
        }
    }
    // The UI's idle without the DSP running.
    void idleOnly() {
        idler->idle(ui);
        XSync(d, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // Until the UI's dialogs and other programs have ended.
    void settle() {
        EXPECT_TRUE(presettest::idleUntil([this] { pump(1); },
                                          [] { return presettest::childProcesses().empty(); }));
        pump(3);
    }

    void moveTo(int x, int y) { xtest.motion(d, -1, x, kTop + y, 0); }
    void click(int x, int y) {
        moveTo(x, y);
        xtest.button(d, 1, True, 0);
        pump(2);
        xtest.button(d, 1, False, 0);
        pump(2);
    }
    // count 2: a double click.
    void clickBar(int tag, int dx = 0, int count = 1) {
        for (const Item& it : kItems)
            if (it.tag == tag)
                for (int i = 0; i < count; ++i)
                    click((it.left + it.right) / 2 + dx, (it.top + it.bottom) / 2);
        settle();
    }
    // The host removes the plug-in and inserts a new instance, whose state
    // it restores when given; then the editor opens.
    void newInstance(const std::vector<unsigned char>* state = nullptr) {
        close();
        dsp = std::make_unique<lv2rig::Instance>(variant->uri, 48000);
        if (state) dsp->restore(*state, urid(LV2_ATOM__Chunk));
        dsp->activate();
        ASSERT_TRUE(open());
        pump(kBankCycles);
    }

    // The host window's pixels inside a control's rectangle.
    std::vector<uint32_t> pixels(const layout::Control& c) {
        XSync(d, False);
        XImage* img = XGetImage(d, host, c.left, c.top, c.width, c.height, AllPlanes, ZPixmap);
        std::vector<uint32_t> out;
        if (!img) return out;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                out.push_back((uint32_t)XGetPixel(img, x, y) & 0xffffff);
        XDestroyImage(img);
        return out;
    }
    void saveShot(const char* name) { savePng(d, host, kWidth, kHeight, name); }
    int childWindows() {
        Window root, parent, *children = nullptr;
        unsigned int n = 0;
        XQueryTree(d, host, &root, &parent, &children, &n);
        if (children) XFree(children);
        return (int)n;
    }
    float port(Param p) { return *dsp->controlPort(portOfParam(index(p))); }
    // The preset the DSP's saved state names as current.
    long dspPreset() {
        BankReader reader;
        const auto bytes = dsp->save();
        EXPECT_EQ(reader.store.setChunk(bytes.data(), (int32_t)bytes.size()), 0);
        return reader.store.current();
    }
};

TEST_F(Lv2Ui, OpensAtItsSizeInTheHostWindow) {
    EXPECT_EQ(childWindows(), 1);
    EXPECT_EQ(resized, kWidth * 10000 + kHeight);
    saveShot("lv2-editor.png");
}

// The zoom the user chose is the size the host is asked for.
TEST_F(Lv2Ui, OpensAtTheChosenZoom) {
    zoom::remember("com.veyaudioworks.dravo", 2.0);
    newInstance();
    EXPECT_EQ(resized, 2 * kWidth * 10000 + 2 * kHeight);
}

// A drag or a click writes only its own port, between a grab and a release.
// Press (in the middle, or just above the bottom), move up by rise pixels,
// release.
struct Gesture {
    Param param;
    bool atBottom;
    int rise;
};
const Gesture kGestures[] = {
    {Param::Mid1Gain, false, 40}, // a knob dragged up
    {Param::HighCutOn, false, 0}, // a button clicked
    {Param::Mid1Mode, true, 0},   // a three-way switch clicked at its bottom
};

TEST_F(Lv2Ui, ControlsWriteTheirPortInsideATouch) {
    for (const Gesture& g : kGestures) {
        SCOPED_TRACE(info(g.param).symbol);
        const layout::Control& c = controlOf(g.param);
        const int port = portOfParam(index(g.param));
        const float before = *dsp->controlPort(port);
        calls.clear();
        const int x = c.left + c.width / 2, y = c.top + (g.atBottom ? c.height - 3 : c.height / 2);
        moveTo(x, y);
        xtest.button(d, 1, True, 0);
        pump(2);
        for (int dy = 4; dy <= g.rise; dy += 4) {
            moveTo(x, y - dy);
            pump(1);
        }
        xtest.button(d, 1, False, 0);
        pump(2);
        ASSERT_GE(calls.size(), 3u);
        EXPECT_EQ(calls.front().kind, 'g');
        EXPECT_EQ(calls.back().kind, 'r');
        for (const Call& call : calls)
            EXPECT_EQ(call.port, port) << call.kind;
        EXPECT_NE(*dsp->controlPort(port), before);
        EXPECT_EQ(*dsp->controlPort(port), calls[calls.size() - 2].value);
    }
}

// A value from the host redraws the knob and is not written back.
TEST_F(Lv2Ui, HostPortEventRedrawsTheControl) {
    const layout::Control& c = controlOf(Param::Mid1Gain);
    const int port = portOfParam(index(Param::Mid1Gain));
    const auto before = pixels(c);
    calls.clear();
    tell(port, 12.0f);
    pump(2);
    EXPECT_TRUE(pixels(c) != before);
    tell(port, 0.0f);
    pump(2);
    EXPECT_TRUE(pixels(c) == before);
    EXPECT_TRUE(calls.empty());
}

// The next preset from the bar's rocker: every port written with the
// preset's values, and the DSP's state names it as current.
// Steps to the next preset with the rocker; checks that every port was
// written and holds factory preset n's value.
void expectNextPresetIs(Lv2Ui& t, int n) {
    t.calls.clear();
    t.clickBar(kTagRocker, 12);
    t.pump(kBankCycles);
    std::vector<bool> written(kNumControlPorts, false);
    for (const Lv2Ui::Call& call : t.calls)
        if (call.kind == 'w') written[(size_t)call.port] = true;
    for (int port = 0; port < kNumControlPorts; ++port) {
        const Param p = controlParam(port);
        EXPECT_TRUE(written[(size_t)port]) << info(p).symbol;
        if (p != Param::Master && p != Param::Channel) { // the same in every preset
            EXPECT_EQ(*t.dsp->controlPort(port),
                      portValueOf(p, (float)kFactoryPresetValues[n][index(p)]))
                << info(p).symbol;
        }
    }
}

TEST_F(Lv2Ui, PresetFromTheBarWritesEveryPortAndTheDspState) {
    for (const Variant& v : kVariants) {
        SCOPED_TRACE(v.uri);
        variant = &v;
        newInstance();
        ASSERT_EQ(dspPreset(), 0);
        expectNextPresetIs(*this, 1);
        EXPECT_EQ(dspPreset(), 1);
    }
}

// The mono plug-in's editor greys the channel switch, and a click on it
// writes nothing.
TEST_F(Lv2Ui, MonoEditorsChannelSwitchIsGreyAndDeaf) {
    const layout::Control& channel = controlOf(Param::Channel);
    const auto stereo = pixels(channel);
    variant = &kVariants[1];
    newInstance();
    EXPECT_TRUE(pixels(channel) != stereo);
    calls.clear();
    click(channel.left + channel.width / 2, channel.top + channel.height - 3);
    EXPECT_TRUE(calls.empty());
}

// A name typed into the bar's name field reaches the DSP's state.
TEST_F(Lv2Ui, RenamedPresetReachesTheDspState) {
    for (const Item& it : kItems)
        if (it.tag == kTagName) click((it.left + it.right) / 2, (it.top + it.bottom) / 2);
    for (KeySym k : {XK_End, XK_x, XK_y, XK_Return}) {
        xtest.key(d, XKeysymToKeycode(d, k), True, 0);
        xtest.key(d, XKeysymToKeycode(d, k), False, 0);
        pump(1);
    }
    pump(kBankCycles);
    BankReader reader;
    const auto bytes = dsp->save();
    ASSERT_EQ(reader.store.setChunk(bytes.data(), (int32_t)bytes.size()), 0);
    EXPECT_STREQ(reader.store.currentRecord().name, "Defaultxy");
}

// State the host restores while the editor is open reaches the bar: the
// rocker steps on from the restored preset.
TEST_F(Lv2Ui, RestoredStateReachesTheOpenEditor) {
    BankReader bank;
    bank.store.selectPreset(3);
    void* chunk = nullptr;
    const int32_t size = bank.store.getChunk(&chunk);
    ASSERT_GT(size, 0);
    const auto* bytes = static_cast<const unsigned char*>(chunk);
    ASSERT_EQ(dsp->restore({bytes, bytes + size}, urid(LV2_ATOM__Chunk)), LV2_STATE_SUCCESS);
    pump(kBankCycles);
    expectNextPresetIs(*this, 4);
}

// A preset saved to a file and loaded back through the (stand-in) dialogs
// brings the port's value back through the host.
TEST_F(Lv2Ui, PresetFileSavedAndLoadedRoundTrips) {
    const int port = portOfParam(index(Param::Mid2Gain));
    *dsp->controlPort(port) = 6.0f;
    tell(port, 6.0f);
    pump(2);
    const std::string file = desk.files + "round trip.vey";
    desk.choose(file);
    clickBar(kTagSavePreset);
    ASSERT_TRUE(std::filesystem::exists(file));
    *dsp->controlPort(port) = 0.0f;
    tell(port, 0.0f);
    pump(2);
    calls.clear();
    desk.choose(file);
    clickBar(kTagLoadPreset);
    EXPECT_EQ(*dsp->controlPort(port), 6.0f);
    ASSERT_FALSE(calls.empty());
}

// The default preset stored from the bar applies to a new instance the
// first time its editor opens, not to a session the host restores.
TEST_F(Lv2Ui, StoredDefaultPresetAppliesToNewInstancesOnly) {
    const int port = portOfParam(index(Param::Mid2Gain));
    const std::vector<unsigned char> session = dsp->save();
    *dsp->controlPort(port) = 6.0f;
    tell(port, 6.0f);
    pump(2);
    clickBar(kTagDefaultPreset, 0, 2);
    newInstance();
    pump(kBankCycles);
    EXPECT_EQ(*dsp->controlPort(port), 6.0f);
    newInstance(&session);
    EXPECT_EQ(*dsp->controlPort(port), 0.0f);
}

// Quiet blocks leave the clip LED dark; a full-scale block lights it.
TEST_F(Lv2Ui, ClipLedLightsOnAFullScaleBlock) {
    const auto dark = pixels(ledControl());
    pump(4, 0.5f);
    EXPECT_TRUE(pixels(ledControl()) == dark);
    pump(2, 1.5f);
    EXPECT_TRUE(pixels(ledControl()) != dark);
}

// The latency read-outs follow the latency port.
TEST_F(Lv2Ui, LatencyReadOutsFollowTheLatencyPort) {
    const layout::Control* readout = nullptr;
    for (const auto& c : layout::kControls)
        if (c.kind == layout::Kind::LatencySamples) readout = &c;
    ASSERT_NE(readout, nullptr);
    const auto before = pixels(*readout);
    tell(kLatencyPort, 1234.0f);
    pump(2);
    EXPECT_TRUE(pixels(*readout) != before);
}

// A latency read-out's rectangle, up to where the next one starts.
layout::Control readout(layout::Kind kind) {
    layout::Control ms{}, samples{};
    for (const auto& c : layout::kControls) {
        if (c.kind == layout::Kind::LatencyMs) ms = c;
        if (c.kind == layout::Kind::LatencySamples) samples = c;
    }
    ms.width = std::min(ms.width, samples.left - ms.left);
    return kind == layout::Kind::LatencyMs ? ms : samples;
}

// Milliseconds only from the rate the DSP tells, never from a guessed one:
// blank until then, though the samples read-out shows the latency port.
TEST_F(Lv2Ui, LatencyInMillisecondsWaitsForTheDspsRate) {
    close();
    ASSERT_TRUE(open());
    idleOnly();
    const auto blankMs = pixels(readout(layout::Kind::LatencyMs));
    const auto blankSamples = pixels(readout(layout::Kind::LatencySamples));
    tell(kLatencyPort, 46.0f);
    idleOnly();
    EXPECT_TRUE(pixels(readout(layout::Kind::LatencySamples)) != blankSamples);
    EXPECT_TRUE(pixels(readout(layout::Kind::LatencyMs)) == blankMs);
    pump(2);
    EXPECT_TRUE(pixels(readout(layout::Kind::LatencyMs)) != blankMs);
}

// A preset the host applies (its port values set, then told to the UI port
// by port, as hosts do) shows in the open editor as in one opened after it.
TEST_F(Lv2Ui, PresetTheHostAppliesShowsInTheOpenEditor) {
    layout::Control all{};
    all.width = kWidth;
    all.height = kHeight;
    const auto before = pixels(all);
    ASSERT_TRUE(dsp->applyPreset(kFactoryPresets[5].name));
    for (int port = 0; port < kNumControlPorts; ++port)
        tell(port, *dsp->controlPort(port));
    pump(2);
    const auto followed = pixels(all);
    EXPECT_TRUE(followed != before);
    close();
    ASSERT_TRUE(open());
    pump(kBankCycles);
    EXPECT_TRUE(pixels(all) == followed);
}

// A host whose window grew with the zoom and does not shrink: the part the
// editor does not cover shows the backdrop, not what was drawn there before.
TEST_F(Lv2Ui, HostWindowBeyondTheEditorShowsTheBackdrop) {
    close();
    XResizeWindow(d, host, 2 * kWidth, 2 * kHeight);
    XSetWindowBackgroundPixmap(d, host, None); // as toolkits' windows are
    GC gc = XCreateGC(d, host, 0, nullptr);
    XSetForeground(d, gc, 0xff0000);
    XFillRectangle(d, host, gc, 0, 0, 2 * kWidth, 2 * kHeight);
    XFreeGC(d, gc);
    XSync(d, False);
    ASSERT_TRUE(open());
    pump(2);
    layout::Control beyond{};
    beyond.left = kWidth;
    beyond.width = kWidth;
    beyond.height = 2 * kHeight;
    const auto outside = pixels(beyond);
    ASSERT_FALSE(outside.empty());
    EXPECT_EQ(std::count(outside.begin(), outside.end(), 0x2a2c2fu), (long)outside.size());
}

TEST_F(Lv2Ui, OpenAndClose100TimesLeavesNothingBehind) {
    close();
    pump(0);
    const int files = dravo_test::openFileCount();
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(open());
        idler->idle(ui);
        close();
        ASSERT_EQ(childWindows(), 0);
    }
    XSync(d, False);
    EXPECT_EQ(dravo_test::openFileCount(), files);
    EXPECT_TRUE(presettest::childProcesses().empty());
}

} // namespace

namespace {

// A program started with extra environment and its output discarded; ended
// with SIGTERM (then SIGKILL) and reaped when the object goes.
struct Program {
    pid_t pid = 0;
    Program(std::vector<std::string> argv, const std::vector<std::string>& env) {
        std::vector<std::string> environment = env;
        for (char** e = environ; *e; ++e)
            environment.push_back(*e);
        std::vector<char*> args, envp;
        for (auto& a : argv)
            args.push_back(a.data());
        args.push_back(nullptr);
        for (auto& e : environment)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid = 0;
        posix_spawn_file_actions_destroy(&actions);
    }
    bool running() { return pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0; }
    ~Program() {
        if (pid <= 0) return;
        kill(pid, SIGTERM);
        for (int i = 0; i < 200 && waitpid(pid, nullptr, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (waitpid(pid, nullptr, WNOHANG) == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
};

// A window of the editor's size anywhere below window.
Window findEditor(::Display* d, Window window) {
    XWindowAttributes a;
    if (XGetWindowAttributes(d, window, &a) && a.width == layout::kEditorWidth &&
        a.height == layout::kEditorHeight && a.map_state == IsViewable)
        return window;
    Window root, parent, *children = nullptr;
    unsigned int n = 0;
    Window found = 0;
    if (XQueryTree(d, window, &root, &parent, &children, &n))
        for (unsigned int i = 0; i < n && !found; ++i)
            found = findEditor(d, children[i]);
    if (children) XFree(children);
    return found;
}

// Debian's jalv (GTK 3, embedding X11 UIs through suil) on JACK's dummy
// driver shows the editor in its window and keeps running.
TEST(Lv2Jalv, ShowsTheEditor) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "jalv cannot load a UI built with AddressSanitizer";
#endif
    if (access("/usr/bin/jalv.gtk3", X_OK) != 0 || access("/usr/bin/jackd", X_OK) != 0)
        GTEST_SKIP() << "jalv and jackd2 are not installed";
    dravo_test::Xvfb xvfb;
    if (!xvfb.display) GTEST_SKIP() << "Xvfb is not installed";
    presettest::Desktop desk;
    const std::string server = "dravo-test-" + std::to_string(getpid());
    const std::vector<std::string> env = {"JACK_DEFAULT_SERVER=" + server,
                                          "JACK_NO_AUDIO_RESERVATION=1",
                                          "LV2_PATH=" + lv2rig::installed().lv2Dir};
    Program jack({"jackd", "-n", server, "-d", "dummy", "-r", "48000", "-p", "256"}, env);
    ASSERT_TRUE(jack.running());
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    Program jalv({"jalv.gtk3", kVariants[0].uri}, env);
    ::Display* d = xvfb.display;
    Window editor = 0;
    for (int i = 0; i < 200 && !editor && jalv.running(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        editor = findEditor(d, DefaultRootWindow(d));
    }
    ASSERT_NE(editor, 0u) << "no editor window in jalv";
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_TRUE(jalv.running());
    // jalv's window down to the editor's bottom edge.
    int left = 0, top = 0;
    Window child;
    XTranslateCoordinates(d, editor, DefaultRootWindow(d), 0, 0, &left, &top, &child);
    const int w = left + layout::kEditorWidth, h = top + layout::kEditorHeight;
    savePng(d, DefaultRootWindow(d), w, h, "lv2-jalv.png");
}

// A host without embedding shows the editor in a window of its own, hides
// it, and hears when the user closed it (idle returns non-zero).
TEST_F(Lv2Ui, ShowsAWindowOfItsOwnAndTellsWhenItIsClosed) {
    close();
    ASSERT_TRUE(open(false));
    const auto* shower =
        static_cast<const LV2UI_Show_Interface*>(descriptor->extension_data(LV2_UI__showInterface));
    ASSERT_NE(shower, nullptr);
    ::Display* dd = d;
    const Window root = DefaultRootWindow(dd);
    // An editor-sized window in any top-level window but the fixture's.
    auto ownWindow = [&] {
        XSync(dd, False);
        Window rootOut, parent, *children = nullptr, found = 0;
        unsigned int n = 0;
        if (XQueryTree(dd, root, &rootOut, &parent, &children, &n))
            for (unsigned int i = 0; i < n && !found; ++i)
                if (children[i] != host) found = findEditor(dd, children[i]);
        if (children) XFree(children);
        return found;
    };
    EXPECT_EQ(ownWindow(), 0u);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(shower->show(ui), 0);
        pump(2);
        const Window w = ownWindow();
        ASSERT_NE(w, 0u);
        if (round == 0) {
            ASSERT_EQ(shower->hide(ui), 0);
        } else {
            // The window manager's close: WM_DELETE_WINDOW to the top-level.
            Window top = w, rootOut, parent, *children = nullptr;
            unsigned int n = 0;
            while (XQueryTree(dd, top, &rootOut, &parent, &children, &n) && parent != root) {
                if (children) XFree(children);
                children = nullptr;
                top = parent;
            }
            if (children) XFree(children);
            XEvent ev{};
            ev.xclient.type = ClientMessage;
            ev.xclient.window = top;
            ev.xclient.message_type = XInternAtom(dd, "WM_PROTOCOLS", False);
            ev.xclient.format = 32;
            ev.xclient.data.l[0] = (long)XInternAtom(dd, "WM_DELETE_WINDOW", False);
            XSendEvent(dd, top, False, NoEventMask, &ev);
            XSync(dd, False);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            EXPECT_EQ(idler->idle(ui), 1);
        }
        EXPECT_EQ(ownWindow(), 0u);
    }
}

} // namespace

// The curve panel in the LV2 editor: the host is asked for the taller window,
// and the DSP sends the analyser's samples only while the editor shows them.
TEST_F(Lv2Ui, CurvePanelAsksForItsSizeAndTheAnalyserForSamples) {
    auto samplesSent = [this] {
        std::vector<float> l(256, 0.25f), r(256, 0.25f);
        dsp->run({l.data(), r.data()}, {l.data(), r.data()}, 256);
        int n = 0;
        for (const auto& m : dsp->notifications())
            n +=
                reinterpret_cast<const LV2_Atom_Object*>(m.data())->body.otype == urid(kSamplesUri);
        return n;
    };
    const layout::Control& curve = *layout::controlForTag(layout::kCurveTag);
    click(curve.left + curve.width / 2, curve.top + curve.height / 2);
    EXPECT_EQ(resized, kWidth * 10000 + kHeight + layout::kPanelHeight);
    XResizeWindow(d, host, kWidth, kHeight + layout::kPanelHeight); // as the host does
    pump(2);
    EXPECT_EQ(samplesSent(), 0);
    click(kWidth - 59, kHeight + 12); // the panel's ANALYSER toggle
    EXPECT_GT(samplesSent(), 0);
    close();
    EXPECT_EQ(samplesSent(), 0);
}
