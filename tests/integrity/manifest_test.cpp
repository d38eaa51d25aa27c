#include "integrity/manifest.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
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

// A models folder holding the four files with known digests; each test writes its own manifest.
class VerifyModelsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_.path() / "PP-OCRv5_server_det.onnx", "det model");
    WriteFile(dir_.path() / "PP-OCRv5_server_rec.onnx", "rec model");
    WriteFile(dir_.path() / "PP-LCNet_x1_0_textline_ori.onnx", "cls model");
    WriteFile(dir_.path() / "ppocrv5_dict.txt", "dictionary");
  }

  void WriteManifest(const std::string& content) { WriteFile(dir_.path() / "SHA256SUMS", content); }

  std::string AllFourEntries() const {
    return kDetDigest + "  PP-OCRv5_server_det.onnx\n" + kRecDigest + "  PP-OCRv5_server_rec.onnx\n" + kClsDigest +
           "  PP-LCNet_x1_0_textline_ori.onnx\n" + kDictDigest + "  ppocrv5_dict.txt\n";
  }

  bool Verify() { return VerifyModels(dir_.u16(), kModelFiles, report_); }

  ScopedTempDir dir_;
  std::string report_;
};

const std::string kAllOk =
    "Model hash ok: pp-ocrv5_server_det.onnx\n"
    "Model hash ok: pp-ocrv5_server_rec.onnx\n"
    "Model hash ok: pp-lcnet_x1_0_textline_ori.onnx\n"
    "Model hash ok: ppocrv5_dict.txt\n";

TEST_F(VerifyModelsTest, AllFilesMatchTheirEntries) {
  WriteManifest(AllFourEntries());
  EXPECT_TRUE(Verify());
  EXPECT_EQ(report_, kAllOk);
}

TEST_F(VerifyModelsTest, NoManifestLeavesEveryFileUnpinnedAndPasses) {
  EXPECT_TRUE(Verify());
  EXPECT_EQ(report_,
            "SHA256SUMS not readable; model hashes can not be verified\n"
            "Unpinned model (no SHA256SUMS entry): pp-ocrv5_server_det.onnx\n"
            "Unpinned model (no SHA256SUMS entry): pp-ocrv5_server_rec.onnx\n"
            "Unpinned model (no SHA256SUMS entry): pp-lcnet_x1_0_textline_ori.onnx\n"
            "Unpinned model (no SHA256SUMS entry): ppocrv5_dict.txt\n");
}

TEST_F(VerifyModelsTest, ManifestThatCannotBeReadCountsAsMissing) {
  std::filesystem::create_directory(dir_.path() / "SHA256SUMS");
  EXPECT_TRUE(Verify());
  EXPECT_EQ(report_.rfind("SHA256SUMS not readable; model hashes can not be verified\n", 0), 0u) << report_;
}

TEST_F(VerifyModelsTest, ReportIsAppendedToWhatTheCallerHas) {
  WriteManifest(AllFourEntries());
  report_ = "earlier\n";
  EXPECT_TRUE(Verify());
  EXPECT_EQ(report_, "earlier\n" + kAllOk);
}

// Letter case of digests and names, the binary marker, CRLF endings, comments and blank lines.
TEST_F(VerifyModelsTest, ManifestLineVariantsAllMatch) {
  std::string upperDet = kDetDigest;
  for (char& c : upperDet) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  WriteManifest("# pinned model files\r\n"
                "\r\n" +
                upperDet + "  PP-OCRv5_Server_Det.onnx\r\n" + kRecDigest + " *PP-OCRv5_server_rec.onnx\r\n" +
                "\t " + kClsDigest + "\tPP-LCNet_x1_0_textline_ori.onnx  extra tokens\r\n" + kDictDigest +
                " ppocrv5_dict.txt");  // last line without a line feed
  EXPECT_TRUE(Verify());
  EXPECT_EQ(report_, kAllOk);
}

// What that tool writes when it is given the files as ./name.
TEST_F(VerifyModelsTest, NamesWrittenWithALeadingDotSlashMatch) {
  WriteManifest(kDetDigest + "  ./PP-OCRv5_server_det.onnx\n" + kRecDigest + " *./PP-OCRv5_server_rec.onnx\n" +
                kClsDigest + "  ././PP-LCNet_x1_0_textline_ori.onnx\n" + kDictDigest + "  ./ppocrv5_dict.txt\n");
  EXPECT_TRUE(Verify());
  EXPECT_EQ(report_, kAllOk);
}

TEST_F(VerifyModelsTest, DigestsOfWrongLengthAreIgnored) {
  WriteManifest(kDetDigest.substr(0, 63) + "  PP-OCRv5_server_det.onnx\n" + kRecDigest + "0  PP-OCRv5_server_rec.onnx\n");
  EXPECT_TRUE(Verify());
  EXPECT_EQ(report_,
            "Unpinned model (no SHA256SUMS entry): pp-ocrv5_server_det.onnx\n"
            "Unpinned model (no SHA256SUMS entry): pp-ocrv5_server_rec.onnx\n"
            "Unpinned model (no SHA256SUMS entry): pp-lcnet_x1_0_textline_ori.onnx\n"
            "Unpinned model (no SHA256SUMS entry): ppocrv5_dict.txt\n");
}

TEST_F(VerifyModelsTest, ByteOrderMarkSpoilsOnlyTheFirstLine) {
  WriteManifest("\xEF\xBB\xBF" + AllFourEntries());
  EXPECT_TRUE(Verify());
  EXPECT_EQ(report_,
            "Unpinned model (no SHA256SUMS entry): pp-ocrv5_server_det.onnx\n"
            "Model hash ok: pp-ocrv5_server_rec.onnx\n"
            "Model hash ok: pp-lcnet_x1_0_textline_ori.onnx\n"
            "Model hash ok: ppocrv5_dict.txt\n");
}

TEST_F(VerifyModelsTest, LaterEntryForTheSameFileWins) {
  WriteManifest(AllFourEntries() + kRecDigest + "  pp-ocrv5_server_det.onnx\n");
  EXPECT_FALSE(Verify());
  WriteManifest(kRecDigest + "  PP-OCRv5_server_det.onnx\n" + AllFourEntries());
  report_.clear();
  EXPECT_TRUE(Verify());
}

TEST_F(VerifyModelsTest, MismatchStopsTheCheckAtOnce) {
  WriteManifest(kRecDigest + "  PP-OCRv5_server_det.onnx\n" + AllFourEntries().substr(AllFourEntries().find('\n') + 1));
  EXPECT_FALSE(Verify());
  EXPECT_EQ(report_,
            "Model hash mismatch: pp-ocrv5_server_det.onnx\n"
            "  expected " + kRecDigest + "\n"
            "  actual   " + kDetDigest + "\n");
}

TEST_F(VerifyModelsTest, ListedButMissingFileFailsAsUnreadable) {
  WriteManifest(AllFourEntries());
  std::filesystem::remove(dir_.path() / "ppocrv5_dict.txt");
  EXPECT_FALSE(Verify());
  EXPECT_EQ(report_,
            "Model hash ok: pp-ocrv5_server_det.onnx\n"
            "Model hash ok: pp-ocrv5_server_rec.onnx\n"
            "Model hash ok: pp-lcnet_x1_0_textline_ori.onnx\n"
            "Model hash check failed (unreadable file): ppocrv5_dict.txt\n");
}

TEST_F(VerifyModelsTest, UnlistedMissingFileIsOnlyUnpinned) {
  WriteManifest(kDetDigest + "  PP-OCRv5_server_det.onnx\n");
  std::filesystem::remove(dir_.path() / "ppocrv5_dict.txt");
  EXPECT_TRUE(Verify());
  EXPECT_NE(report_.find("Unpinned model (no SHA256SUMS entry): ppocrv5_dict.txt\n"), std::string::npos);
}

// An entry with a folder part names some other file, never the one beside the manifest.
TEST_F(VerifyModelsTest, NameWithFolderPartDoesNotMatch) {
  WriteManifest(kDetDigest + "  sub/PP-OCRv5_server_det.onnx\n");
  EXPECT_TRUE(Verify());
  EXPECT_EQ(report_.rfind("Unpinned model (no SHA256SUMS entry): pp-ocrv5_server_det.onnx\n", 0), 0u) << report_;
}

TEST(ReadSha256SumsTest, FillsLowerCasedEntriesAndSkipsNonEntries) {
  ScopedTempDir dir;
  const std::string digest(64, 'A');
  WriteFile(dir.path() / "SHA256SUMS", "#" + digest + "  commented.onnx\n" + digest + "\n" + digest + " *\n" +
                                           digest + " * spaced.onnx\n" + digest + "  Model.ONNX\n");
  std::map<std::string, std::string> entries = {{"stale", "value"}};
  ASSERT_TRUE(ReadSha256Sums(FromUtf8((dir.path() / "SHA256SUMS").string()), entries));
  // "* spaced.onnx" splits into the tokens "*" and "spaced.onnx"; the name "*" strips to nothing.
  EXPECT_EQ(entries, (std::map<std::string, std::string>{{"model.onnx", std::string(64, 'a')}}));
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
    std::map<std::string, std::string> entries;
    ASSERT_TRUE(ReadSha256Sums(FromUtf8((dir.path() / "SHA256SUMS").string()), entries));
    EXPECT_EQ(entries, (std::map<std::string, std::string>{{"model.onnx", digest}, {"last.onnx", digest}}));
  }
}

TEST(ReadSha256SumsTest, MissingFileGivesFalseAndAnEmptyMap) {
  ScopedTempDir dir;
  std::map<std::string, std::string> entries = {{"stale", "value"}};
  EXPECT_FALSE(ReadSha256Sums(FromUtf8((dir.path() / "SHA256SUMS").string()), entries));
  EXPECT_TRUE(entries.empty());
}

}  // namespace
}  // namespace vesk
