// The preset bar as a user meets it: our host loads the built plug-in with a
// private HOME, config folder and stand-in dialog and opener programs, opens
// its editor on a private X server and clicks the bar's rectangles (XTest):
// files, defaults across instances, memory slots, the rocker and the manual.
#include "presets/PresetBarTestSupport.h"
#include "resources/Manual.h"
// After the program store's headers: X11 defines macros such as None.
#include "EditorHostWindow.h"

using namespace dravo_test;
using namespace presettest;
using namespace presetbar;
namespace fs = std::filesystem;

namespace {

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
    // Clicks on the bar's control of tag, dx pixels right of its centre;
    // count 2 is a double click. A button clicked last time gets a pause
    // first, so that the two clicks do not pair (the rocker ignores pairs).
    int lastTag = -1;
    void clickBar(int tag, unsigned button = 1, int count = 1, bool control = false, int dx = 0) {
        for (const Item& it : kItems)
            if (it.tag == tag) {
                if (tag == lastTag && tag != kTagRocker)
                    std::this_thread::sleep_for(std::chrono::milliseconds(300));
                for (int i = 0; i < count; ++i)
                    click((it.left + it.right) / 2 + dx, (it.top + it.bottom) / 2, control, button);
            }
        lastTag = tag;
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
    } cases[] = {{kTagDefaultPreset, CPresetSystemEditor::kKeyDefaultPreset, 0},
                 {kTagDefaultBank, CPresetSystemEditor::kKeyDefaultBank, 2}};
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
