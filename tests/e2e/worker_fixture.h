#pragma once
// Runs the built worker as a process in a private temporary folder, with the stand-in viewer.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/text.h"
#include "session/session_paths.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace vesk::test {

// A session path or a wide message as UTF-8.
inline std::string U8(const std::u16string& s) { return ToUtf8(s); }

// The lines of a text whose every line ends in "\r\n" (a report, a run log), without their ends.
std::vector<std::string> CrlfLines(const std::string& text);

class WorkerTest : public ::testing::Test {
 protected:
  std::filesystem::path Worker() const { return Program("VeskOcrWorker"); }
  std::filesystem::path Viewer() const { return Program("vesk_viewer_standin"); }
  // Where the stand-in viewer of the latest run records its arguments and shows the report.
  std::filesystem::path RecordPath() const;
  std::filesystem::path ViewerOutputPath() const;

  // The environment of a new worker run: its stand-in viewer records its arguments to RecordPath() and
  // shows the report in ViewerOutputPath() (files of this run's own); the session folder lies in the
  // test's temporary folder.
  std::map<std::string, std::string> WorkerEnvironment();

  // Runs the worker in WorkerEnvironment().
  ProgramResult Run(const std::vector<std::string>& args, const std::filesystem::path& worker = {});
  // The same, without waiting for the worker to end (see FinishProgram).
  StartedProgram Start(const std::vector<std::string>& args);

  // Waits until every viewer that the test's runs started has shown its report, before the folder it
  // waits in is removed: a viewer left waiting would outlive the test by its whole time-out (and under
  // Wine hold the test's output open that long).
  void TearDown() override;

  // The session files of a viewed file, as the worker names them.
  SessionPaths PathsFor(const std::filesystem::path& viewedFile) const;

  // Whether text holds line as one whole line of its own.
  static bool HasLine(const std::string& text, const std::string& line);

  // Waits until path exists and its content contains needle; returns the content (empty on time-out).
  static std::string WaitForContent(const std::filesystem::path& path, const std::string& needle,
                                    std::chrono::milliseconds timeout = std::chrono::seconds(20));

  // A copy of the worker in a folder of its own, with models/ copied (so a test may spoil them) and
  // backend/ copied from backendSource unless that is empty. Returns the copied worker's path.
  std::filesystem::path InstallWorkerCopy(const std::filesystem::path& backendSource) const;

  // The viewer's recorded arguments, one per element, once it has started.
  std::vector<std::string> ViewerArgs() const;

  ScopedTempDir tmp_;

 private:
  struct ViewerFiles {
    std::filesystem::path record;
    std::filesystem::path output;
    bool launched = false;  // the run's exit code shows that a viewer was started
  };
  std::vector<ViewerFiles> viewers_;
};

// Whole runs on the sample screenshots, for the viewed file doc.pdf in the temporary folder.
class PipelineTest : public WorkerTest {
 protected:
  std::filesystem::path Sample(const std::string& name) const { return TestDataDir() / "samples" / name; }
  std::filesystem::path Viewed() const { return tmp_.path() / "doc.pdf"; }
  SessionPaths Paths() const { return PathsFor(Viewed()); }

  // Runs the worker with --console on a screenshot, extra options after the positional arguments.
  ProgramResult RunOn(const std::filesystem::path& shot, std::vector<std::string> extra = {},
                      const std::filesystem::path& worker = {}) {
    std::vector<std::string> args{shot.string(), Viewer().string(), Viewed().string(), "--console"};
    args.insert(args.end(), extra.begin(), extra.end());
    return Run(args, worker);
  }
};

}  // namespace vesk::test
