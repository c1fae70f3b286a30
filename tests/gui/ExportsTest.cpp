// The plug-in exports its entry point and nothing of the toolkit or the
// editor's controls.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

TEST(PluginExports, NoToolkitOrControlSymbolIsExported) {
    std::string command = std::string("nm -D --defined-only '") + DRAVO_PLUGIN_PATH + "' 2>&1";
    FILE* p = popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char line[4096];
    bool entry = false;
    int lines = 0;
    while (std::fgets(line, sizeof line, p)) {
        std::string s(line);
        ++lines;
        if (s.find(" VSTPluginMain") != std::string::npos) entry = true;
        for (const char* name :
             {"VSTGUI", "AEffGUIEditor", "CAnimKnob3", "CLED", "CVeyOnOffButton", "CAbout",
              "CSplashScreenMyView", "CKaKickButton", "ADEditor", "MyFrame", "CSaveLoadButton",
              "CKaRockerSwitch", "findEmbeddedImage"})
            EXPECT_EQ(s.find(name), std::string::npos) << s;
    }
    EXPECT_EQ(pclose(p), 0);
    EXPECT_TRUE(entry) << lines << " lines from nm";
}
