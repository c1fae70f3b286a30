// The WAV header written ahead of samples streamed into a pipe, where
// libsndfile cannot go back to fill in the sizes.
#pragma once

#include <vector>

// A WAV header for a stream of unknown length: both sizes 0xFFFFFFFF, which
// readers take as "until the data ends". Returns false for a sample format
// this header cannot describe.
bool streamWavHeader(int format, int channels, int rate, std::vector<unsigned char>& h);
