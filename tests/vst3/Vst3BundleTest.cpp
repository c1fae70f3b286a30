// The bundle as hosts find it: its layout and exports, the factory's class,
// the install rule, and Ardour's VST 3 scanner.
#include "vst3/Vst3Rig.h"

#include "model/Identity.h"
#include "presets/PresetBarTestSupport.h"
#include "vst3/Strings.h"
#include "vst3/Vst3Plugin.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace dravo_test;
namespace fs = std::filesystem;

namespace {

// Ardour's tools cannot load a module built with a sanitizer.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

std::string capture(const std::string& command, int* status = nullptr) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer;
        size_t n;
        while ((n = fread(buffer.data(), 1, buffer.size(), p)) > 0)
            out.append(buffer.data(), n);
        const int s = pclose(p);
        if (status) *status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    }
    return out;
}

std::string modulePath(const std::string& bundle) {
    utsname u{};
    uname(&u);
    return bundle + "/Contents/" + u.machine + "-linux/VeyDravo.so";
}

TEST(Vst3Bundle, ExportsOnlyTheFactoryAndTheModuleEntries) {
    const std::string so = modulePath(bundlePath());
    ASSERT_TRUE(fs::exists(so)) << so;
    std::istringstream names(capture("nm -D --defined-only --format=posix '" + so + "'"));
    std::set<std::string> exported;
    for (std::string line; std::getline(names, line);) {
        const std::string name = line.substr(0, line.find(' '));
        // The linker's markers of the data segments are not functions of ours.
        if (name != "__bss_start" && name != "_edata" && name != "_end") exported.insert(name);
    }
    EXPECT_EQ(exported, (std::set<std::string>{"GetPluginFactory", "ModuleEntry", "ModuleExit"}));
}

TEST(Vst3Bundle, FactoryListsOneEqualiserClass) {
    Vst3Module module(bundlePath());
    ASSERT_EQ(module.error(), "");
    IPluginFactory3* f = module.factory();
    PFactoryInfo factory{};
    ASSERT_EQ(f->getFactoryInfo(&factory), kResultOk);
    EXPECT_STREQ(factory.vendor, dravo::kVendor);
    EXPECT_EQ(factory.flags & PFactoryInfo::kUnicode, PFactoryInfo::kUnicode);
    ASSERT_EQ(f->countClasses(), 1);
    PClassInfo2 info{};
    ASSERT_EQ(f->getClassInfo2(0, &info), kResultOk);
    EXPECT_STREQ(info.category, "Audio Module Class");
    EXPECT_STREQ(info.subCategories, "Fx|EQ");
    EXPECT_STREQ(info.name, dravo::kEffectName);
    EXPECT_TRUE(dravo::vst3face::kPluginClassId.matches(info.cid));
    PClassInfoW wide{};
    ASSERT_EQ(f->getClassInfoUnicode(0, &wide), kResultOk);
    EXPECT_EQ(dravo::vst3face::toUtf8(wide.name), dravo::kEffectName);
    // Another class ID makes nothing.
    void* obj = nullptr;
    uint8_t other[16] = {1};
    EXPECT_NE(f->createInstance(other, kIComponentIid.bytes, &obj), kResultOk);
    EXPECT_EQ(obj, nullptr);
}

// cmake --install with a prefix puts the bundle beside the other formats.
TEST(Vst3Bundle, InstallPutsTheBundleIntoLibVst3) {
    char dir[] = "/tmp/dravo-vst3-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string log = capture(std::string(DRAVO_CMAKE_COMMAND) + " --install '" +
                                    DRAVO_BINARY_DIR + "' --prefix '" + dir + "' 2>&1");
    const std::string bundle = std::string(dir) + "/lib/vst3/VeyDravo.vst3";
    EXPECT_TRUE(fs::exists(modulePath(bundle))) << log;
    EXPECT_TRUE(fs::exists(std::string(dir) + "/lib/vst/VeyDravo.so")) << log;
    {
        Vst3Module installed(bundle);
        EXPECT_EQ(installed.error(), "");
    }
    fs::remove_all(dir);
}

// Ardour's scanner loads the module and lists the class (it exits 0 even for
// a broken module: its output tells).
TEST(Vst3Bundle, ArdourScannerFindsThePlugin) {
    if (kSanitized) GTEST_SKIP() << "Ardour's scanner cannot load a sanitized module";
    const char* scanner = "/usr/lib/ardour7/ardour-vst3-scanner";
    if (access(scanner, X_OK) != 0)
        GTEST_SKIP() << scanner << " is missing: scripts/install-deps.sh installs Debian's ardour";
    presettest::Desktop desk; // Ardour's cache goes into a private HOME
    const std::string out = capture("LD_LIBRARY_PATH=/usr/lib/ardour7 " + std::string(scanner) +
                                    " -f -v '" + bundlePath() + "' 2>&1");
    EXPECT_NE(out.find("Found Plugin: Vey Dravo"), std::string::npos) << out;
    EXPECT_NE(out.find("uid=\"5A6B5677566579447261766F45513301\""), std::string::npos) << out;
    EXPECT_NE(out.find("category=\"Fx|EQ\""), std::string::npos) << out;
    EXPECT_NE(out.find("n_inputs=\"2\" n_outputs=\"2\""), std::string::npos) << out;
}

// In a real host: Ardour builds a session with the plug-in and three
// parameters set, saves it, loads it again in a new process and renders it;
// the VST 3 render equals the VST 2.x render in the same host.
TEST(Vst3Bundle, ArdourRendersAsWithTheVst2Plugin) {
    if (kSanitized) GTEST_SKIP() << "Ardour cannot load sanitized plug-ins";
    char dir[] = "/tmp/dravo-ardour-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    int status = 0;
    const std::string out =
        capture(std::string("'" DRAVO_SOURCE_DIR "/tests/vst3/ardour-render.sh' '") +
                    DRAVO_PLUGIN_PATH + "' '" + bundlePath() + "' '" + dir + "/work' 2>&1",
                &status);
    fs::remove_all(dir);
    if (status == 77) GTEST_SKIP() << out << "scripts/install-deps.sh installs Debian's ardour";
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out, "same\n");
}

} // namespace
