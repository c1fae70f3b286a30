// What a user types for a parameter, turned into the parameter's normalised
// value: the plug-in's own display text or a position name, or a number with
// or without its unit ("2.7k", "2700Hz", "-3dB", "+4", "0.7"). Spaces and
// letter case do not count; "k" or "kHz" after a number means thousands of Hz.
// Editors and tools share this one reading of typed values.
#pragma once

#include <string>

namespace dravo {
enum class Param : int;

// text without spaces and tabs, in lower case: how typed and shown texts are
// compared.
std::string squeezed(const std::string& text);

// Splits a value text into its number and its unit in lower case, without
// spaces: "10.0kHz" is 10000 "hz", "-4 dB" is -4 "db", "+2.5" is 2.5 "",
// "10k" is 10000 "hz". False when the text does not start with a number.
bool parseNumberAndUnit(const std::string& text, double& number, std::string& unit);

// The normalised value for text: a switch's position named (or displayed) by
// the text, or the nearest step of the parameter to the number typed, in the
// parameter's unit. False, and normalised unchanged, when the text names no
// position, carries another unit, or lies outside the parameter's range.
bool normalisedForText(Param p, const std::string& text, double& normalised);

} // namespace dravo
