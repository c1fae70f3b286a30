// Platform services of the preset system on Linux: preset and bank files,
// path splitting, the alert, external commands, the document opener, the
// user's Documents folder and per-user preferences.
//
// Files are read through read-only handles. A handle opened for writing
// writes into a temporary file beside the target; closing it makes the file
// durable and renames it over the target only when every write succeeded, so
// an interrupted save leaves the previous file as it was.
//
// External programs run without a shell: the arguments go to the program as
// an argument vector, and the program is looked up on PATH.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace dravo::platform {

// The three remembered-path fields hold at most this many bytes and a NUL.
constexpr size_t kPathFieldSize = 257;

// Opens the file dir followed directly by name. Reading: a read-only handle,
// returns the file's size. Writing: a handle on a new temporary file beside
// the target, returns 0. On failure *file is null and the result 0.
long openFile(const char* name, const char* dir, void** file, bool write);
// Reads up to n bytes into buf; returns the number read (0 for a null handle).
long readFile(void* file, char* buf, long n);
// Writes n bytes; returns false when they were not all written (a null
// handle writes nothing and fails).
bool writeToFile(void* file, const char* buf, long n);
// Closes the handle. A write handle is flushed and synced and replaces its
// target only when every write succeeded; otherwise the temporary is removed
// and the target stays as it was. Returns true when that all succeeded.
bool closeFile(void* file);

// Splits path at its last "/": name gets what follows it, dir everything up
// to and including it (both fields kPathFieldSize bytes). A path without
// "/", or one whose directory or name part is longer than 256 bytes, leaves
// both unchanged and returns false.
bool splitPath(const char* path, char* name, char* dir);

// Shows a modal warning with message and one button (zenity, else kdialog,
// else xmessage) and waits for it; with none of them installed the message
// goes to stderr.
void showAlert(const char* message);
// The argument vector of that warning, for running it without waiting;
// empty when none of the programs is installed.
std::vector<std::string> alertCommand(const std::string& message);
// The argument vector of a question with the buttons yes and "Cancel" whose
// program exits with 0 when the user answers yes; empty when none of zenity,
// kdialog and xmessage is installed.
std::vector<std::string> questionCommand(const std::string& question, const std::string& yes);

// Runs argv[0], found on PATH, with argv as its argument vector and waits for
// it. Returns its exit status, or -1 when it could not be started (reported
// on stderr) or did not exit normally. With output given, the program's
// standard output is collected there.
int runCommand(const std::vector<std::string>& argv, std::string* output = nullptr);
// Opens path with the desktop's document opener (xdg-open); true on success.
bool openDocument(const std::string& path);
// The user's home folder ($HOME, else the password database); no trailing "/".
std::string homeFolder();
// The user's Documents folder as xdg-user-dir DOCUMENTS names it (read from
// user-dirs.dirs, no program is run), else ~/Documents.
std::string documentsFolder();
// Writes size bytes to path through a temporary file and a rename; true when
// the file now holds them.
bool writeFileAtomically(const std::string& path, const void* data, size_t size);
// Writes size bytes to path through a temporary file and a rename, creating
// missing folders. Does nothing (and succeeds) when path already holds
// exactly those bytes.
bool writeFileIfDifferent(const std::string& path, const void* data, size_t size);

// Per-user preferences of one application: one file per key in the folder
// $XDG_CONFIG_HOME/<identifier> (default ~/.config/<identifier>), each value
// stored as its exact bytes and replaced atomically.
class Preferences {
  public:
    // identifier: a reverse-domain name; one that is empty or could leave
    // the config folder ("/", "." or "..") disables the preferences.
    explicit Preferences(const std::string& identifier);

    bool isUsable() const { return !folder.empty(); }
    // The value of key; false when it is missing or cannot be read.
    bool copy(const char* key, std::vector<char>& value) const;
    bool set(const char* key, const void* data, size_t size);
    bool remove(const char* key);
    // Makes the values written so far durable.
    bool synchronize();

  private:
    std::string folder; // ends in "/", empty when unusable
};

} // namespace dravo::platform
