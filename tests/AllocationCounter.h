// Counts the heap allocations made on a thread while tCounting is set, by
// replacing the global operator new and delete. Include it in exactly one
// source file of a test program.
#pragma once

#include <cstdlib>
#include <new>

// The replacement pair below is malloc/free underneath, which GCC cannot see
// when it inlines them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
thread_local bool tCounting = false;
int gAllocations = 0;
} // namespace

void* operator new(std::size_t n) {
    if (tCounting) ++gAllocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
