// The preset bar in a headless frame with a private HOME, config folder and
// stand-in dialog and opener programs, for what the window test cannot reach:
// swapped and untrusted files, interrupted saves, long remembered paths, the
// menu and name field; and the platform wrappers underneath.
#include "PresetBarTestSupport.h"
#include "platform/Desktop.h"

#include <csignal>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>

using namespace presettest;
namespace platform = dravo::platform;
using namespace presetbar;
namespace fs = std::filesystem;

namespace {

// Name and stored values of every preset equal (placeholders are not stored).
void expectSameStoredBank(TestStore& store, const std::vector<PresetRecord>& expected) {
    for (int p = 0; p < kNumPresets; p++) {
        EXPECT_STREQ(store.record(p).name, expected[p].name) << "preset " << p;
        for (int i = 0; i < kNumPresetParams; i++)
            if (!dravo::isPlaceholderParam(i)) {
                EXPECT_EQ(store.record(p).values[i], expected[p].values[i])
                    << "preset " << p << " parameter " << i;
            }
    }
}

// Root passes every permission check: for a scope, this thread gives up the
// capability that lets it, so that a read-only file is read-only to it too.
class WithoutPermissionOverride {
  public:
    WithoutPermissionOverride() {
        syscall(SYS_capget, &header, saved);
        __user_cap_data_struct reduced[2] = {saved[0], saved[1]};
        reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        syscall(SYS_capset, &header, reduced);
    }
    ~WithoutPermissionOverride() { syscall(SYS_capset, &header, saved); }

  private:
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2] = {};
};

std::string prefsFile(Desktop& d, const char* key) {
    return d.config + "/org.example.presetbar-test/" + key;
}

} // namespace

TEST(PresetFiles, ReversedCommandsReadFilesWhoseFieldsAreSwapped) {
    const struct {
        int loadTag;
        const char* loadTitle;
    } cases[] = {{kTagLoadPreset, "--title=Load preset"}, {kTagLoadBank, "--title=Load bank"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.loadTitle);
        Desktop d;
        Instance in;
        in.set(dravo::index(dravo::Param::LowCutFreq), 0.25f);
        const auto saved = in.store.bank();
        const std::vector<char> buffer =
            c.loadTag == kTagLoadBank ? in.editor.bar.bankBuffer() : in.editor.bar.presetBuffer();
        // Every field swapped but the unique ID: what an old writer of the
        // other byte order left behind.
        auto swapped = otherByteOrder(std::vector<unsigned char>(buffer.begin(), buffer.end()));
        swapWord(swapped, 0);
        writeFile(d.files + "swapped", bytesOf(swapped));
        d.choose(d.files + "swapped");
        in.set(dravo::index(dravo::Param::LowCutFreq), 0.75f);
        const auto edited = in.store.bank();

        in.editor.click(c.loadTag); // the plain command refuses it
        expectSameStoredBank(in.store, edited);
        in.editor.click(c.loadTag, kRButton);
        EXPECT_TRUE(d.zenityArg(std::string(c.loadTitle) + " (endian-reversed)"));
        expectSameStoredBank(in.store, saved);
    }
}

TEST(PresetFiles, CancelledDialogsChangeNothing) {
    Desktop d;
    Instance in;
    d.choose(d.files + "first.vey");
    in.editor.click(kTagSavePreset);
    d.choose("");
    in.set(dravo::index(dravo::Param::LowCutFreq), 0.75f);
    const auto before = in.store.bank();
    const size_t calls = d.dialogCalls();
    for (int tag : {kTagSavePreset, kTagLoadPreset, kTagSaveBank, kTagLoadBank})
        for (int buttons : {kLButton, kRButton})
            in.editor.click(tag, buttons);
    EXPECT_EQ(d.dialogCalls(), calls + 8);
    EXPECT_TRUE(sameBank(before, in.store.bank()));
    EXPECT_EQ(in.editor.getCurrentDir(), d.files);
    EXPECT_EQ(in.editor.getCurrentPresetFile(), "first.vey");
    EXPECT_EQ(in.editor.getCurrentBankFile(), "");
}

// A host that ignores SIGCHLD reaps the dialog itself and hides its exit
// status: the chosen path still arrives and the file is saved.
TEST(PresetFiles, DialogsAnswerInAHostThatIgnoresChildSignals) {
    Desktop d;
    Instance in;
    auto oldHandler = std::signal(SIGCHLD, SIG_IGN);
    d.choose(d.files + "ignored");
    in.editor.click(kTagSavePreset);
    std::signal(SIGCHLD, oldHandler);
    EXPECT_EQ(readFile(d.files + "ignored.vey").size(), 1105u);
    EXPECT_EQ(in.editor.getCurrentPresetFile(), "ignored.vey");
}

TEST(PresetFiles, UntrustedFilesAreIgnored) {
    const auto valid = BufferWriter(kBufferTypePreset).name(0, "Good").value(0, 9, 0.9f).finish();
    auto foreign = valid;
    putWord(foreign, 0, (uint32_t)fourCC('A', 'b', 'c', 'd'));
    auto cut = valid; // the header's body size reaches past the file's end
    cut.resize(cut.size() - 8);
    auto huge = valid;
    putWord(huge, 21, 0x7fffffff);
    const std::pair<const char*, std::vector<unsigned char>> cases[] = {
        {"foreign", foreign},
        {"body size beyond the file", cut},
        {"huge body size", huge},
        {"four bytes", std::vector<unsigned char>(valid.begin(), valid.begin() + 4)},
    };
    Desktop d;
    Instance in;
    const auto before = in.store.bank();
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        writeFile(d.files + "f", bytesOf(bytes));
        d.choose(d.files + "f");
        in.editor.click(kTagLoadPreset);
        in.editor.click(kTagLoadBank);
        EXPECT_TRUE(sameBank(before, in.store.bank()));
    }
    d.choose(d.files); // a folder
    in.editor.click(kTagLoadPreset);
    d.choose(d.files + "missing.vey");
    in.editor.click(kTagLoadPreset);
    EXPECT_TRUE(sameBank(before, in.store.bank()));

    // The valid one, read-only in a read-only folder, loads.
    fs::create_directories(d.files + "ro");
    writeFile(d.files + "ro/good.vey", bytesOf(valid));
    chmod((d.files + "ro/good.vey").c_str(), 0444);
    chmod((d.files + "ro").c_str(), 0555);
    d.choose(d.files + "ro/good.vey");
    {
        WithoutPermissionOverride asAUser;
        in.editor.click(kTagLoadPreset);
    }
    EXPECT_STREQ(in.store.record(0).name, "Good");
    EXPECT_EQ(in.store.record(0).values[dravo::index(dravo::Param::LowCutFreq)], 0.9f);
}

TEST(PresetFiles, AnInterruptedSaveLeavesThePreviousFile) {
    Desktop d;
    Instance in;
    d.choose(d.files + "bank.kab");
    in.editor.click(kTagSaveBank);
    in.editor.click(kTagStoreA);
    const std::string bank = readFile(d.files + "bank.kab");
    const std::string slot = readFile(prefsFile(d, dravo::prefkey::kMemoA));
    ASSERT_EQ(bank.size(), 23449u);
    ASSERT_EQ(slot.size(), 1105u);
    in.set(dravo::index(dravo::Param::LowCutFreq), 0.75f);

    // Files may grow to 1000 bytes only: each write fails part-way.
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 1000;
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    in.editor.click(kTagSaveBank);
    in.editor.click(kTagStoreA);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(readFile(d.files + "bank.kab"), bank);
    EXPECT_EQ(readFile(prefsFile(d, dravo::prefkey::kMemoA)), slot);
    size_t entries = 0;
    for (auto it = fs::directory_iterator(d.files); it != fs::directory_iterator(); ++it)
        entries++;
    EXPECT_EQ(entries, 1u) << "no temporary file is left behind";
}

TEST(PresetDefaults, RememberedPathsCarryAcrossInstancesAndLongOnesAreRefused) {
    Desktop d;
    {
        Instance a;
        d.choose(d.files + "keep.vey");
        a.editor.click(kTagSavePreset);
        d.choose(d.files + "keep.kab");
        a.editor.click(kTagSaveBank);
        // A folder part longer than the field is not remembered; the file is saved.
        const std::string deep = d.files + std::string(130, 'd') + "/" + std::string(130, 'e');
        fs::create_directories(deep);
        d.choose(deep + "/deep.kab");
        a.editor.click(kTagSaveBank);
        EXPECT_EQ(readFile(deep + "/deep.kab").size(), 23449u);
        EXPECT_EQ(a.editor.getCurrentDir(), d.files);
        EXPECT_EQ(a.editor.getCurrentBankFile(), "keep.kab");
    }
    {
        Instance b(false);
        EXPECT_EQ(b.editor.getCurrentDir(), d.files);
        EXPECT_EQ(b.editor.getCurrentPresetFile(), "keep.vey");
        EXPECT_EQ(b.editor.getCurrentBankFile(), "keep.kab");
    }
    writeFile(prefsFile(d, dravo::prefkey::kCurrDir), std::string(257, 'a'));
    writeFile(prefsFile(d, dravo::prefkey::kCurrBank), std::string(256, 'b'));
    Instance c(false);
    EXPECT_EQ(c.editor.getCurrentDir(), "");
    EXPECT_EQ(c.editor.getCurrentBankFile(), std::string(256, 'b'));
    EXPECT_EQ(c.editor.getCurrentPresetFile(), "keep.vey");
}

TEST(PresetBarActions, MenuAndNameField) {
    Desktop d;
    Instance in(false);
    in.store.setPresetNo(3);
    in.store.setPresetName("-");
    in.store.setPresetNo(0);
    in.editor.open();
    auto* menu = dynamic_cast<COptionMenu*>(in.editor.barControl(kTagMenu));
    auto* field = dynamic_cast<CTextEdit*>(in.editor.barControl(kTagName));
    ASSERT_TRUE(menu && field);
    ASSERT_EQ(menu->getNbEntries(), kNumPresets);
    EXPECT_FALSE(menu->getEntry(3)->isSeparator());
    EXPECT_STREQ(menu->getEntry(3)->getTitle(), "-");

    menu->setValue(7.f);
    in.editor.valueChanged(menu);
    EXPECT_EQ(in.store.getPresetNo(), 7);
    EXPECT_STREQ(field->getText(), in.store.record(7).name);

    field->setText("abcdefghijklmnopqrstuvwxyz0123");
    in.editor.valueChanged(field);
    EXPECT_STREQ(field->getText(), "abcdefghijklmnopqrstuvwx");
    EXPECT_STREQ(menu->getEntry(7)->getTitle(),
                 "abcdefghijklmnopqrstuvw"); // as the preset keeps it
    EXPECT_STREQ(in.store.record(7).name, "abcdefghijklmnopqrstuvw");

    // A name the host gave shows once the editor hears the bank changed.
    char hostName[] = "From the host";
    in.store.setPresetNo(2);
    in.store.setProgramName(hostName);
    in.editor.bar.showBank();
    EXPECT_STREQ(field->getText(), "From the host");
    EXPECT_STREQ(menu->getEntry(2)->getTitle(), "From the host");

    in.editor.close();
    EXPECT_EQ(in.editor.barControl(kTagMenu), nullptr);
    in.editor.bar.showBank(); // no window: nothing to show, no crash
}

TEST(Platform, CommandsRunWithoutAShellAndMissingOnesAreReported) {
    Desktop d;
    d.script("echo-args", "printf '%s|' \"$@\"\n");
    std::string out;
    EXPECT_EQ(platform::runCommand({"echo-args", "a b", "\"q\"", "$HOME", "`x`;y"}, &out), 0);
    EXPECT_EQ(out, "a b|\"q\"|$HOME|`x`;y|");
    EXPECT_EQ(platform::runCommand({"sh", "-c", "exit 3"}), 3);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(platform::runCommand({"no-such-program-here"}), -1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("no-such-program-here"),
              std::string::npos);
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "every child was reaped";

    // No alert program at all: the text goes to stderr.
    ScopedEnv path("PATH", d.files);
    ::testing::internal::CaptureStderr();
    platform::showAlert("Nothing to show it with");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Nothing to show it with\n");
    EXPECT_EQ(platform::documentsFolder(), d.home + "/Documents");
    writeFile(d.config + "/user-dirs.dirs", "# set by the desktop\nXDG_DOCUMENTS_DIR=\"$HOME\"\n");
    EXPECT_EQ(platform::documentsFolder(), d.home + "/Documents") << "home itself: none configured";
    writeFile(d.config + "/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Papers/\"\n");
    EXPECT_EQ(platform::documentsFolder(), d.home + "/Papers");
}

TEST(Platform, PathSplittingRefusesPartsLongerThanTheirFields) {
    const std::string d256(255, 'd'), n256(256, 'n');
    const struct {
        std::string path;
        bool ok;
        std::string dir, name;
    } cases[] = {
        {"/a/b.vey", true, "/a/", "b.vey"}, {"/a/", true, "/a/", ""},
        {"nodir.vey", false, "", ""},       {d256 + "/" + n256, true, d256 + "/", n256},
        {d256 + "d/x", false, "", ""},      {"/" + n256 + "n", false, "", ""},
    };
    for (const auto& c : cases) {
        char dir[platform::kPathFieldSize + 8], name[platform::kPathFieldSize + 8];
        std::memset(dir, '#', sizeof dir);
        std::memset(name, '#', sizeof name);
        dir[0] = name[0] = 0;
        EXPECT_EQ(platform::splitPath(c.path.c_str(), name, dir), c.ok) << c.path;
        EXPECT_EQ(std::string(dir), c.dir);
        EXPECT_EQ(std::string(name), c.name);
        EXPECT_EQ(dir[platform::kPathFieldSize], '#');
        EXPECT_EQ(name[platform::kPathFieldSize], '#');
    }
}

TEST(Platform, PreferencesKeepExactBytesPerKey) {
    Desktop d;
    const std::string binary("\0\x01\xff\n value", 10);
    platform::Preferences prefs("org.example.prefs");
    ASSERT_TRUE(prefs.set("Key", binary.data(), binary.size()));
    EXPECT_TRUE(prefs.synchronize());
    EXPECT_EQ(readFile(d.config + "/org.example.prefs/Key"), binary);
    std::vector<char> back;
    ASSERT_TRUE(prefs.copy("Key", back));
    EXPECT_EQ(std::string(back.begin(), back.end()), binary);
    EXPECT_TRUE(prefs.remove("Key"));
    EXPECT_FALSE(prefs.copy("Key", back));
    EXPECT_FALSE(prefs.set("../Key", "x", 1));

    // Without XDG_CONFIG_HOME: ~/.config. An identifier that leaves it is refused.
    unsetenv("XDG_CONFIG_HOME");
    ASSERT_TRUE(platform::Preferences("org.example.prefs").set("K", "v", 1));
    EXPECT_EQ(readFile(d.home + "/.config/org.example.prefs/K"), "v");
    for (const char* bad : {"", ".", "..", "a/b"})
        EXPECT_FALSE(platform::Preferences(bad).isUsable()) << bad;
}

TEST(Platform, ASaveOverALinkReplacesTheLinkedFileAndKeepsItsPermissions) {
    Desktop d;
    writeFile(d.files + "real.vey", "old");
    chmod((d.files + "real.vey").c_str(), 0640);
    fs::create_symlink("real.vey", d.files + "link.vey");
    void* file = nullptr;
    platform::openFile("link.vey", d.files.c_str(), &file, true);
    EXPECT_TRUE(platform::writeToFile(file, "new", 3));
    EXPECT_TRUE(platform::closeFile(file));
    EXPECT_TRUE(fs::is_symlink(d.files + "link.vey"));
    EXPECT_EQ(readFile(d.files + "real.vey"), "new");
    EXPECT_EQ(fs::status(d.files + "real.vey").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}
