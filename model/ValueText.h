// Value texts: zero-terminated, unit included, at most 8 characters plus the
// terminating zero for every value this plug-in shows.
#pragma once

namespace dravo {

// The formatters the value texts are made of: a number with decimals, a
// frequency in Hz or kHz, a factor in dB, a latency in ms or samples.
void formatNumber(float value, int decimals, char* text);
void formatFrequency(float hz, char* text);
void formatDecibels(float factor, int decimals, char* text);
void formatMilliseconds(float ms, char* text);
void formatSamples(float samples, char* text);

enum class Param : int;

// The text a host shows for parameter p at normalised value v, composed from
// its engine value (see Parameters.h), cut to 8 characters plus the
// terminating zero into text (9 bytes or more). False when a switch position
// lies outside the switch (a value far outside 0..1): text is then not
// written, as hosts have always seen.
bool valueText(Param p, double v, char* text);
} // namespace dravo
