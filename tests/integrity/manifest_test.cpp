#include "integrity/manifest.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using test::ScopedTempDir;
using test::WriteFile;

const std::string kDetDigest = "ec90c0be26807642797ef25fea92846dfab2fd8d407a25862c962cafadab602d";
const std::string kRecDigest = "c57252896767def1d2ce1826551c67ba556e6a4c485863704e7bca1d2c90b8a3";
const std::string kClsDigest = "c1bee41f2f351ae716c788ae88b0a8de748d8e5f4be8a7585ac05aef82091852";
const std::string kDictDigest = "177ca70f42def1238e36da329473263ed3feadd14094c079a2230be0193436f5";

const std::vector<std::u16string> kModelFiles = {u"PP-OCRv5_server_det.onnx", u"PP-OCRv5_server_rec.onnx",
                                                 u"PP-LCNet_x1_0_textline_ori.onnx", u"ppocrv5_dict.txt"};

const std::string kAllFourEntries = kDetDigest + "  PP-OCRv5_server_det.onnx\n" + kRecDigest +
                                    "  PP-OCRv5_server_rec.onnx\n" + kClsDigest +
                                    "  PP-LCNet_x1_0_textline_ori.onnx\n" + kDictDigest + "  ppocrv5_dict.txt\n";

const std::string kAllOk =
    "Model hash ok: pp-ocrv5_server_det.onnx\n"
    "Model hash ok: pp-ocrv5_server_rec.onnx\n"
    "Model hash ok: pp-lcnet_x1_0_textline_ori.onnx\n"
    "Model hash ok: ppocrv5_dict.txt\n";

const std::string kAllUnpinned =
    "Unpinned model (no SHA256SUMS entry): pp-ocrv5_server_det.onnx\n"
    "Unpinned model (no SHA256SUMS entry): pp-ocrv5_server_rec.onnx\n"
    "Unpinned model (no SHA256SUMS entry): pp-lcnet_x1_0_textline_ori.onnx\n"
    "Unpinned model (no SHA256SUMS entry): ppocrv5_dict.txt\n";

const std::string kNotReadable = "SHA256SUMS not readable; model hashes can not be verified\n";

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// A models folder holding the four files with known digests, the manifest, and what the check found.
struct CheckCase {
  const char* name;
  std::optional<std::string> manifest;  // none: no SHA256SUMS at all
  bool dictionaryMissing;
  bool passed;
  std::string report;
};

const std::vector<CheckCase> kCases = {
    {"all files match their entries", kAllFourEntries, false, true, kAllOk},
    {"no manifest leaves every file unpinned", std::nullopt, false, true, kNotReadable + kAllUnpinned},
    // Letter case of digests and names, the binary marker, CRLF endings, comments, blank lines, extra
    // tokens and a last line without a line feed.
    {"line variants all match",
     "# pinned model files\r\n\r\n" + UpperCase(kDetDigest) + "  PP-OCRv5_Server_Det.onnx\r\n" + kRecDigest +
         " *PP-OCRv5_server_rec.onnx\r\n\t " + kClsDigest + "\tPP-LCNet_x1_0_textline_ori.onnx  extra tokens\r\n" +
         kDictDigest + " ppocrv5_dict.txt",
     false, true, kAllOk},
    // What that tool writes when it is given the files as ./name.
    {"names with a leading ./ match",
     kDetDigest + "  ./PP-OCRv5_server_det.onnx\n" + kRecDigest + " *./PP-OCRv5_server_rec.onnx\n" + kClsDigest +
         "  ././PP-LCNet_x1_0_textline_ori.onnx\n" + kDictDigest + "  ./ppocrv5_dict.txt\n",
     false, true, kAllOk},
    {"digests of a wrong length are no entries",
     kDetDigest.substr(0, 63) + "  PP-OCRv5_server_det.onnx\n" + kRecDigest + "0  PP-OCRv5_server_rec.onnx\n", false,
     true, kAllUnpinned},
    {"a byte order mark spoils the first line only", "\xEF\xBB\xBF" + kAllFourEntries, false, true,
     "Unpinned model (no SHA256SUMS entry): pp-ocrv5_server_det.onnx\n" + kAllOk.substr(kAllOk.find('\n') + 1)},
    // An entry with a folder part names some other file, never the one beside the manifest.
    {"a name with a folder part does not match", kDetDigest + "  sub/PP-OCRv5_server_det.onnx\n", false, true,
     kAllUnpinned},
    {"a later wrong entry wins", kAllFourEntries + kRecDigest + "  pp-ocrv5_server_det.onnx\n", false, false,
     "Model hash mismatch: pp-ocrv5_server_det.onnx\n  expected " + kRecDigest + "\n  actual   " + kDetDigest + "\n"},
    {"a later right entry wins", kRecDigest + "  PP-OCRv5_server_det.onnx\n" + kAllFourEntries, false, true, kAllOk},
    {"a listed file that is missing is unreadable", kAllFourEntries, true, false,
     kAllOk.substr(0, kAllOk.rfind("Model hash ok")) + "Model hash check failed (unreadable file): ppocrv5_dict.txt\n"},
    {"an unlisted file that is missing is only unpinned", kDetDigest + "  PP-OCRv5_server_det.onnx\n", true, true,
     "Model hash ok: pp-ocrv5_server_det.onnx\n" + kAllUnpinned.substr(kAllUnpinned.find('\n') + 1)},
};

TEST(VerifyModelsTest, ReportAndVerdictFollowTheManifest) {
  for (const CheckCase& c : kCases) {
    SCOPED_TRACE(c.name);
    ScopedTempDir dir;
    WriteFile(dir.path() / "PP-OCRv5_server_det.onnx", "det model");
    WriteFile(dir.path() / "PP-OCRv5_server_rec.onnx", "rec model");
    WriteFile(dir.path() / "PP-LCNet_x1_0_textline_ori.onnx", "cls model");
    if (!c.dictionaryMissing) WriteFile(dir.path() / "ppocrv5_dict.txt", "dictionary");
    if (c.manifest) WriteFile(dir.path() / "SHA256SUMS", *c.manifest);
    const ModelCheck check = VerifyModels(dir.u16(), kModelFiles);
    EXPECT_EQ(check.passed, c.passed);
    EXPECT_EQ(check.report, c.report);
  }
}

TEST(VerifyModelsTest, ManifestThatCannotBeReadCountsAsMissing) {
  ScopedTempDir dir;
  std::filesystem::create_directory(dir.path() / "SHA256SUMS");
  const ModelCheck check = VerifyModels(dir.u16(), kModelFiles);
  EXPECT_TRUE(check.passed);
  EXPECT_EQ(check.report, kNotReadable + kAllUnpinned);
}

std::optional<ManifestEntries> ReadManifestIn(const ScopedTempDir& dir) {
  return ReadSha256Sums(FromUtf8((dir.path() / "SHA256SUMS").string()));
}

TEST(ReadSha256SumsTest, FillsLowerCasedEntriesAndSkipsNonEntries) {
  ScopedTempDir dir;
  const std::string digest(64, 'A');
  WriteFile(dir.path() / "SHA256SUMS", "#" + digest + "  commented.onnx\n" + digest + "\n" + digest + " *\n" +
                                           digest + " * spaced.onnx\n" + digest + "  Model.ONNX\n");
  // "* spaced.onnx" splits into the tokens "*" and "spaced.onnx"; the name "*" strips to nothing.
  EXPECT_EQ(ReadManifestIn(dir), (ManifestEntries{{"model.onnx", std::string(64, 'a')}}));
}

// The manifest is read in bounded pieces: entries that straddle a piece boundary read as any other, and a
// line far longer than any entry is skipped (never held whole) without disturbing the lines around it.
TEST(ReadSha256SumsTest, LongFilesAndOverlongLinesAreReadInBoundedPieces) {
  ScopedTempDir dir;
  const std::string digest(64, 'a');
  const std::string entry = digest + "  model.onnx\n";
  for (size_t shift = 0; shift <= entry.size(); shift += 7) {
    SCOPED_TRACE(shift);
    // Comment lines up to just before 64 KiB, so that the entry crosses that boundary at `shift`.
    std::string content;
    const size_t target = 64 * 1024 - shift;
    while (content.size() + 200 < target) content += "#" + std::string(98, '-') + "\n";
    content += "#" + std::string(target - content.size() - 2, '-') + "\n";
    content += entry;
    content += std::string(300 * 1024, 'x') + "\n";  // one line over several pieces
    content += std::string(200 * 1024, ' ') + digest + "  late.onnx\n";
    content += digest + "  last.onnx";
    WriteFile(dir.path() / "SHA256SUMS", content);
    EXPECT_EQ(ReadManifestIn(dir), (ManifestEntries{{"model.onnx", digest}, {"last.onnx", digest}}));
  }
}

TEST(ReadSha256SumsTest, MissingFileGivesNoEntries) {
  ScopedTempDir dir;
  EXPECT_EQ(ReadManifestIn(dir), std::nullopt);
}

}  // namespace
}  // namespace vesk
