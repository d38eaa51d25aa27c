// The Windows worker as the viewer sees it, run under Wine: the quoted viewer command line, the wide
// command line and paths, the console, the Windows runtime and its DirectML fallback, and pictures of
// every format the imaging component decodes.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "e2e/worker_fixture.h"
#include "imaging/image_decoder.h"
#include "imaging/wic_writer_win32.h"
#include "platform/path.h"
#include "platform/text.h"
#include "session/session_paths.h"
#include "support/known_text.h"
#include "support/run_program_win32.h"

namespace vesk::test {
namespace {

namespace fs = std::filesystem;

// Reads the worker's text report, without barcodes, as a list of lines against the sample's known text.
void ExpectKnownText(const std::string& report, const std::string& sample) {
  const std::vector<std::string> expected = KnownLines(sample);
  const std::vector<std::string> lines = CrlfLines(report);
  ASSERT_EQ(lines.size(), expected.size()) << report;
  for (size_t i = 0; i < lines.size(); ++i) ExpectCloseText(lines[i], expected[i]);
}

TEST_F(WorkerTest, ViewerGetsTheQuotedCommandLineWithSpacesInEveryPath) {
  // Spaces in the temporary directory, the viewer's folder and the viewed file; quotes in its name.
  const fs::path temp = tmp_.path() / "temp dir";
  fs::create_directories(temp);
  const fs::path viewer = tmp_.path() / "Vesk Viewer" / "vesk_viewer_standin.exe";
  fs::create_directories(viewer.parent_path());
  fs::copy_file(Viewer(), viewer);
  const std::u16string viewed = u"C:\\My Docs\\say \"hi\" \u00e4.pdf";

  std::map<std::string, std::string> environment = WorkerEnvironment();
  environment["TMP"] = environment["TEMP"] = temp.string();
  const ProgramResult r = RunProgram(Worker(), {"missing.png", viewer.string(), U8(viewed), "--wait-timeout=1000"},
                                     tmp_.path(), environment);
  EXPECT_EQ(r.exitCode, 2);

  const std::u16string report = JoinPath(JoinPath(temp.u16string(), u"VeskOCR"),
                                         DirectoryDigestPrefix(viewed) + u" - say _hi_ \u00e4.pdf.ocr.txt");
  EXPECT_EQ(WaitForContent(RecordPath().string() + ".cmdline", "--"),
            "\"" + viewer.string() + "\" --wait-file --wait-timeout=5000 -- \"" + U8(report) + "\"");
  const std::vector<std::string> expected{"--wait-file", "--wait-timeout=5000", "--", U8(report)};
  EXPECT_EQ(ViewerArgs(), expected);
  EXPECT_NE(WaitForContent(ViewerOutputPath(), "OCR Failed:\r\nScreenshot image does not exist: missing.png\r\n"), "");
}

// Under Wine attaching to the parent's console always fails, so --console output goes to the handles
// the worker was started with, whether its parent has a console or the worker was detached from it.
TEST_F(WorkerTest, ConsoleOutputGoesToTheGivenHandlesWithOrWithoutAParentConsole) {
  const std::string shot = (tmp_.path() / "missing.png").string();
  const std::u16string commandLine = QuoteArgument(Worker().u16string()) + u" " + QuoteArgument(FromUtf8(shot)) +
                                     u" " + QuoteArgument(Viewer().u16string()) + u" doc.pdf --console";
  for (const DWORD flags : {DWORD{0}, DWORD{DETACHED_PROCESS}}) {
    SCOPED_TRACE(flags);
    const ProgramResult r = RunCommandLine(commandLine, tmp_.path(), WorkerEnvironment(), flags);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "Screenshot image does not exist: " + shot + "\n");
    EXPECT_NE(WaitForContent(ViewerOutputPath(), "OCR Failed:"), "");
  }
}

TEST_F(WorkerTest, CommandLineIsSplitTheWindowsWay) {
  const std::u16string worker = QuoteArgument(Worker().u16string());
  // Quotes may open and close inside an argument; they only group.
  ProgramResult r = RunCommandLine(worker + u" --console \"--ep=g\"pu a b c", tmp_.path(), WorkerEnvironment());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.starts_with("Error: Invalid --ep value: gpu\nUsage: VeskOcrWorker.exe <screenshot>")) << r.err;

  // An unclosed quote runs to the end: one positional argument holding the rest.
  r = RunCommandLine(worker + u" --console \"a b c", tmp_.path(), WorkerEnvironment());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.starts_with("Error: Missing positional arguments")) << r.err;

  // Non-ASCII text survives the splitting and reaches the message intact.
  r = RunCommandLine(worker + u" --console --ep=\u00e9t\u00e9 a b c", tmp_.path(), WorkerEnvironment());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.starts_with("Error: Invalid --ep value: \xc3\xa9t\xc3\xa9\n")) << r.err;
  EXPECT_FALSE(fs::exists(tmp_.path() / "VeskOCR"));
}

TEST_F(PipelineTest, NonAsciiScreenshotAndViewedFileNames) {
  const fs::path folder = tmp_.path() / u8"Ärger € скриншот";
  fs::create_directories(folder);
  const fs::path shot = folder / u8"截图 1.png";
  fs::copy_file(Sample("qr_and_text.png"), shot);
  const fs::path viewed = folder / u8"отчёт.pdf";

  const ProgramResult r =
      Run({shot.string(), Viewer().string(), viewed.string(), "--ep=cpu", "--barcode=0", "--cls=0"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const SessionPaths paths = PathsFor(viewed);
  EXPECT_TRUE(paths.textPath.ends_with(u" - \u043e\u0442\u0447\u0451\u0442.pdf.ocr.txt"));
  ExpectKnownText(ReadFile(NativePath(paths.textPath)), "qr_and_text");
  const std::string json = ReadFile(NativePath(paths.jsonPath));
  std::string escaped;
  for (char c : shot.string()) {
    if (c == '\\') escaped.push_back('\\');
    escaped.push_back(c);
  }
  EXPECT_NE(json.find("\"source_image\": \"" + escaped + "\""), std::string::npos) << json;
}

// The screenshot as the other formats the imaging component reads. GIF holds 256 colours at most, so it
// gets a grey version with an exact grey palette.
TEST_F(PipelineTest, EveryPictureFormatIsReadThroughTheImagingComponent) {
  const Outcome<DecodedImage> decoded = DecodeImage(Sample("dialog.png").u16string());
  ASSERT_TRUE(decoded.ok()) << decoded.status().message();
  const DecodedImage& image = *decoded;
  const auto width = static_cast<uint32_t>(image.width);
  const auto height = static_cast<uint32_t>(image.height);
  std::vector<uint8_t> grey;
  for (size_t i = 0; i < image.pixels.size(); i += 3) {
    grey.push_back(static_cast<uint8_t>((image.pixels[i] * 3 + image.pixels[i + 1] * 6 + image.pixels[i + 2]) / 10));
  }
  std::vector<uint8_t> greyPalette;
  for (int g = 0; g < 256; ++g) greyPalette.insert(greyPalette.end(), 3, static_cast<uint8_t>(g));

  const Frame colour{Layout::Rgb, image.pixels, {}};
  WritePicture(tmp_.path() / "shot.jpg", Container::Jpeg, width, height, {colour});
  WritePicture(tmp_.path() / "shot.bmp", Container::Bmp, width, height, {colour});
  WritePicture(tmp_.path() / "shot.tif", Container::Tiff, width, height, {colour});
  WritePicture(tmp_.path() / "shot.gif", Container::Gif, width, height, {Frame{Layout::Indexed, grey, greyPalette}});
  for (const char* name : {"shot.jpg", "shot.bmp", "shot.tif", "shot.gif"}) {
    SCOPED_TRACE(name);
    const ProgramResult r = RunOn(tmp_.path() / name, {"--ep=cpu", "--barcode=0", "--cls=0"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ExpectKnownText(ReadFile(NativePath(Paths().textPath)), "dialog");
    EXPECT_NE(ReadFile(NativePath(Paths().jsonPath)).find("\"width\": 900, \"height\": 600"), std::string::npos);
  }
}

// DirectML cannot run under Wine: appending the provider fails, Auto takes the CPU with a note naming the
// failure, and Dml ends the run. On a machine where DirectML works, Auto and Dml run on it.
TEST_F(PipelineTest, AutoFallsBackToTheCpuWithItsNoteWhenDirectMlFails) {
  ProgramResult r = RunOn(Sample("blank.png"));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  if (r.out.find(" ms, EP=dml\n") == std::string::npos) {
    EXPECT_NE(r.out.find(" ms, EP=cpu (Fallback: DML det session init failed: DML provider init failed: "),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("; Det and Rec run on CPU)\n"), std::string::npos) << r.out;
    EXPECT_NE(ReadFile(NativePath(Paths().jsonPath)).find("\"fallback\": true\n"), std::string::npos);

    r = RunOn(Sample("blank.png"), {"--ep=dml"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.starts_with("Model initialization failed:\nDML det init failed: DML provider init failed: "))
        << r.err;
  }
}

TEST_F(PipelineTest, MissingRuntimeNamesTheWin32ErrorCode) {
  const fs::path worker = InstallWorkerCopy({});
  const ProgramResult r = RunOn(Sample("blank.png"), {}, worker);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err, "ONNX Runtime DLL initialization failed: Failed to load onnxruntime.dll from " +
                       (worker.parent_path() / "backend" / "onnxruntime.dll").string() + " (Win32 error: 126)\n");
}

}  // namespace
}  // namespace vesk::test
