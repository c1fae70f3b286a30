// Output files: where an output goes, the temporary file it is written
// through, and the clean-up of temporary files when the tool is interrupted.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Where an output goes. A regular file (or a name not yet taken) is written
// through a temporary file in its folder and renamed into place; a symbolic
// link is followed first, so its target is what gets replaced. A pipe, a
// device or "-" (standard output) is written to directly.
// A file with other names (hard links), or owned by another user, is written
// over in place once complete, so that it stays the same file. A loop of
// symbolic links is refused.
struct OutputTarget {
    bool stream = false;
    std::string path; // the file to replace, or the stream's name to open
    bool stdoutStream = false;
    bool inPlace = false; // the finished temporary file is copied into path
};
// Throws CliError(kExitOutput) for a directory or a missing folder.
OutputTarget resolveOutput(const std::string& path);
// How the tool names a path in messages ("-" is the standard streams).
std::string displayName(const std::string& path, bool input);

// Creates a temporary file beside path with the permissions of the file it
// replaces; returns its descriptor (or -1) and its name in temp.
int makeTemp(const std::string& path, std::string& temp);
// Temporary files in progress, removed if the tool is interrupted; the slot
// is given back with unregisterTemp once the file is renamed or removed.
int registerTemp(const std::string& path);
void unregisterTemp(int slot);
void unregisterTemp(const std::string& path);
// The temporary files in progress are removed when the tool is interrupted,
// crashes or is made to exit (by a plug-in) before it is done with them.
void installCleanupHandlers();

// Puts the finished temporary file in the target's place: renamed there, or
// copied into it (and removed) for a target written in place. False with
// errno set on failure.
bool replaceWith(const std::string& temp, const OutputTarget& t);
// Opens a stream target for writing; standard output is used as it is.
// Throws CliError(kExitOutput).
int openStreamFd(const OutputTarget& t);
// Writes all n bytes, going on after interruptions; false with errno set.
bool writeAll(int fd, const unsigned char* p, std::size_t n);
// The system's reason when a call that failed had a write refused (a full
// disk, say); empty for other failures. errno is cleared before such calls.
std::string writeErrno();
// The folder part of a path ("." for a bare name).
std::string dirOf(const std::string& path);

// Writes bytes to path through a temporary file and a rename (or straight
// into a stream).
void writeFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes);
// Reads a whole file; throws CliError(kExitInput) naming the file.
std::vector<unsigned char> readWholeFile(const std::string& path, const char* what);
