// Leak checking with the font libraries: cairo's static caches are freed at
// the end of the run; fontconfig's caches and the one block that cairo-xlib
// keeps per process (not per window: 50 open/close cycles leave the same 32
// bytes as one) are not reported. Included by one source file of each test program.
#pragma once

#include <cairo.h>
#include <gtest/gtest.h>

extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libcairo.so\n";
}

namespace dravo_test {
struct ReleaseCairoCaches : ::testing::Environment {
    void TearDown() override { cairo_debug_reset_static_data(); }
};
inline ::testing::Environment* const releaseCairoCaches =
    ::testing::AddGlobalTestEnvironment(new ReleaseCairoCaches);
} // namespace dravo_test
