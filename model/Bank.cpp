#include "model/Bank.h"

#include <cstring>

namespace dravo {

void writePresetName(char (&field)[kPresetNameSize], const char* name) {
    std::memset(field, 0, sizeof field);
    if (!name) return;
    const size_t n = strnlen(name, kPresetNameSize - 1);
    std::memcpy(field, name, n);
}

} // namespace dravo
