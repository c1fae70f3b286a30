// Value texts: zero-terminated, unit included, at most 8 characters plus the
// terminating zero for every value this plug-in shows.
#pragma once

void float2string2(float value, int decimals, char* text);
void frequencyStringConvert2(float hz, char* text);
void dB2string2(float factor, int decimals, char* text);
void msStringConvert(float ms, char* text);
void smpStringConvert(float samples, char* text);

namespace dravo {
enum class Param : int;

// The text a host shows for parameter p at normalised value v, composed from
// its engine value (see Parameters.h), cut to 8 characters plus the
// terminating zero into text (9 bytes or more). False when a switch position
// lies outside the switch (a value far outside 0..1): text is then not
// written, as hosts have always seen.
bool valueText(Param p, double v, char* text);
} // namespace dravo
