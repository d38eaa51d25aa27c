// Starting the viewer on Windows, checked with the stand-in viewer, which records the command line it
// was given.

#include "session/viewer_launch.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/text.h"
#include "support/temp_dir.h"
#include "support/temp_env.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::u16string U16(const fs::path& path) { return path.u16string(); }

// The viewer runs on its own; give it ample time to show up. Under Wine a file just renamed into place
// can exist a moment before it opens, so the read is tried again too.
std::string WaitForRecord(const fs::path& path) {
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (std::chrono::steady_clock::now() <= deadline) {
    if (fs::exists(path)) {
      try {
        return test::ReadFile(path);
      } catch (const std::runtime_error&) {
      }
    }
    std::this_thread::sleep_for(10ms);
  }
  return {};
}

class LaunchViewerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    record_ = tmp_.path() / "record.txt";
    test::WriteEnvironment("VESK_VIEWER_RECORD", record_.string());
  }
  void TearDown() override { test::WriteEnvironment("VESK_VIEWER_RECORD", std::nullopt); }

  // An already present report, so that each viewer finishes at once.
  fs::path Report(const fs::path& folder, const std::string& name) {
    fs::create_directories(folder);
    const fs::path report = folder / name;
    test::WriteFile(report, "report\r\n");
    return report;
  }

  test::ScopedTempDir tmp_;
  fs::path record_;
};

TEST_F(LaunchViewerTest, ViewerGetsTheQuotedCommandLineAndSplitsItBack) {
  // Spaces in both paths: each must arrive as one argument.
  const fs::path viewer = tmp_.path() / "Vesk Viewer" / "vesk_viewer_standin.exe";
  fs::create_directories(viewer.parent_path());
  fs::copy_file(test::Program("vesk_viewer_standin"), viewer);
  const fs::path report = Report(tmp_.path() / "session folder", "c257572a - a b.png.ocr.txt");

  ASSERT_TRUE(LaunchViewer(U16(viewer), U16(report), 120000));
  const std::string commandLine = WaitForRecord(record_.string() + ".cmdline");
  EXPECT_EQ(commandLine, "\"" + viewer.string() + "\" --wait-file --wait-timeout=120000 -- \"" + report.string() + "\"");
  EXPECT_EQ(WaitForRecord(record_),
            "--wait-file\n--wait-timeout=120000\n--\n" + report.string() + "\n");
}

TEST_F(LaunchViewerTest, NegativeTimeOutIsPassedAsWritten) {
  const fs::path report = Report(tmp_.path(), "x.ocr.txt");
  ASSERT_TRUE(LaunchViewer(U16(test::Program("vesk_viewer_standin")), U16(report), -5));
  EXPECT_EQ(WaitForRecord(record_), "--wait-file\n--wait-timeout=-5\n--\n" + report.string() + "\n");
}

TEST_F(LaunchViewerTest, EmptyOrMissingViewersAreReported) {
  const fs::path report = Report(tmp_.path(), "x.ocr.txt");
  EXPECT_FALSE(LaunchViewer(u"", U16(report), 5000));
  EXPECT_FALSE(LaunchViewer(U16(test::Program("vesk_viewer_standin")), u"", 5000));
  // Neither the process nor the shell can start a file that is not there.
  EXPECT_FALSE(LaunchViewer(U16(tmp_.path() / "missing.exe"), U16(report), 5000));
  EXPECT_FALSE(fs::exists(record_));
}

// A file type whose "open" command starts the stand-in viewer with the parameters it is given, registered
// while the object lives (in the test run's own Wine prefix).
class StandInFileType {
 public:
  static constexpr wchar_t kExtension[] = L".veskviewer";
  static constexpr wchar_t kCommand[] = L"VeskTest.StandInViewer\\shell\\open\\command";

  StandInFileType() {
    const std::wstring command = L"\"" + test::Program("vesk_viewer_standin").wstring() + L"\" %*";
    Set(kExtension, L"VeskTest.StandInViewer");
    Set(kCommand, command);
  }
  ~StandInFileType() {
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"VeskTest.StandInViewer");
    ::RegDeleteTreeW(HKEY_CLASSES_ROOT, kExtension);
  }
  StandInFileType(const StandInFileType&) = delete;
  StandInFileType& operator=(const StandInFileType&) = delete;

 private:
  static void Set(const wchar_t* key, const std::wstring& value) {
    ::RegSetKeyValueW(HKEY_CLASSES_ROOT, key, nullptr, REG_SZ, value.c_str(),
                      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
};

// A viewer path that CreateProcessW cannot start (not a program) but the shell can open.
TEST_F(LaunchViewerTest, FileTheShellOpensIsLaunchedThroughTheShell) {
  const StandInFileType fileType;
  const fs::path viewer = tmp_.path() / "viewer.veskviewer";
  test::WriteFile(viewer, "not a program");
  const fs::path report = Report(tmp_.path() / "session folder", "x.ocr.txt");

  ASSERT_TRUE(LaunchViewer(U16(viewer), U16(report), 7000));
  EXPECT_EQ(WaitForRecord(record_), "--wait-file\n--wait-timeout=7000\n--\n" + report.string() + "\n");
}

}  // namespace
}  // namespace vesk
