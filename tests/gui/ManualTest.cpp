// The manual compiled into the plug-in is a PDF that a reader opens, with a
// page of its own for every section, and the plug-in file carries it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "resources/Manual.h"

namespace {

// Runs a command and returns its standard output; status gets the exit status.
std::string run(const std::string& command, int& status) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) {
        status = -1;
        return out;
    }
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    status = pclose(p);
    return out;
}

class ManualPdf : public ::testing::Test {
  protected:
    void SetUp() override {
        int status = 0;
        run("command -v pdfinfo && command -v pdftotext", status);
        if (status != 0)
            GTEST_SKIP() << "pdfinfo/pdftotext missing: scripts/install-deps.sh installs "
                            "poppler-utils";
        path_ = ::testing::TempDir() + "dravo-manual-" + std::to_string(getpid()) + ".pdf";
        std::ofstream(path_, std::ios::binary).write((const char*)kManualPdf, kManualPdfSize);
    }
    void TearDown() override { std::remove(path_.c_str()); }
    std::string path_;
};

} // namespace

TEST_F(ManualPdf, OpensInAReaderWithAPageForEverySection) {
    ASSERT_GT(kManualPdfSize, 5ul);
    EXPECT_EQ(std::string((const char*)kManualPdf, 5), "%PDF-");

    int status = 0;
    std::string info = run("pdfinfo '" + path_ + "' 2>&1", status);
    ASSERT_EQ(status, 0) << info;
    EXPECT_NE(info.find("Vey Dravo"), std::string::npos) << info;
    auto at = info.find("Pages:");
    ASSERT_NE(at, std::string::npos) << info;
    int pages = std::atoi(info.c_str() + at + 6);
    EXPECT_GE(pages, kManualSectionCount + 1) << "a cover and a page per section";

    // Pages are separated by form feeds. Every section starts on a page of
    // its own under "SECTION n" and its title, in order, after the cover.
    std::string text = run("pdftotext -enc UTF-8 '" + path_ + "' - 2>&1", status);
    ASSERT_EQ(status, 0) << text;
    std::vector<std::string> page;
    size_t start = 0, ff;
    while ((ff = text.find('\f', start)) != std::string::npos) {
        page.push_back(text.substr(start, ff - start));
        start = ff + 1;
    }
    EXPECT_EQ((int)page.size(), pages);
    int previous = 0;
    for (int n = 1; n <= kManualSectionCount; ++n) {
        const std::string mark = "SECTION " + std::to_string(n) + "\n",
                          title = kManualSections[n - 1];
        int found = -1;
        for (int p = 1; p < (int)page.size() && found < 0; ++p)
            if (page[p].find(mark) != std::string::npos && page[p].find(title) != std::string::npos)
                found = p;
        EXPECT_GT(found, previous)
            << "section " << n << " \"" << title << "\" has no page of its own";
        if (found > previous) previous = found;
    }
}

TEST(ManualInPlugin, ThePluginFileCarriesTheManual) {
    std::ifstream in(DRAVO_PLUGIN_PATH, std::ios::binary);
    ASSERT_TRUE(in) << DRAVO_PLUGIN_PATH;
    std::vector<char> so((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const char* pdf = (const char*)kManualPdf;
    EXPECT_NE(std::search(so.begin(), so.end(), pdf, pdf + kManualPdfSize), so.end());
}
