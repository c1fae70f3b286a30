// The output's container and sample format, from the command line, OUT's
// extension and the input.
#pragma once

#include <string>

// Chooses the output format: major type from --format, else OUT's extension
// (libsndfile's own table, plus ogg, opus and aif), else the input's; sample
// format from --bits, else the input's where the container holds it. Throws
// CliError(kExitUsage) for an unknown extension or an impossible choice.
// A coded input (MP3, say) that the container cannot hold is written as
// plain samples, and *note says so.
int chooseOutputFormat(int inputFormat, const std::string& outPath, const std::string& format,
                       const std::string& bits, int channels, int rate,
                       std::string* note = nullptr);
// Whether NAME is a container --format accepts.
bool knownFormatName(const std::string& name);
// The extensions and names --format accepts, for messages.
std::string knownFormatNames();

// The bits of a PCM format written and read through the exact integer path
// (8, 16, 24 or 32), else 0.
int integerBits(int format);
// Whether the format's codec is lossy (Vorbis, Opus, MPEG), so that a
// quality setting applies.
bool isLossy(int format);
