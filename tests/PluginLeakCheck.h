// Leak checking in a test program that loads the built plug-in but links no
// font or drawing library itself: the plug-in's cairo and fontconfig keep
// process-wide caches, and once the plug-in is unloaded they would be
// reported as leaks of an unknown module. Loading them here first, never to
// be unloaded, keeps them known, and their caches are not reported. Included
// by one source file of each such program.
#pragma once

#include <dlfcn.h>

#include <initializer_list>

extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libcairo.so\n";
}

namespace dravo_test {
inline const bool fontLibrariesKept = [] {
    for (const char* library : {"libfontconfig.so.1", "libcairo.so.2"})
        dlopen(library, RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE);
    return true;
}();
} // namespace dravo_test
