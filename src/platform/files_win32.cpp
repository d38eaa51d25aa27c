#include <windows.h>

#include <limits>

#include "platform/files.h"
#include "platform/text.h"
#include "platform/wide_win32.h"
#include "platform/wildcard.h"

namespace vesk {
namespace {

uint64_t ToUint64(const FILETIME& time) {
  return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

}  // namespace

PathKind GetPathKind(const std::u16string& path) {
  if (path.empty()) return PathKind::Missing;
  const DWORD attributes = ::GetFileAttributesW(Wide(path));
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Missing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PathKind::Directory : PathKind::File;
}

std::u16string TempDirectory() {
  wchar_t buffer[MAX_PATH];
  const DWORD length = ::GetTempPathW(MAX_PATH, buffer);
  if (length == 0 || length > MAX_PATH - 1) return u"C:\\Temp\\";
  // TMP may name a relative folder; the viewer is handed the report's path and may work elsewhere.
  wchar_t absolute[MAX_PATH];
  const DWORD full = ::GetFullPathNameW(buffer, MAX_PATH, absolute, nullptr);
  if (full == 0 || full > MAX_PATH - 1) return FromWide(buffer, length);
  return FromWide(absolute, full);
}

std::u16string DefaultTempDirectory() { return TempDirectory(); }

size_t MaxFileNameLength() { return 255; }

// NTFS takes 255 UTF-16 units, but the same folder may lie on a POSIX file system underneath (Wine, a
// share served from a POSIX machine), which takes 255 bytes of UTF-8. A name never has fewer bytes than
// units, so counting bytes keeps it within both.
size_t NativeFileNameLength(std::u16string_view name) { return ToUtf8(name).size(); }

WriteOutcome WriteWholeFile(const std::u16string& path, std::string_view content) {
  // One WriteFile call takes at most 4 GiB; nothing the worker writes comes near that.
  if (content.size() > std::numeric_limits<DWORD>::max()) return WriteOutcome::NotOpened;
  const HANDLE file =
      ::CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return WriteOutcome::NotOpened;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  // Closing can be the first to report a failed write-back (network shares).
  const BOOL closed = ::CloseHandle(file);
  return ok && closed && written == content.size() ? WriteOutcome::Complete : WriteOutcome::Incomplete;
}

bool OverwriteFile(const std::u16string& path, std::string_view content) {
  if (content.size() > std::numeric_limits<DWORD>::max()) return false;
  const HANDLE file =
      ::CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
                  written == content.size() && ::SetEndOfFile(file);
  const BOOL closed = ::CloseHandle(file);
  return ok && closed;
}

bool MoveFileOver(const std::u16string& from, const std::u16string& to) {
  return ::MoveFileExW(Wide(from), Wide(to), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool CopyFileOver(const std::u16string& from, const std::u16string& to) {
  return ::CopyFileW(Wide(from), Wide(to), FALSE) != 0;
}

bool RemoveFile(const std::u16string& path) { return ::DeleteFileW(Wide(path)) != 0; }

// Opened without delete sharing, a lock file cannot be removed (and made anew) while anybody has it
// open, so the file a holder locked is always the one its name leads to.
FileLockHandle AcquireFileLock(const std::u16string& path, int waitMs) {
  const HANDLE file = ::CreateFileW(Wide(path), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return kNoFileLock;
  const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(waitMs > 0 ? waitMs : 0);
  for (;;) {
    OVERLAPPED start{};
    if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &start)) {
      return reinterpret_cast<FileLockHandle>(file);
    }
    if (::GetLastError() != ERROR_LOCK_VIOLATION || ::GetTickCount64() >= deadline) break;
    ::Sleep(5);
  }
  ::CloseHandle(file);
  return kNoFileLock;
}

// Closing the handle lets go of its lock.
void ReleaseFileLock(FileLockHandle lock) {
  if (lock != kNoFileLock) ::CloseHandle(reinterpret_cast<HANDLE>(lock));
}

// The removal fails while anybody has the file open, whether to hold its lock or to wait for it.
bool RemoveUnusedLockFile(const std::u16string& path) {
  const DWORD attributes = ::GetFileAttributesW(Wide(path));
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  return ::DeleteFileW(Wide(path)) != 0;
}

uint64_t CurrentFileTime() {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  return ToUint64(now);
}

std::vector<FoundEntry> FindEntries(const std::u16string& folder, const std::u16string& pattern) {
  std::vector<FoundEntry> found;
  WIN32_FIND_DATAW data{};
  const HANDLE search = ::FindFirstFileW(Wide(folder + u"\\" + pattern), &data);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    // The system's own matching also tries the short 8.3 names and lets "." + "*" match a name
    // without that dot; only the long name, matched literally, counts.
    std::u16string name = FromWide(data.cFileName);
    if (!MatchesWildcard(name, pattern)) continue;
    found.push_back({std::move(name), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                     ToUint64(data.ftLastWriteTime)});
  } while (::FindNextFileW(search, &data));
  ::FindClose(search);
  return found;
}

}  // namespace vesk
