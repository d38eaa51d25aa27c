// The session folder on a shared temporary directory: planted folders and links must neither
// redirect the worker's files nor stop it. Also the link handling of the atomic writer and the sweep.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "platform/text.h"
#include "session/atomic_file.h"
#include "session/session_paths.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kOtherUser = 65534;

struct stat LinkStat(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st;
}

// The folder is a real folder of ours that nobody else can reach, and results written there land in it.
void ExpectUsablePrivateFolder(const SessionPaths& paths) {
  const fs::path folder(ToUtf8(paths.folder));
  const struct stat st = LinkStat(folder);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_uid, ::geteuid());
  EXPECT_EQ(st.st_mode & 077, 0u);
  ASSERT_TRUE(WriteFileAtomically(paths.textPath, "result"));
  EXPECT_EQ(test::ReadFile(folder / (ToUtf8(paths.stem) + ".ocr.txt")), "result");
}

std::string PerUserName() { return "VeskOCR-" + std::to_string(::geteuid()); }

TEST(SessionFolder, IsCreatedPrivate) {
  test::ScopedTempDir tmp;
  const mode_t oldMask = ::umask(0);  // even a permissive creation mask must not open it up
  const SessionPaths paths = MakeSessionPaths(u"/home/u/a.png");
  ::umask(oldMask);
  EXPECT_EQ(paths.folder, tmp.u16() + u"/VeskOCR");
  ExpectUsablePrivateFolder(paths);
}

TEST(SessionFolder, PlantedLinkIsNotFollowed) {
  test::ScopedTempDir tmp;
  const fs::path elsewhere = tmp.path() / "elsewhere";
  fs::create_directory(elsewhere);
  fs::permissions(elsewhere, fs::perms::owner_all);
  fs::create_directory_symlink(elsewhere, tmp.path() / "VeskOCR");

  const SessionPaths paths = MakeSessionPaths(u"/home/u/a.png");
  EXPECT_EQ(paths.folder, FromUtf8((tmp.path() / PerUserName()).string()));
  ExpectUsablePrivateFolder(paths);
  EXPECT_TRUE(fs::is_empty(elsewhere));
  EXPECT_TRUE(fs::is_symlink(tmp.path() / "VeskOCR"));
}

TEST(SessionFolder, FolderOfAnotherUserIsLeftAlone) {
  test::ScopedTempDir tmp;
  const fs::path planted = tmp.path() / "VeskOCR";
  fs::create_directory(planted);
  fs::permissions(planted, fs::perms::owner_all);
  ASSERT_EQ(::chown(planted.c_str(), kOtherUser, kOtherUser), 0);

  const SessionPaths paths = MakeSessionPaths(u"/home/u/a.png");
  EXPECT_EQ(paths.folder, FromUtf8((tmp.path() / PerUserName()).string()));
  ExpectUsablePrivateFolder(paths);
  EXPECT_TRUE(fs::is_empty(planted));
  EXPECT_EQ(LinkStat(planted).st_uid, kOtherUser);
}

TEST(SessionFolder, OpenFolderIsLeftAloneAndNotTightened) {
  test::ScopedTempDir tmp;
  const fs::path planted = tmp.path() / "VeskOCR";
  fs::create_directory(planted);
  fs::permissions(planted, fs::perms::all);

  const SessionPaths paths = MakeSessionPaths(u"/home/u/a.png");
  EXPECT_NE(paths.folder, FromUtf8(planted.string()));
  ExpectUsablePrivateFolder(paths);
  EXPECT_TRUE(fs::is_empty(planted));
  EXPECT_EQ(LinkStat(planted).st_mode & 0777, 0777u);
}

// Both names taken: a unique folder of ours is made once and then used by every later run, so that the
// temporary directory does not fill up with them.
TEST(SessionFolder, BothNamesTakenGivesOneFallbackFolderThatLaterRunsReuse) {
  test::ScopedTempDir tmp;
  const fs::path elsewhere = tmp.path() / "elsewhere";
  fs::create_directory(elsewhere);
  fs::create_directory_symlink(elsewhere, tmp.path() / "VeskOCR");
  test::WriteFile(tmp.path() / PerUserName(), "a file, not a folder");

  const SessionPaths first = MakeSessionPaths(u"/home/u/a.png");
  const SessionPaths second = MakeSessionPaths(u"/home/u/b.png");
  const std::u16string prefix = FromUtf8((tmp.path() / PerUserName()).string()) + u"-";
  EXPECT_EQ(first.folder.substr(0, prefix.size()), prefix);
  EXPECT_EQ(first.folder, second.folder);
  ExpectUsablePrivateFolder(first);
  EXPECT_TRUE(fs::is_empty(elsewhere));
  EXPECT_EQ(test::ReadFile(tmp.path() / PerUserName()), "a file, not a folder");
}

// Look-alikes of a fallback folder planted by somebody else are passed over like the two names are.
TEST(SessionFolder, FallbackFolderIsReusedOnlyWhenItIsOurOwnClosedFolder) {
  test::ScopedTempDir tmp;
  const fs::path elsewhere = tmp.path() / "elsewhere";
  fs::create_directory(elsewhere);
  fs::permissions(elsewhere, fs::perms::owner_all);
  fs::create_directory_symlink(elsewhere, tmp.path() / "VeskOCR");
  fs::create_directory_symlink(elsewhere, tmp.path() / PerUserName());
  const fs::path foreign = tmp.path() / (PerUserName() + "-000000");
  const fs::path open = tmp.path() / (PerUserName() + "-00000a");
  const fs::path ours = tmp.path() / (PerUserName() + "-zzzzzz");
  fs::create_directory(foreign);
  fs::permissions(foreign, fs::perms::owner_all);
  ASSERT_EQ(::chown(foreign.c_str(), kOtherUser, kOtherUser), 0);
  fs::create_directory(open);
  fs::permissions(open, fs::perms::all);
  fs::create_directory_symlink(elsewhere, tmp.path() / (PerUserName() + "-AAAAAA"));
  fs::create_directory(ours);
  fs::permissions(ours, fs::perms::owner_all);

  const SessionPaths paths = MakeSessionPaths(u"/home/u/a.png");
  EXPECT_EQ(paths.folder, FromUtf8(ours.string()));
  ExpectUsablePrivateFolder(paths);
  EXPECT_TRUE(fs::is_empty(elsewhere));
  EXPECT_TRUE(fs::is_empty(foreign));
  EXPECT_TRUE(fs::is_empty(open));
  EXPECT_EQ(LinkStat(open).st_mode & 0777, 0777u);
}

TEST(SessionFolder, TempDirectoryFromEnvironmentLosesOneTrailingSlash) {
  test::ScopedTempDir tmp;
  ::setenv("TMPDIR", (tmp.path().string() + "/").c_str(), 1);
  EXPECT_EQ(MakeSessionPaths(u"a.png").folder, tmp.u16() + u"/VeskOCR");
}

TEST(WriteFileAtomically, NeverWritesThroughALink) {
  test::ScopedTempDir tmp;
  const fs::path outside = tmp.path() / "outside.txt";
  test::WriteFile(outside, "untouched");

  // A link at the temporary name is not followed: the write fails, the link's target stays.
  const fs::path blocked = tmp.path() / "a.ocr.txt";
  fs::create_symlink(outside, ToUtf8(TemporaryPathFor(FromUtf8(blocked.string()))));
  EXPECT_FALSE(WriteFileAtomically(FromUtf8(blocked.string()), "content"));
  EXPECT_EQ(test::ReadFile(outside), "untouched");
  EXPECT_FALSE(fs::exists(fs::symlink_status(blocked)));

  // A link at the final name is replaced itself, not written through.
  const fs::path linked = tmp.path() / "b.ocr.txt";
  fs::create_symlink(outside, linked);
  ASSERT_TRUE(WriteFileAtomically(FromUtf8(linked.string()), "content"));
  EXPECT_FALSE(fs::is_symlink(linked));
  EXPECT_EQ(test::ReadFile(linked), "content");
  EXPECT_EQ(test::ReadFile(outside), "untouched");
}

void AgeLink(const fs::path& link, int64_t seconds) {
  const timespec times[2] = {{::time(nullptr) - seconds, 0}, {::time(nullptr) - seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, link.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

TEST(SweepStaleSessionFiles, RemovesOldLinksThemselvesAndJudgesLinksByTheirOwnTime) {
  test::ScopedTempDir tmp;
  const fs::path session = tmp.path() / "session";
  const fs::path outside = tmp.path() / "outside";
  fs::create_directories(session);
  fs::create_directories(outside / "dir");
  test::WriteFile(outside / "file.txt", "keep");
  test::WriteFile(outside / "dir" / "a.ocr.txt", "keep");
  constexpr int64_t kEightDays = 8 * 24 * 3600;
  fs::last_write_time(outside / "dir" / "a.ocr.txt", fs::file_time_type::clock::now() - std::chrono::hours(24 * 8));

  fs::create_symlink(outside / "file.txt", session / "to-file.ocr.txt");
  fs::create_directory_symlink(outside / "dir", session / "to-dir.ocr.txt");
  AgeLink(session / "to-file.ocr.txt", kEightDays);
  AgeLink(session / "to-dir.ocr.txt", kEightDays);
  // A fresh link to an old file stays: only the link's own time counts.
  fs::create_symlink(outside / "dir" / "a.ocr.txt", session / "fresh.ocr.txt");

  SweepStaleSessionFiles(FromUtf8(session.string()));

  EXPECT_FALSE(fs::exists(fs::symlink_status(session / "to-file.ocr.txt")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(session / "to-dir.ocr.txt")));
  EXPECT_TRUE(fs::is_symlink(session / "fresh.ocr.txt"));
  EXPECT_EQ(test::ReadFile(outside / "file.txt"), "keep");
  EXPECT_EQ(test::ReadFile(outside / "dir" / "a.ocr.txt"), "keep");
}

}  // namespace
}  // namespace vesk
