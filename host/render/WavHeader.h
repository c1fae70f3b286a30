// WAV headers: the one written ahead of samples streamed into a pipe, where
// libsndfile cannot go back to fill in the sizes, and the 4 GiB that a WAV
// header's 32-bit sizes can describe.
#pragma once

#include <vector>

// The most sample data a WAV file is given: its 32-bit RIFF size counts the
// header and the metadata too, for which 1 MiB is left.
constexpr long long kWavDataLimit = 0xFFFFFFFFLL - (1LL << 20);
// Bytes per frame of a sample format (8 for one this does not know, so a
// guess errs on the large side).
int bytesPerFrame(int format, int channels);
// The format to write for at most maxFrames frames (-1: not known): WAV whose
// data may pass kWavDataLimit becomes RF64, which libsndfile writes back as
// WAV on closing when the data fits after all; any other format is kept.
int formatForSize(int format, int channels, long long maxFrames);

// A WAV header for a stream of unknown length: both sizes 0xFFFFFFFF, which
// readers take as "until the data ends". Returns false for a sample format
// this header cannot describe.
bool streamWavHeader(int format, int channels, int rate, std::vector<unsigned char>& h);
