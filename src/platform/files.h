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

// The temporary directory as the platform reports it, possibly with a trailing separator. On POSIX never
// a place that cannot hold a file: a configured folder that is missing, is not a folder or cannot be
// written to is passed over for the platform's default. On Windows what GetTempPathW reports, or
// "C:\Temp\" when it fails.
std::u16string TempDirectory();

// The platform's own temporary directory, whatever the environment names: "/tmp" on POSIX; on Windows
// the same as TempDirectory.
std::u16string DefaultTempDirectory();

// The longest file name (one path component) the platform takes, counted as NativeFileNameLength
// counts: 255 bytes of UTF-8 on both platforms (on Windows the stricter of NTFS's 255 UTF-16 units and
// the bytes of a POSIX file system that may lie underneath).
size_t MaxFileNameLength();
size_t NativeFileNameLength(std::u16string_view name);

enum class WriteOutcome {
  NotOpened,   // nothing was created
  Incomplete,  // the file was created or truncated but does not hold the whole content
  Complete,
};

// Creates or truncates path and writes the whole content. On POSIX a symbolic link there is never
// followed and a new file is private to the user.
WriteOutcome WriteWholeFile(const std::u16string& path, std::string_view content);

// Writes content over the start of the existing file at path and cuts the file after it. Content no
// longer than the file needs no new space on the disk, so this works on a full file system. False when
// there is no such file or the write fails. On POSIX a symbolic link there is never followed.
bool OverwriteFile(const std::u16string& path, std::string_view content);

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

// An exclusive lock between processes, held through a lock file; kNoFileLock when none is held.
using FileLockHandle = intptr_t;
inline constexpr FileLockHandle kNoFileLock = -1;

// Takes the lock of the lock file at path, creating the file (private to the user, never through a
// symbolic link) when it is missing, and waits at most waitMs for another holder to let go.
// kNoFileLock when the lock could not be had in that time or the file cannot be used.
FileLockHandle AcquireFileLock(const std::u16string& path, int waitMs);

// Lets go of a lock taken by AcquireFileLock; kNoFileLock is ignored.
void ReleaseFileLock(FileLockHandle lock);

// Removes the lock file at path if nobody holds its lock at this moment. A process waiting for the
// lock of a removed file notices and takes the lock of the file that replaces it, so two holders never
// hold the lock of one path at once.
bool RemoveUnusedLockFile(const std::u16string& path);

// Entries of folder whose names match a wildcard pattern ("*" and "?"); empty when the folder cannot
// be read.
std::vector<FoundEntry> FindEntries(const std::u16string& folder, const std::u16string& pattern);

}  // namespace vesk
