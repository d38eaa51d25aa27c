#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform/files.h"
#include "platform/text.h"

namespace vesk {
namespace {

uint64_t ToFileTime(const timespec& ts) {
  // Times before 1970 count as the oldest possible.
  if (ts.tv_sec < 0) return 0;
  return static_cast<uint64_t>(ts.tv_sec) * 10'000'000u + static_cast<uint64_t>(ts.tv_nsec) / 100u;
}

}  // namespace

PathKind GetPathKind(const std::u16string& path) {
  struct stat st {};
  if (path.empty() || ::stat(ToUtf8(path).c_str(), &st) != 0) return PathKind::Missing;
  return S_ISDIR(st.st_mode) ? PathKind::Directory : PathKind::File;
}

std::u16string TempDirectory() {
  const char* dir = std::getenv("TMPDIR");
  if (dir == nullptr || *dir == '\0') return u"/tmp";
  return FromUtf8(dir);
}

WriteOutcome WriteWholeFile(const std::u16string& path, std::string_view content) {
  const int fd = ::open(ToUtf8(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return WriteOutcome::NotOpened;
  const char* data = content.data();
  size_t left = content.size();
  bool ok = true;
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    data += n;
    left -= static_cast<size_t>(n);
  }
  // close can be the first to report a failed write-back (network and full file systems).
  if (::close(fd) != 0) ok = false;
  return ok ? WriteOutcome::Complete : WriteOutcome::Incomplete;
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
