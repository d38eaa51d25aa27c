// The temporary directory and the lock files between processes.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/files.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(TempDirectory, TmpdirThatCannotHoldFilesFallsBackToTmp) {
  test::ScopedTempDir tmp;
  EXPECT_EQ(TempDirectory(), tmp.u16());

  ::setenv("TMPDIR", (tmp.path() / "missing").c_str(), 1);
  EXPECT_EQ(TempDirectory(), u"/tmp");
  test::WriteFile(tmp.path() / "file", "not a folder");
  ::setenv("TMPDIR", (tmp.path() / "file").c_str(), 1);
  EXPECT_EQ(TempDirectory(), u"/tmp");
  fs::create_directory_symlink(tmp.path(), tmp.path() / "link");
  ::setenv("TMPDIR", (tmp.path() / "link").c_str(), 1);
  EXPECT_EQ(TempDirectory(), tmp.u16() + u"/link");
  ::setenv("TMPDIR", "", 1);
  EXPECT_EQ(TempDirectory(), u"/tmp");
  ::unsetenv("TMPDIR");
  EXPECT_EQ(TempDirectory(), u"/tmp");
}

class FileLockTest : public ::testing::Test {
 protected:
  std::u16string LockPath() const { return FromUtf8((tmp_.path() / "a.ocr.lock").string()); }
  test::ScopedTempDir tmp_;
};

TEST_F(FileLockTest, OneHolderAtATime) {
  const FileLockHandle first = AcquireFileLock(LockPath(), 0);
  ASSERT_NE(first, kNoFileLock);
  EXPECT_EQ(AcquireFileLock(LockPath(), 50), kNoFileLock);
  EXPECT_FALSE(RemoveUnusedLockFile(LockPath()));
  ReleaseFileLock(first);

  const FileLockHandle second = AcquireFileLock(LockPath(), 0);
  EXPECT_NE(second, kNoFileLock);
  ReleaseFileLock(second);
  EXPECT_TRUE(RemoveUnusedLockFile(LockPath()));
  EXPECT_FALSE(fs::exists(tmp_.path() / "a.ocr.lock"));
}

TEST_F(FileLockTest, WaiterGetsTheLockWhenTheHolderLetsGo) {
  const FileLockHandle holder = AcquireFileLock(LockPath(), 0);
  ASSERT_NE(holder, kNoFileLock);
  std::thread release([holder] {
    std::this_thread::sleep_for(100ms);
    ReleaseFileLock(holder);
  });
  const FileLockHandle waiter = AcquireFileLock(LockPath(), 30000);
  release.join();
  EXPECT_NE(waiter, kNoFileLock);
  ReleaseFileLock(waiter);
}

// The holder removes the file while another process waits for its lock. The waiter must not take the
// lock of the removed file, which guards nothing any more, but that of the file now at the path.
TEST_F(FileLockTest, WaiterOfARemovedFileLocksTheFileThatReplacesIt) {
  const FileLockHandle holder = AcquireFileLock(LockPath(), 0);
  ASSERT_NE(holder, kNoFileLock);
  std::thread removeAndRelease([&] {
    std::this_thread::sleep_for(100ms);
    fs::remove(tmp_.path() / "a.ocr.lock");
    ReleaseFileLock(holder);
  });
  const FileLockHandle waiter = AcquireFileLock(LockPath(), 30000);
  removeAndRelease.join();
  ASSERT_NE(waiter, kNoFileLock);
  EXPECT_TRUE(fs::exists(tmp_.path() / "a.ocr.lock"));
  EXPECT_EQ(AcquireFileLock(LockPath(), 0), kNoFileLock);  // the waiter holds the file at the path
  ReleaseFileLock(waiter);
}

TEST_F(FileLockTest, LinksAndFoldersAreNoLockFiles) {
  const fs::path target = tmp_.path() / "target";
  test::WriteFile(target, "keep");
  fs::create_symlink(target, tmp_.path() / "a.ocr.lock");
  EXPECT_EQ(AcquireFileLock(LockPath(), 0), kNoFileLock);
  EXPECT_TRUE(RemoveUnusedLockFile(LockPath()));  // the link itself goes
  EXPECT_EQ(test::ReadFile(target), "keep");

  fs::create_directory(tmp_.path() / "a.ocr.lock");
  EXPECT_EQ(AcquireFileLock(LockPath(), 0), kNoFileLock);
  EXPECT_FALSE(RemoveUnusedLockFile(LockPath()));
  EXPECT_TRUE(fs::is_directory(tmp_.path() / "a.ocr.lock"));
}

}  // namespace
}  // namespace vesk
