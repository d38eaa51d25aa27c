#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "platform/files.h"
#include "platform/private_folder_posix.h"
#include "platform/text.h"

namespace vesk {
namespace {

// Writes all of content at the file's position; false at the first failed write.
bool WriteAll(int fd, std::string_view content) {
  const char* data = content.data();
  size_t left = content.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

uint64_t ToFileTime(const timespec& ts) {
  // Times before 1970 count as the oldest possible.
  if (ts.tv_sec < 0) return 0;
  return static_cast<uint64_t>(ts.tv_sec) * 10'000'000u + static_cast<uint64_t>(ts.tv_nsec) / 100u;
}

// A folder this process can create files in.
bool IsWritableFolder(const char* path) {
  struct stat st {};
  return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode) && ::faccessat(AT_FDCWD, path, W_OK | X_OK, AT_EACCESS) == 0;
}

}  // namespace

PathKind GetPathKind(const std::u16string& path) {
  struct stat st {};
  if (path.empty() || ::stat(ToUtf8(path).c_str(), &st) != 0) return PathKind::Missing;
  return S_ISDIR(st.st_mode) ? PathKind::Directory : PathKind::File;
}

std::u16string TempDirectory() {
  // A TMPDIR that cannot hold the session folder would send the viewer to wait for a report that can
  // never be written there.
  const char* dir = std::getenv("TMPDIR");
  if (dir == nullptr || *dir == '\0' || !IsWritableFolder(dir)) return DefaultTempDirectory();
  if (*dir == '/') return FromUtf8(dir);
  // The viewer is handed the report's path and may work in another folder: a relative one would miss.
  std::string absolute(PATH_MAX, '\0');
  if (::getcwd(absolute.data(), absolute.size()) == nullptr) return DefaultTempDirectory();
  absolute.resize(std::char_traits<char>::length(absolute.c_str()));
  return FromUtf8(absolute + "/" + dir);
}

std::u16string DefaultTempDirectory() { return u"/tmp"; }

size_t MaxFileNameLength() { return NAME_MAX; }

size_t NativeFileNameLength(std::u16string_view name) { return ToUtf8(name).size(); }

FolderState EnsurePrivateDirectory(const std::u16string& path) {
  if (path.empty()) return FolderState::Unavailable;
  const std::string native = ToUtf8(path);
  // Whatever mkdir reports, what is there now decides: it may have existed all along.
  ::mkdir(native.c_str(), 0700);
  struct stat st {};
  if (::lstat(native.c_str(), &st) != 0) return FolderState::Unavailable;
  const bool mine = S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
  return mine ? FolderState::Private : FolderState::Foreign;
}

std::u16string CreateUniquePrivateDirectory(const std::u16string& prefix) {
  std::string name = ToUtf8(prefix) + "XXXXXX";
  if (::mkdtemp(name.data()) == nullptr) return {};
  return FromUtf8(name);
}

std::u16string CurrentUserTag() { return FromUtf8(std::to_string(::geteuid())); }

WriteOutcome WriteWholeFile(const std::u16string& path, std::string_view content) {
  const int fd = ::open(ToUtf8(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return WriteOutcome::NotOpened;
  bool ok = WriteAll(fd, content);
  // close can be the first to report a failed write-back (network and full file systems).
  if (::close(fd) != 0) ok = false;
  return ok ? WriteOutcome::Complete : WriteOutcome::Incomplete;
}

bool OverwriteFile(const std::u16string& path, std::string_view content) {
  const int fd = ::open(ToUtf8(path).c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, content) && ::ftruncate(fd, static_cast<off_t>(content.size())) == 0;
  if (::close(fd) != 0) ok = false;
  return ok;
}

bool MoveFileOver(const std::u16string& from, const std::u16string& to) {
  return ::rename(ToUtf8(from).c_str(), ToUtf8(to).c_str()) == 0;
}

bool CopyFileOver(const std::u16string& from, const std::u16string& to) {
  const int fd = ::open(ToUtf8(from).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  std::string content;
  char buffer[65536];
  ssize_t n = 0;
  while ((n = ::read(fd, buffer, sizeof buffer)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    content.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return n == 0 && WriteWholeFile(to, content) == WriteOutcome::Complete;
}

bool RemoveFile(const std::u16string& path) { return ::unlink(ToUtf8(path).c_str()) == 0; }

// flock locks belong to the open file, so a lock file removed and made anew while a process waited
// would let two processes hold "the" lock. Whoever gets a lock therefore checks that the name still
// leads to the file it locked, and starts over when it does not.
FileLockHandle AcquireFileLock(const std::u16string& path, int waitMs) {
  using Clock = std::chrono::steady_clock;
  const std::string native = ToUtf8(path);
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : 0);
  for (;;) {
    const int fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) return kNoFileLock;
    struct stat locked {};
    if (::fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode)) {
      ::close(fd);
      return kNoFileLock;
    }
    bool held = false;
    while (!(held = ::flock(fd, LOCK_EX | LOCK_NB) == 0) && errno == EWOULDBLOCK && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    struct stat named {};
    if (held && ::lstat(native.c_str(), &named) == 0 && named.st_dev == locked.st_dev &&
        named.st_ino == locked.st_ino) {
      return fd;
    }
    ::close(fd);
    if (!held || Clock::now() >= deadline) return kNoFileLock;
  }
}

void ReleaseFileLock(FileLockHandle lock) {
  if (lock != kNoFileLock) ::close(static_cast<int>(lock));
}

bool RemoveUnusedLockFile(const std::u16string& path) {
  const std::string native = ToUtf8(path);
  struct stat st {};
  if (::lstat(native.c_str(), &st) != 0) return false;
  // Anything but a plain file (a link, say) is nothing anybody can lock.
  if (!S_ISREG(st.st_mode)) return !S_ISDIR(st.st_mode) && ::unlink(native.c_str()) == 0;
  const FileLockHandle lock = AcquireFileLock(path, 0);
  if (lock == kNoFileLock) return false;
  const bool removed = ::unlink(native.c_str()) == 0;
  ReleaseFileLock(lock);
  return removed;
}

uint64_t CurrentFileTime() {
  timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return ToFileTime(now);
}

std::vector<FoundEntry> FindEntries(const std::u16string& folder, const std::u16string& pattern) {
  std::vector<FoundEntry> found;
  DIR* dir = ::opendir(ToUtf8(folder).c_str());
  if (dir == nullptr) return found;
  const std::string glob = ToUtf8(pattern);
  while (const dirent* entry = ::readdir(dir)) {
    if (::fnmatch(glob.c_str(), entry->d_name, 0) != 0) continue;
    // lstat, so that a link reports itself and is never followed.
    struct stat st {};
    if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    found.push_back({FromUtf8(entry->d_name), S_ISDIR(st.st_mode), ToFileTime(st.st_mtim)});
  }
  ::closedir(dir);
  return found;
}

}  // namespace vesk
