// The preset bar as a user meets it: our host loads the built plug-in with a
// private HOME, config folder and stand-in dialog and opener programs, opens
// its editor on a private X server and clicks the bar's rectangles (XTest):
// files, defaults across instances, memory slots, the rocker and the manual.
#include "presets/PresetBarTestSupport.h"
#include "resources/Manual.h"
// After the program store's headers: X11 defines macros such as None.
#include "EditorHostWindow.h"

#include <atomic>
#include <cctype>
#include <fnmatch.h>
#include <thread>

using namespace dravo;

using namespace dravo_test;
using namespace presettest;
using namespace presetbar;
namespace fs = std::filesystem;

namespace {

// The first control of kind.
const dravo::layout::Control& first(dravo::layout::Kind kind) {
    for (const auto& c : dravo::layout::kControls)
        if (c.kind == kind) return c;
    return dravo::layout::kControls[0];
}

// A knob whose default differs from 0.25, the value the tests give it.
const dravo::layout::Control& knob() {
    for (const auto& c : dravo::layout::kControls)
        if (c.kind == dravo::layout::Kind::Knob && c.defaultValue != 0.25f) return c;
    return dravo::layout::kControls[0];
}

struct PresetBarWindow : EditorHostWindow {

    // The user closes the plug-in; a new instance starts and shows its editor.
    void restart() {
        plugin.unload();
        loadPlugin();
        ASSERT_TRUE(open());
        idle();
    }
    // The host idles until every program the plug-in started has ended and
    // has been reaped (a dialog's answer is acted on in the idle that reaps it).
    void settle() {
        EXPECT_TRUE(idleUntil([this] { idle(1); }, [] { return childProcesses().empty(); }));
    }
    // Clicks on the bar's control of tag, dx pixels right of its centre;
    // count 2 is a double click; then settles. A button clicked last time
    // gets a pause first, so that the two clicks do not pair (the rocker
    // ignores pairs).
    int lastTag = -1;
    void clickBar(int tag, unsigned button = 1, int count = 1, bool control = false, int dx = 0) {
        pressBar(tag, button, count, control, dx);
        settle();
    }
    void pressBar(int tag, unsigned button = 1, int count = 1, bool control = false, int dx = 0) {
        for (const Item& it : kItems)
            if (it.tag == tag) {
                if (tag == lastTag && tag != kTagRocker)
                    std::this_thread::sleep_for(std::chrono::milliseconds(300));
                for (int i = 0; i < count; ++i)
                    click((it.left + it.right) / 2 + dx, (it.top + it.bottom) / 2, control, button);
            }
        lastTag = tag;
    }
    // The window's pixels above the preset bar.
    std::vector<uint32_t> controlPixels() {
        capture();
        std::vector<uint32_t> out;
        for (int y = 0; y < presetbar::kItems[0].top - 4; ++y)
            for (int x = 0; x < kWidth; ++x)
                out.push_back(pixelAt(shot, x, y));
        return out;
    }
    void setName(const char* name) { plugin.dispatch(effSetProgramName, 0, 0, (void*)name); }
    // The host sees the current preset by its name (the factory names differ).
    int program() {
        const std::string name = plugin.programName().text;
        for (int i = 0; i < kNumPresets; ++i)
            if (plugin.programNameIndexed(i).text == name) return i;
        return -1;
    }
    // Steps to preset p with the rocker.
    void setProgram(int p) {
        for (int i = 0, now = program(); i < kNumPresets && now >= 0 && now != p;
             ++i, now = program())
            clickBar(kTagRocker, 1, 1, false, now < p ? 12 : -12);
        ASSERT_EQ(program(), p);
    }
};

// What the host believes the parameters are: their values when it last read
// them, updated by every audioMasterAutomate since.
std::vector<float> hostView(VstPlugin& plugin, std::vector<float> seen) {
    for (const HostCallbackRecord& r : plugin.callbacks(audioMasterAutomate))
        if (r.index >= 0 && r.index < (int)seen.size()) seen[(size_t)r.index] = r.opt;
    return seen;
}
std::vector<float> values(VstPlugin& plugin) {
    std::vector<float> v((size_t)plugin.numParams());
    for (int i = 0; i < plugin.numParams(); ++i)
        v[(size_t)i] = plugin.getParameter(i);
    return v;
}

struct FileCase {
    int saveTag, loadTag;
    const char *saveTitle, *loadTitle, *filter, *name;
    size_t size;
};
const FileCase kFileCases[] = {
    {kTagSavePreset, kTagLoadPreset, "--title=Save preset", "--title=Load preset",
     "--file-filter=Vey Preset (*.vey) | *.vey", "my \"odd\" $HOME 'preset'.vey", 1105},
    {kTagSaveBank, kTagLoadBank, "--title=Save bank", "--title=Load bank",
     "--file-filter=Vey Bank (*.kab) | *.kab", "a bank; $(false) `x`.kab", 23449},
};

TEST_F(PresetBarWindow, SavedFilesLoadBackAfterAKnobEdit) {
    const int tag = knob().tag;
    for (const FileCase& c : kFileCases) {
        SCOPED_TRACE(c.saveTitle);
        setProgram(3);
        plugin.setParameter(tag, 0.25f);
        setName("Saved");
        const std::string path = desk.files + c.name;
        desk.choose(path);
        clickBar(c.saveTag);
        EXPECT_TRUE(desk.zenityArg(c.saveTitle));
        EXPECT_EQ(readFile(path).size(), c.size);

        clickCentre(knob(), true); // Control-click: back to its default
        setName("Edited");
        ASSERT_NE(plugin.getParameter(tag), 0.25f);

        desk.choose(path);
        clickBar(c.loadTag);
        EXPECT_TRUE(desk.zenityArg(c.loadTitle));
        EXPECT_TRUE(desk.zenityArg(c.filter));
        // A preset file loads into the current preset; a bank ends on preset 0.
        EXPECT_EQ(program(), c.saveTag == kTagSaveBank ? 0 : 3);
        setProgram(3);
        EXPECT_EQ(plugin.getParameter(tag), 0.25f);
        EXPECT_EQ(plugin.programName().text, "Saved");
        // The next save proposes the remembered folder and name.
        desk.choose("");
        clickBar(c.saveTag);
        EXPECT_TRUE(desk.zenityArg("--filename=" + path));
    }
    capture();
    saveShot("preset-bar.png");
}

// Double click stores the default, a new instance starts with it, and
// Control+double click clears it: the next instance has the factory presets.
TEST_F(PresetBarWindow, DefaultsApplyAtTheNextStartUntilCleared) {
    const int tag = knob().tag;
    const struct {
        int buttonTag;
        const char* key;
        int program; // where the edit is made and looked for
    } cases[] = {{kTagDefaultPreset, dravo::prefkey::kDefaultPreset, 0},
                 {kTagDefaultBank, dravo::prefkey::kDefaultBank, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        setProgram(c.program);
        const float factory = plugin.getParameter(tag);
        const std::string factoryName = plugin.programName().text;
        plugin.setParameter(tag, 0.3f);
        setName("Mine");
        setProgram(0);
        clickBar(c.buttonTag);
        EXPECT_FALSE(fs::exists(prefs + c.key)) << "a single click stores nothing";
        clickBar(c.buttonTag, 1, 2);
        EXPECT_TRUE(fs::exists(prefs + c.key));

        restart();
        EXPECT_EQ(program(), 0);
        setProgram(c.program);
        EXPECT_EQ(plugin.getParameter(tag), 0.3f);
        EXPECT_EQ(plugin.programName().text, "Mine");

        clickBar(c.buttonTag, 1, 2, true);
        EXPECT_FALSE(fs::exists(prefs + c.key));
        restart();
        setProgram(c.program);
        EXPECT_EQ(plugin.getParameter(tag), factory);
        EXPECT_EQ(plugin.programName().text, factoryName);
        setProgram(0);
    }
}

TEST_F(PresetBarWindow, MemorySlotsCarryPresetsAcrossInstances) {
    const int tag = knob().tag;
    plugin.setParameter(tag, 0.1f);
    clickBar(kTagStoreA);
    const std::string name = plugin.programName().text;
    plugin.setParameter(tag, 0.2f);
    clickBar(kTagStoreB);
    plugin.setParameter(tag, 0.9f);
    clickBar(kTagRecallA);
    EXPECT_EQ(plugin.getParameter(tag), 0.1f);
    restart();
    setProgram(4);
    clickBar(kTagRecallB);
    EXPECT_EQ(plugin.getParameter(tag), 0.2f);
    clickBar(kTagRecallA);
    EXPECT_EQ(plugin.getParameter(tag), 0.1f);
    EXPECT_EQ(plugin.programNameIndexed(4).text, name) << "recalled into the current preset";
}

// The rocker's halves step back and forth and stop at the ends.
TEST_F(PresetBarWindow, RockerStepsAndStopsAtTheEnds) {
    const int last = kNumPresets - 1;
    const struct {
        int from, dx, to;
    } steps[] = {{0, -12, 0}, {0, 12, 1}, {last, 12, last}, {last, -12, last - 1}};
    for (const auto& s : steps) {
        setProgram(s.from);
        clickBar(kTagRocker, 1, 1, false, s.dx);
        EXPECT_EQ(program(), s.to) << "from " << s.from << " dx " << s.dx;
    }
}

// Every preset change made in the bar reaches the host as the values that
// changed, so that a host showing parameters shows the new preset.
TEST_F(PresetBarWindow, PresetChangesFromTheBarTellTheHostEveryChangedValue) {
    const int tag = knob().tag;
    setProgram(5);
    plugin.setParameter(tag, 0.25f);
    clickBar(kTagStoreA);
    desk.choose(desk.files + "five.vey");
    clickBar(kTagSavePreset);
    desk.choose(desk.files + "bank.kab");
    clickBar(kTagSaveBank);
    // Each from a preset of its own: a recalled slot or a loaded preset
    // brings its name along, and the fixture tells presets by name.
    const struct {
        const char* what;
        int tag, dx, from;
    } cases[] = {{"next preset", kTagRocker, 12, 5},
                 {"memory slot", kTagRecallA, 0, 9},
                 {"preset file", kTagLoadPreset, 0, 11},
                 {"bank file", kTagLoadBank, 0, 13}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        setProgram(c.from);
        const std::vector<float> before = values(plugin);
        plugin.clearCallbacks();
        desk.choose(desk.files + (c.tag == kTagLoadBank ? "bank.kab" : "five.vey"));
        clickBar(c.tag, 1, 1, false, c.dx);
        const std::vector<float> now = values(plugin);
        ASSERT_NE(now, before);
        EXPECT_EQ(hostView(plugin, before), now);
        size_t changed = 0;
        for (size_t i = 0; i < now.size(); ++i)
            changed += now[i] != before[i];
        EXPECT_EQ(plugin.callbackCount(audioMasterAutomate), changed) << "only changed values";
    }
}

// While a dialog is open the host's idle returns at once, the editor drops
// the user's input to its controls and opens no second dialog; its answer
// is acted on once it closes, and the controls answer again.
TEST_F(PresetBarWindow, ADialogNeitherBlocksTheHostNorLetsInputThrough) {
    const int tag = knob().tag;
    setProgram(3);
    plugin.setParameter(tag, 0.25f);
    const std::string path = desk.files + "held.vey";
    desk.choose(path);
    clickBar(kTagSavePreset);
    clickCentre(knob(), true); // back to its default
    ASSERT_NE(plugin.getParameter(tag), 0.25f);
    const std::vector<float> before = values(plugin);
    const std::vector<uint32_t> shown = controlPixels();

    desk.hold();
    // A host that waited for the dialog would wait for this release.
    std::atomic<bool> done{false};
    std::thread releaser([&] {
        for (int i = 0; i < 300 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        desk.release();
    });
    const size_t calls = desk.dialogCalls();
    pressBar(kTagLoadPreset);
    EXPECT_TRUE(idleUntil([this] { idle(1); }, [&] { return desk.dialogCalls() > calls; }));
    auto slowest = std::chrono::steady_clock::duration::zero();
    for (int i = 0; i < 20; ++i) {
        const auto start = std::chrono::steady_clock::now();
        plugin.editIdle();
        slowest = std::max(slowest, std::chrono::steady_clock::now() - start);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_LT(slowest, std::chrono::milliseconds(500))
        << "the releaser ends a waiting dialog after 3 s";
    // Hidden and shown again (the X server forgets its pixels), it is drawn anew.
    XUnmapWindow(d, host);
    XMapWindow(d, host);
    idle(5);
    EXPECT_EQ(controlPixels(), shown) << "the editor stays drawn";

    const auto& onOff = first(dravo::layout::Kind::OnOff);
    clickCentre(onOff);
    clickCentre(knob(), true);
    click(knob().left + knob().width / 2, knob().top + knob().height / 2, false, 4); // wheel
    pressBar(kTagLoadBank);
    EXPECT_EQ(values(plugin), before);
    EXPECT_EQ(desk.dialogCalls(), calls + 1) << "no second dialog";
    EXPECT_FALSE(childProcesses().empty()) << "the dialog is still open";

    done = true;
    releaser.join();
    settle();
    EXPECT_EQ(plugin.getParameter(tag), 0.25f) << "the answer is applied";
    const float onOffValue = plugin.getParameter(onOff.tag);
    clickCentre(onOff);
    EXPECT_NE(plugin.getParameter(onOff.tag), onOffValue) << "input reaches the controls again";
}

// Closing the editor or the plug-in while a dialog is open ends the dialog
// and everything it started, and its answer is never acted on.
TEST_F(PresetBarWindow, ClosingMidDialogEndsItAndActsOnNothing) {
    for (const bool unload : {false, true}) {
        SCOPED_TRACE(unload ? "plug-in unloaded" : "editor closed");
        const std::string path = desk.files + "never.vey";
        desk.choose(path);
        desk.hold();
        const size_t calls = desk.dialogCalls();
        pressBar(kTagSavePreset);
        EXPECT_TRUE(idleUntil([this] { idle(1); }, [&] { return desk.dialogCalls() > calls; }));
        const std::vector<int> dialog = childProcesses();
        ASSERT_EQ(dialog.size(), 1u);
        if (unload)
            plugin.unload();
        else
            plugin.editClose();
        EXPECT_TRUE(childProcesses().empty()) << "ended and reaped at once";
        EXPECT_TRUE(childProcesses(dialog[0]).empty()) << "nothing of its process group is left";
        desk.release();
        if (unload) loadPlugin();
        ASSERT_TRUE(open());
        settle();
        EXPECT_FALSE(fs::exists(path));
    }
}

// A name typed without the extension is saved with it, so that the load
// dialog's filter lists it; replacing a file under the completed name is
// asked first.
TEST_F(PresetBarWindow, TypedNamesGetTheirExtensionAndReplacingIsAskedFirst) {
    const int tag = knob().tag;
    for (const FileCase& c : kFileCases) {
        SCOPED_TRACE(c.saveTitle);
        const std::string ext = c.saveTag == kTagSaveBank ? ".kab" : ".vey";
        const std::string typed = desk.files + "mine1";
        plugin.setParameter(tag, 0.25f);
        desk.choose(typed);
        clickBar(c.saveTag);
        EXPECT_FALSE(fs::exists(typed));
        const std::string saved = readFile(typed + ext);
        EXPECT_EQ(saved.size(), c.size);
        desk.choose("");
        clickBar(c.loadTag);
        const std::string filter = c.filter;
        EXPECT_TRUE(desk.zenityArg(filter));
        const std::string pattern = filter.substr(filter.rfind("| ") + 2);
        EXPECT_EQ(fnmatch(pattern.c_str(), ("mine1" + ext).c_str(), 0), 0) << pattern;

        plugin.setParameter(tag, 0.75f);
        for (const bool replace : {false, true}) {
            desk.answerNo(!replace);
            desk.choose(typed);
            clickBar(c.saveTag);
            EXPECT_TRUE(desk.zenityArg("--question"));
            EXPECT_EQ(readFile(typed + ext) == saved, !replace);
        }
        // A name typed with its extension is confirmed by the dialog only.
        desk.choose(typed + ext);
        clickBar(c.saveTag);
        EXPECT_FALSE(desk.zenityArg("--question"));
        desk.answerNo(false);
        // The extension in upper case is the extension, kept as typed.
        std::string upper = ext;
        for (char& ch : upper)
            ch = (char)std::toupper((unsigned char)ch);
        desk.choose(desk.files + "Mine" + upper);
        clickBar(c.saveTag);
        EXPECT_EQ(readFile(desk.files + "Mine" + upper).size(), c.size);
        EXPECT_FALSE(fs::exists(desk.files + "Mine" + upper + ext));
    }
}

// With no folder remembered, the first dialog starts in Documents, or in
// home when there is no Documents folder.
TEST_F(PresetBarWindow, TheFirstDialogStartsInDocumentsElseHome) {
    for (const bool documents : {false, true}) {
        if (documents) fs::create_directories(desk.home + "/Documents");
        restart();
        desk.choose("");
        clickBar(kTagLoadPreset);
        EXPECT_TRUE(desk.zenityArg("--filename=" + desk.home + (documents ? "/Documents/" : "/")));
    }
}

TEST_F(PresetBarWindow, ManualButtonWritesTheEmbeddedPdfAndOpensIt) {
    const std::string path =
        desk.home + "/Documents/" + kManualVendorFolder + "/" + kManualFileName;
    const std::string pdf((const char*)kManualPdf, kManualPdfSize);
    const struct {
        const char* what;
        const char* openerStatus; // null: no opener installed
    } cases[] = {{"opener succeeds", "0"}, {"opener fails", "1"}, {"no opener", nullptr}};
    fs::create_directories(fs::path(path).parent_path());
    writeFile(path, "stale");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(desk.root + "/zenity.args");
        fs::remove(desk.root + "/open.args");
        if (c.openerStatus)
            writeFile(desk.root + "/open.status", c.openerStatus);
        else
            fs::remove(desk.bin + "/xdg-open");
        clickBar(kTagManual);
        EXPECT_EQ(readFile(path), pdf);
        EXPECT_EQ(desk.args("open"),
                  c.openerStatus ? std::vector<std::string>{path} : std::vector<std::string>{});
        EXPECT_EQ(desk.zenityArg("--text=Could not open manual file:\n"
                                 "~/\"Documents/Vey Audio Works/Vey Dravo Manual.pdf\""),
                  !(c.openerStatus && *c.openerStatus == '0'));
    }
}

} // namespace
