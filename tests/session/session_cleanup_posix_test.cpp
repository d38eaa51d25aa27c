// The start of a run and another run that is publishing its files for the same view.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <system_error>
#include <thread>

#include "platform/files.h"
#include "platform/text.h"
#include "session/atomic_file.h"
#include "session/session_paths.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

// How many descriptors of this process are open on the file at path.
int DescriptorsOn(const fs::path& path) {
  int count = 0;
  std::error_code ec;
  for (const fs::directory_entry& fd : fs::directory_iterator("/proc/self/fd", ec)) {
    if (fs::read_symlink(fd.path(), ec) == path) ++count;
  }
  return count;
}

// A run that is moving its files into place holds the view's lock; the start of another run waits for
// it instead of removing the temporary file it is about to move, and clears the view once it is done.
TEST(DeleteSessionFiles, WaitsForARunThatIsPublishing) {
  test::ScopedTempDir tmp;
  const SessionPaths paths = SessionPathsIn(tmp.u16(), u"d41d8cd9 - a.png");
  const fs::path othersTemp = tmp.path() / "d41d8cd9 - a.png.ocr.txt.77.tmp";
  const FileLockHandle publishing = AcquireFileLock(paths.lockPath, 0);
  ASSERT_NE(publishing, kNoFileLock);
  test::WriteFile(othersTemp, "the other run's report");

  std::atomic<bool> cleared = false;
  std::thread start([&] {
    DeleteSessionFiles(paths);
    cleared = true;
  });
  // The start has opened the lock file beside the holder and waits for the lock.
  const fs::path lockFile = fs::canonical(ToUtf8(paths.lockPath));
  while (!cleared && DescriptorsOn(lockFile) < 2) std::this_thread::yield();
  EXPECT_FALSE(cleared) << "the start did not wait for the lock";
  EXPECT_TRUE(fs::exists(othersTemp));
  fs::rename(othersTemp, ToUtf8(paths.textPath));
  ReleaseFileLock(publishing);
  start.join();

  EXPECT_FALSE(fs::exists(ToUtf8(paths.textPath)));
  EXPECT_FALSE(fs::exists(othersTemp));
}

}  // namespace
}  // namespace vesk
