// Value texts: zero-terminated, unit included, at most 8 characters plus the
// terminating zero for every value this plug-in shows.
#pragma once

void float2string2(float value, int decimals, char* text);
void frequencyStringConvert2(float hz, char* text);
void dB2string2(float factor, int decimals, char* text);
void msStringConvert(float ms, char* text);
void smpStringConvert(float samples, char* text);
