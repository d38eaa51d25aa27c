// The worker on a disk that fails it: a full file system, one that fills during the run or turns
// read-only, a session folder it may not use, a relative temporary directory. Whatever happens, the
// viewer it starts gets a report of this run, and no viewer is started on an old one.
//
// The small file systems are made for the test in a private mount namespace (a tmpfs over /tmp, so the
// worker's default temporary directory is the test's too). That needs root; elsewhere the tests skip.

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e/worker_fixture.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;

// Shell functions for the scenarios. The scenario runs in the test's folder, which stays reachable
// through the working folder after /tmp is covered; every file a run leaves for the test is named
// relative to it: NAME.exit, NAME.err, and the viewer's NAME.args and NAME.txt.
constexpr char kPrologue[] = R"(set -u
cd "$TEST_DIR" || exit 90
chmod 777 .
# fill DIR PAGES: fills the file system of DIR up to PAGES free pages of 4 KiB.
fill() {
  dd if=/dev/zero of="$1/fill" bs=4096 2>/dev/null
  local size; size=$(stat -c %s "$1/fill")
  truncate -s $(( ((size + 4095) / 4096 - $2) * 4096 )) "$1/fill"
}
# run NAME [VAR=value ...]: one worker run on the sample screenshot.
run() {
  local name=$1; shift
  env -u TMPDIR "$@" VESK_VIEWER_RECORD="$name.args" VESK_VIEWER_OUTPUT="$name.txt" \
    $AS_USER "$WORKER" "$SHOT" "$VIEWER" "$VIEWED" --console --wait-timeout=60000 >"$name.out" 2>"$name.err"
  echo $? >"$name.exit"
}
)";

class WorkerDiskTest : public WorkerTest {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root for a private mount namespace";
    if (RunProgram("/usr/bin/unshare", {"unshare", "-m", "true"}, tmp_.path()).exitCode != 0) {
      GTEST_SKIP() << "private mount namespaces are not permitted here";
    }
  }

  // Runs scenario after the prologue, with /tmp a fresh tmpfs of tmpSize when privateTmp.
  void RunScenario(const std::string& scenario, bool privateTmp = true, const std::string& tmpSize = "2m",
                   bool unprivileged = false) {
    std::string script = kPrologue;
    if (privateTmp) script += "mount -t tmpfs -o size=" + tmpSize + " tmpfs /tmp || exit 91\n";
    script += scenario;
    const fs::path scriptPath = tmp_.path() / "scenario.sh";
    WriteFile(scriptPath, script);
    const std::map<std::string, std::string> env{
        {"TEST_DIR", tmp_.path().string()},
        {"WORKER", Worker().string()},
        {"VIEWER", Viewer().string()},
        {"SHOT", (TestDataDir() / "samples" / "dialog.png").string()},
        {"VIEWED", "/srv/docs/doc.pdf"},
        {"AS_USER", unprivileged ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : ""}};
    const ProgramResult result =
        RunProgram("/usr/bin/unshare", {"unshare", "-m", "--propagation", "private", "bash", scriptPath.string()},
                   tmp_.path(), env);
    ASSERT_EQ(result.exitCode, 0) << result.err;
  }

  std::string Exit(const std::string& run) const { return Trimmed(ReadFile(tmp_.path() / (run + ".exit"))); }
  std::string Err(const std::string& run) const { return ReadFile(tmp_.path() / (run + ".err")); }
  bool ViewerStarted(const std::string& run) const { return fs::exists(tmp_.path() / (run + ".args")); }
  // The report the run's viewer showed (empty when it showed none within the time-out).
  std::string Shown(const std::string& run) const {
    return WaitForContent(tmp_.path() / (run + ".txt"), "", std::chrono::seconds(15));
  }
  // The report path the run's viewer was given (the last argument).
  std::string ReportArgument(const std::string& run) const {
    std::string args = Trimmed(ReadFile(tmp_.path() / (run + ".args")));
    return args.substr(args.rfind('\n') + 1);
  }

  static std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
  }
};

constexpr char kDialogLine[] = "Choose how the current page is saved to disk.";

TEST_F(WorkerDiskTest, AFullTemporaryDirectoryFallsBackToTheDefaultOne) {
  RunScenario(R"(mkdir /tmp/full && mount -t tmpfs -o size=64k tmpfs /tmp/full && fill /tmp/full 0
run full TMPDIR=/tmp/full
)");
  EXPECT_EQ(Exit("full"), "0") << Err("full");
  EXPECT_NE(Shown("full").find(kDialogLine), std::string::npos);
  EXPECT_EQ(ReportArgument("full").rfind("/tmp/VeskOCR/", 0), 0u) << ReportArgument("full");
}

TEST_F(WorkerDiskTest, ADiskThatFillsDuringTheRunStillGivesTheViewerAFailureReport) {
  // One page left takes only the prepared failure report; two pages leave room for the run log too, so
  // the run fills the disk while it writes the JSON document.
  for (const int pagesLeft : {1, 2}) {
    SCOPED_TRACE(pagesLeft);
    const std::string run = "left" + std::to_string(pagesLeft);
    RunScenario("fill /tmp " + std::to_string(pagesLeft) + "\nrun " + run + "\n", true, "512k");
    EXPECT_EQ(Exit(run), "6") << Err(run);
    const std::string shown = Shown(run);
    EXPECT_EQ(shown.rfind("OCR Failed:", 0), 0u) << shown;
    EXPECT_NE(shown.find(" output: /tmp/VeskOCR/"), std::string::npos) << shown;  // the JSON's or the report's
  }
}

TEST_F(WorkerDiskTest, NoViewerIsStartedWhenNoFolderCanHoldAReport) {
  // Full from the start, and a first run's report that can no longer be removed once /tmp is read-only:
  // either way there is no folder for this run's report, and the viewer would wait in vain or show the
  // old report as this one's.
  RunScenario("fill /tmp 0\nrun full\n", true, "64k");
  EXPECT_EQ(Exit("full"), "6");
  EXPECT_FALSE(ViewerStarted("full"));
  EXPECT_NE(Err("full").find("no folder can hold a report"), std::string::npos) << Err("full");

  RunScenario("run first\nmount -o remount,ro /tmp\nrun second\n");
  EXPECT_EQ(Exit("first"), "0");
  EXPECT_NE(Shown("first").find(kDialogLine), std::string::npos);
  EXPECT_EQ(Exit("second"), "6");
  EXPECT_FALSE(ViewerStarted("second"));
}

TEST_F(WorkerDiskTest, ASessionFolderWithoutPermissionsGivesWayToThePerUserFolder) {
  RunScenario("run first\nchmod 000 /tmp/VeskOCR\nrun second\n", true, "2m", true);
  EXPECT_EQ(Exit("first"), "0") << Err("first");
  EXPECT_EQ(Exit("second"), "0") << Err("second");
  EXPECT_NE(Shown("second").find(kDialogLine), std::string::npos);
  EXPECT_EQ(ReportArgument("second").rfind("/tmp/VeskOCR-65534/", 0), 0u) << ReportArgument("second");
}

TEST_F(WorkerDiskTest, ARelativeTemporaryDirectoryGivesTheViewerAnAbsolutePath) {
  RunScenario("mkdir -p rel && run relative TMPDIR=rel\n", false);
  EXPECT_EQ(Exit("relative"), "0") << Err("relative");
  const std::string folder = (tmp_.path() / "rel" / "VeskOCR").string() + "/";
  EXPECT_EQ(ReportArgument("relative").rfind(folder, 0), 0u) << ReportArgument("relative");
  EXPECT_NE(Shown("relative").find(kDialogLine), std::string::npos);
}

}  // namespace
}  // namespace vesk::test
