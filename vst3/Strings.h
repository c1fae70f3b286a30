// UTF-8 texts of the model to and from the UTF-16 fields of the VST 3
// interfaces. Only the Basic Multilingual Plane occurs in our texts.
#pragma once

#include "vst3/vst3abi.h"

#include <string>

namespace dravo::vst3face {

// Writes text into a field of size UTF-16 units, always terminated.
inline void toUtf16(const char* text, ::vst3::char16* field, int size) {
    int n = 0;
    const auto* s = reinterpret_cast<const unsigned char*>(text ? text : "");
    while (*s && n < size - 1) {
        unsigned c = *s++;
        if (c >= 0xE0 && s[0] && s[1]) {
            c = ((c & 0x0F) << 12) | ((s[0] & 0x3F) << 6) | (s[1] & 0x3F);
            s += 2;
        } else if (c >= 0xC0 && s[0]) {
            c = ((c & 0x1F) << 6) | (s[0] & 0x3F);
            s += 1;
        }
        field[n++] = (::vst3::char16)c;
    }
    field[n] = 0;
}

inline std::string toUtf8(const ::vst3::char16* text) {
    std::string out;
    for (; text && *text; ++text) {
        const unsigned c = *text;
        if (c < 0x80) {
            out += (char)c;
        } else if (c < 0x800) {
            out += (char)(0xC0 | (c >> 6));
            out += (char)(0x80 | (c & 0x3F));
        } else {
            out += (char)(0xE0 | (c >> 12));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Copies text into a char field of size bytes, always terminated.
inline void copyText(char* field, const char* text, std::size_t size) {
    std::size_t n = 0;
    for (; text && text[n] && n + 1 < size; ++n)
        field[n] = text[n];
    field[n] = 0;
}

} // namespace dravo::vst3face
