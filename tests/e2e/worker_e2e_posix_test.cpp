// The worker on POSIX: a temporary directory shared between users, and a runtime without DirectML.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e/worker_fixture.h"
#include "platform/text.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;

std::string U8(const std::u16string& s) { return ToUtf8(s); }

TEST_F(WorkerTest, PlantedSessionFolderSymlinkDoesNotRedirectTheReport) {
  const fs::path elsewhere = tmp_.path() / "elsewhere";
  fs::create_directory(elsewhere);
  fs::create_directory_symlink(elsewhere, tmp_.path() / "VeskOCR");

  const fs::path viewed = tmp_.path() / "doc.pdf";
  const ProgramResult r = Run({(tmp_.path() / "missing.png").string(), Viewer().string(), viewed.string()});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(fs::is_empty(elsewhere));

  // The viewer was pointed at a report in a private folder of the worker's own, and the report is there.
  const std::vector<std::string> args = ViewerArgs();
  ASSERT_EQ(args.size(), 4u);
  const fs::path report = args[3];
  EXPECT_NE(fs::canonical(report.parent_path()), fs::canonical(elsewhere));
  EXPECT_EQ(fs::status(report.parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_NE(WaitForContent(report, "OCR Failed:\r\n"), "");
}

// This platform's runtime has no DirectML provider at all.
TEST_F(PipelineTest, AutoFallsBackToTheCpuWithANoteAndDmlFails) {
  ProgramResult r = RunOn(Sample("blank.png"));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find(" ms, EP=cpu (Fallback: DML det session init failed: DirectML provider symbol not present "
                       "in onnxruntime.dll; Det and Rec run on CPU)\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(ReadFile(U8(Paths().jsonPath)).find("\"fallback\": true\n"), std::string::npos);

  r = RunOn(Sample("blank.png"), {"--ep=dml"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err,
            "Model initialization failed:\nDML det init failed: DirectML provider symbol not present in "
            "onnxruntime.dll\n\n\n");

  r = RunOn(Sample("blank.png"), {"--force-dml-fail=init"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("(Fallback: DML det session init failed: Fault injection: force_dml_fail_init simulated; Det "
                       "and Rec run on CPU)"),
            std::string::npos)
      << r.out;
}

}  // namespace
}  // namespace vesk::test
