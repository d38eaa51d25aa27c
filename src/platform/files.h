#pragma once
// File-system services of the platform.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

enum class PathKind { Missing, File, Directory };

// What a path names, following symbolic links; Missing when it cannot be examined.
PathKind GetPathKind(const std::u16string& path);

// The temporary directory as the platform reports it, possibly with a trailing separator.
std::u16string TempDirectory();

// Creates the session folder at preferred (its parent is not created) and returns the folder the
// session files go into. Where the temporary directory is shared between users (POSIX), a folder that
// is not the user's own private one is left alone and a private folder of the user's is used instead;
// on Windows the temporary directory is the user's own and preferred is used as it is. A folder that
// cannot be made is still returned: writes into it then fail and are reported as such.
std::u16string CreateSessionFolder(const std::u16string& preferred);

enum class WriteOutcome {
  NotOpened,   // nothing was created
  Incomplete,  // the file was created or truncated but does not hold the whole content
  Complete,
};

// Creates or truncates path and writes the whole content. On POSIX a symbolic link there is never
// followed and a new file is private to the user.
WriteOutcome WriteWholeFile(const std::u16string& path, std::string_view content);

// Moves from over to, replacing to in one step. False when the file system refuses.
bool MoveFileOver(const std::u16string& from, const std::u16string& to);

// Copies the file from over to, the same way as WriteWholeFile writes. False when it was not copied.
bool CopyFileOver(const std::u16string& from, const std::u16string& to);

// Removes a file (a symbolic link itself, never its target). False when nothing was removed.
bool RemoveFile(const std::u16string& path);

// Current time on the scale of FoundEntry::lastWrite.
uint64_t CurrentFileTime();

struct FoundEntry {
  std::u16string name;  // file name within the folder
  bool isDirectory = false;
  uint64_t lastWrite = 0;  // last modification, 100-ns units; links report their own time
};

// Entries of folder whose names match a wildcard pattern ("*" and "?"); empty when the folder cannot
// be read.
std::vector<FoundEntry> FindEntries(const std::u16string& folder, const std::u16string& pattern);

}  // namespace vesk
