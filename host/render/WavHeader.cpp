#include "host/render/WavHeader.h"

#include <sndfile.h>

#include <cstdint>

namespace {

void put16(std::vector<unsigned char>& b, unsigned v) {
    b.push_back(static_cast<unsigned char>(v & 0xff));
    b.push_back(static_cast<unsigned char>((v >> 8) & 0xff));
}
void put32(std::vector<unsigned char>& b, uint32_t v) {
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}

} // namespace

bool streamWavHeader(int format, int channels, int rate, std::vector<unsigned char>& h) {
    int bits = 0, tag = 1;
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_U8:
        bits = 8;
        break;
    case SF_FORMAT_PCM_16:
        bits = 16;
        break;
    case SF_FORMAT_PCM_24:
        bits = 24;
        break;
    case SF_FORMAT_PCM_32:
        bits = 32;
        break;
    case SF_FORMAT_FLOAT:
        bits = 32;
        tag = 3;
        break;
    case SF_FORMAT_DOUBLE:
        bits = 64;
        tag = 3;
        break;
    default:
        return false;
    }
    const unsigned align = static_cast<unsigned>(channels * bits / 8);
    h.clear();
    h.insert(h.end(), {'R', 'I', 'F', 'F'});
    put32(h, 0xffffffffu);
    h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(h, tag == 3 ? 18 : 16);
    put16(h, static_cast<unsigned>(tag));
    put16(h, static_cast<unsigned>(channels));
    put32(h, static_cast<uint32_t>(rate));
    put32(h, static_cast<uint32_t>(rate) * align);
    put16(h, align);
    put16(h, static_cast<unsigned>(bits));
    if (tag == 3) put16(h, 0);
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    put32(h, 0xffffffffu);
    return true;
}

int bytesPerFrame(int format, int channels) {
    int bytes = 8;
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
        bytes = 1;
        break;
    case SF_FORMAT_PCM_16:
        bytes = 2;
        break;
    case SF_FORMAT_PCM_24:
        bytes = 3;
        break;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
        bytes = 4;
        break;
    default:
        break;
    }
    return bytes * channels;
}

int formatForSize(int format, int channels, long long maxFrames) {
    const int major = format & SF_FORMAT_TYPEMASK;
    if (major != SF_FORMAT_WAV && major != SF_FORMAT_WAVEX) return format;
    const long long perFrame = bytesPerFrame(format, channels);
    if (maxFrames >= 0 && maxFrames <= kWavDataLimit / perFrame) return format;
    return SF_FORMAT_RF64 | (format & (SF_FORMAT_SUBMASK | SF_FORMAT_ENDMASK));
}
