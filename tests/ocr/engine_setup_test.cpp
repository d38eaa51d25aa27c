#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ocr/bundled_engine.h"
#include "ocr/ocr_engine.h"
#include "platform/text.h"
#include "runtime/ort_manager.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using test::ScopedTempDir;
using test::WriteFile;

std::u16string U16(const std::filesystem::path& path) { return FromUtf8(path.string()); }

std::string Lines(size_t count, const char* ending) {
  std::string text;
  for (size_t i = 0; i < count; ++i) text += "c" + std::to_string(i) + ending;
  return text;
}

TEST(LoadDictionaryTest, AcceptsFromEighteenThousandLinesAndFramesThem) {
  ScopedTempDir dir;
  WriteFile(dir.path() / "short.txt", Lines(17999, "\n"));
  WriteFile(dir.path() / "enough.txt", Lines(18000, "\n"));
  OcrEngine engine;
  EXPECT_FALSE(engine.LoadDictionary(U16(dir.path() / "short.txt")));
  ASSERT_TRUE(engine.LoadDictionary(U16(dir.path() / "enough.txt")));
  ASSERT_EQ(engine.dictionary.size(), 18002u);
  EXPECT_EQ(engine.dictionary.front(), "");
  EXPECT_EQ(engine.dictionary[1], "c0");
  EXPECT_EQ(engine.dictionary[18000], "c17999");
  EXPECT_EQ(engine.dictionary.back(), " ");
}

TEST(LoadDictionaryTest, LineEndsAndBlankLines) {
  ScopedTempDir dir;
  const std::string tail = Lines(18000, "\n");
  WriteFile(dir.path() / "lf.txt", "a\n\n b \n" + tail);
  WriteFile(dir.path() / "crlf.txt", "a\r\n\r\n b \r\n" + Lines(18000, "\r\n"));
  OcrEngine lf;
  OcrEngine crlf;
  ASSERT_TRUE(lf.LoadDictionary(U16(dir.path() / "lf.txt")));
  ASSERT_TRUE(crlf.LoadDictionary(U16(dir.path() / "crlf.txt")));
  EXPECT_EQ(lf.dictionary, crlf.dictionary);
  // A blank line in the middle is an entry of its own; spaces around a text are kept.
  EXPECT_EQ(lf.dictionary[1], "a");
  EXPECT_EQ(lf.dictionary[2], "");
  EXPECT_EQ(lf.dictionary[3], " b ");
  EXPECT_EQ(lf.dictionary[4], "c0");

  // Only one "\r" is a line end; a last line without "\n" still counts.
  WriteFile(dir.path() / "odd.txt", "x\r\r\n" + tail + "last");
  OcrEngine odd;
  ASSERT_TRUE(odd.LoadDictionary(U16(dir.path() / "odd.txt")));
  EXPECT_EQ(odd.dictionary[1], "x\r");
  EXPECT_EQ(odd.dictionary[odd.dictionary.size() - 2], "last");
  EXPECT_EQ(odd.dictionary.size(), 18004u);
}

TEST(LoadDictionaryTest, MissingFileLeavesOnlyTheBlankEntry) {
  ScopedTempDir dir;
  OcrEngine engine;
  EXPECT_FALSE(engine.LoadDictionary(U16(dir.path() / "absent.txt")));
  EXPECT_EQ(engine.dictionary, std::vector<std::string>{""});
}

// Set-up against the real library and models beside the test program.
class EngineSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(test::LoadBundledRuntime());
    paths_ = test::BundledModelPaths();
    // The set-up is examined as with a library that has no DirectML provider; tests that need one
    // put a stand-in in its place.
    savedAppendDml_ = OrtManager::Instance().appendDml;
    OrtManager::Instance().appendDml = nullptr;
  }
  void TearDown() override { OrtManager::Instance().appendDml = savedAppendDml_; }

  std::u16string Corrupt(const char* name) {
    WriteFile(dir_.path() / name, "not a model");
    return U16(dir_.path() / name);
  }

  ScopedTempDir dir_;
  ModelPaths paths_;
  OcrEngine engine_;
  std::string log_;
  AppendDmlFunction savedAppendDml_ = nullptr;
};

TEST_F(EngineSetupTest, CpuBuildsAllThreeSessionsAndIgnoresTheSimulation) {
  ASSERT_TRUE(engine_.Initialize(paths_, ExecutionProvider::Cpu, log_, true)) << log_;
  EXPECT_EQ(log_, "");
  EXPECT_FALSE(engine_.useDml);
  EXPECT_EQ(engine_.fallbackNote, "");
  EXPECT_TRUE(engine_.det.loaded());
  EXPECT_TRUE(engine_.cls.loaded());
  EXPECT_TRUE(engine_.rec.loaded());
  EXPECT_EQ(engine_.dictionary.size(), 18002u);
  EXPECT_EQ(engine_.paths.rec, paths_.rec);
  EXPECT_EQ(engine_.ep, ExecutionProvider::Cpu);
}

// Without the DirectML provider, Auto always takes the detection fallback.
TEST_F(EngineSetupTest, AutoFallsBackToTheCpuWithoutTheProvider) {
  ASSERT_TRUE(engine_.Initialize(paths_, ExecutionProvider::Auto, log_, false)) << log_;
  EXPECT_EQ(log_,
            "DML det init failed: DirectML provider symbol not present in onnxruntime.dll\n\n"
            "Falling back to CPU session for Det\n");
  EXPECT_EQ(engine_.fallbackNote,
            "DML det session init failed: DirectML provider symbol not present in onnxruntime.dll; Det and Rec run "
            "on CPU");
  EXPECT_FALSE(engine_.useDml);
  EXPECT_TRUE(engine_.det.loaded());
  EXPECT_TRUE(engine_.cls.loaded());
  EXPECT_TRUE(engine_.rec.loaded());
}

TEST_F(EngineSetupTest, AutoWithSimulatedFailureNamesTheFaultInjection) {
  ASSERT_TRUE(engine_.Initialize(paths_, ExecutionProvider::Auto, log_, true)) << log_;
  EXPECT_EQ(log_,
            "DML det init failed: Fault injection: force_dml_fail_init simulated\n\n"
            "Falling back to CPU session for Det\n");
  EXPECT_EQ(engine_.fallbackNote,
            "DML det session init failed: Fault injection: force_dml_fail_init simulated; Det and Rec run on CPU");
  EXPECT_FALSE(engine_.useDml);
  EXPECT_TRUE(engine_.rec.loaded());
}

TEST_F(EngineSetupTest, DmlHasNoFallback) {
  EXPECT_FALSE(engine_.Initialize(paths_, ExecutionProvider::Dml, log_, false));
  EXPECT_EQ(log_, "DML det init failed: DirectML provider symbol not present in onnxruntime.dll\n\n");
  EXPECT_FALSE(engine_.det.loaded());
  EXPECT_FALSE(engine_.rec.loaded());

  OcrEngine simulated;
  std::string log;
  EXPECT_FALSE(simulated.Initialize(paths_, ExecutionProvider::Dml, log, true));
  EXPECT_EQ(log, "DML det init failed: Fault injection: force_dml_fail_init simulated\n\n");
}

TEST_F(EngineSetupTest, DictionaryIsCheckedBeforeTheModels) {
  paths_.dict = U16(dir_.path() / "absent.txt");
  paths_.det = U16(dir_.path() / "absent.onnx");
  EXPECT_FALSE(engine_.Initialize(paths_, ExecutionProvider::Cpu, log_, false));
  EXPECT_EQ(log_,
            "Dictionary missing, unreadable, or truncated (expected the PP-OCRv5 18,383-entry list, need at least "
            "18000 entries): " +
                (dir_.path() / "absent.txt").string());
}

TEST_F(EngineSetupTest, MissingModelsAreNamedInDetRecClsOrder) {
  log_ = "replaced";
  paths_.rec = U16(dir_.path() / "rec.onnx");
  paths_.cls = U16(dir_.path() / "cls.onnx");
  EXPECT_FALSE(engine_.Initialize(paths_, ExecutionProvider::Cpu, log_, false));
  EXPECT_EQ(log_, "Model file not found: " + (dir_.path() / "rec.onnx").string());

  // A folder is no model, and the orientation model is required too.
  std::filesystem::create_directory(dir_.path() / "cls.onnx");
  ModelPaths onlyClsMissing = paths_;
  onlyClsMissing.rec = paths_.det;
  OcrEngine engine;
  std::string log;
  EXPECT_FALSE(engine.Initialize(onlyClsMissing, ExecutionProvider::Cpu, log, false));
  EXPECT_EQ(log, "Model file not found: " + (dir_.path() / "cls.onnx").string());
}

TEST_F(EngineSetupTest, CorruptOrientationModelLeavesOrientationOut) {
  paths_.cls = Corrupt("cls.onnx");
  ASSERT_TRUE(engine_.Initialize(paths_, ExecutionProvider::Cpu, log_, false)) << log_;
  EXPECT_EQ(log_, "");
  EXPECT_FALSE(engine_.cls.loaded());
  EXPECT_TRUE(engine_.det.loaded());
  EXPECT_TRUE(engine_.rec.loaded());
}

// A run that will not classify orientation skips the session, but still needs the file.
TEST_F(EngineSetupTest, WithoutOrientationTheSessionIsNotMadeButTheFileIsChecked) {
  ASSERT_TRUE(engine_.Initialize(paths_, ExecutionProvider::Cpu, log_, false, false)) << log_;
  EXPECT_FALSE(engine_.cls.loaded());
  EXPECT_TRUE(engine_.det.loaded());
  EXPECT_TRUE(engine_.rec.loaded());

  OcrEngine missing;
  ModelPaths noCls = paths_;
  noCls.cls = U16(dir_.path() / "absent.onnx");
  std::string log;
  EXPECT_FALSE(missing.Initialize(noCls, ExecutionProvider::Cpu, log, false, false));
  EXPECT_EQ(log, "Model file not found: " + (dir_.path() / "absent.onnx").string());
}

TEST_F(EngineSetupTest, CorruptDetectionOrRecognitionModelFailsWithTheRuntimeReason) {
  paths_.det = Corrupt("det.onnx");
  EXPECT_FALSE(engine_.Initialize(paths_, ExecutionProvider::Cpu, log_, false));
  EXPECT_NE(log_.find("det.onnx"), std::string::npos) << log_;
  EXPECT_EQ(log_.back(), '\n');
  EXPECT_FALSE(engine_.rec.loaded());

  ModelPaths badRec = paths_;
  badRec.det = U16(test::BinDir() / "models" / "PP-OCRv5_server_det.onnx");
  badRec.rec = Corrupt("rec.onnx");
  OcrEngine engine;
  std::string log;
  EXPECT_FALSE(engine.Initialize(badRec, ExecutionProvider::Auto, log, true));
  EXPECT_EQ(log.rfind("DML det init failed: Fault injection: force_dml_fail_init simulated\n\n"
                      "Falling back to CPU session for Det\n",
                      0),
            0u)
      << log;
  EXPECT_NE(log.find("rec.onnx"), std::string::npos) << log;
}

// A stand-in DirectML entry point that accepts the first request and refuses the later ones, so that
// the recognition fallback runs wherever the tests run.
const OrtApi* gApi = nullptr;
int gDmlCalls = 0;

OrtStatus* ORT_API_CALL AcceptOnceAppendDml(OrtSessionOptions*, int) {
  return ++gDmlCalls == 1 ? nullptr : gApi->CreateStatus(ORT_FAIL, "device lost");
}

OrtStatus* ORT_API_CALL AcceptingAppendDml(OrtSessionOptions*, int) { return nullptr; }

class FakeDirectMlSetupTest : public EngineSetupTest {
 protected:
  void SetUp() override {
    EngineSetupTest::SetUp();
    gApi = OrtManager::Instance().api;
    gDmlCalls = 0;
  }
};

TEST_F(FakeDirectMlSetupTest, AutoRebuildsBothOnTheCpuWhenRecognitionFails) {
  OrtManager::Instance().appendDml = &AcceptOnceAppendDml;
  ASSERT_TRUE(engine_.Initialize(paths_, ExecutionProvider::Auto, log_, false)) << log_;
  EXPECT_EQ(log_, "DML provider init failed: device lost\nDML rec init failed, falling back all models to CPU\n");
  EXPECT_EQ(engine_.fallbackNote, "DML rec session init failed; Det and Rec rebuilt on CPU");
  EXPECT_FALSE(engine_.useDml);
  EXPECT_EQ(gDmlCalls, 2);
  EXPECT_TRUE(engine_.det.loaded());
  EXPECT_TRUE(engine_.rec.loaded());
}

TEST_F(FakeDirectMlSetupTest, DmlFailsWhenRecognitionFails) {
  OrtManager::Instance().appendDml = &AcceptOnceAppendDml;
  EXPECT_FALSE(engine_.Initialize(paths_, ExecutionProvider::Dml, log_, false));
  EXPECT_EQ(log_, "DML provider init failed: device lost\n");
  EXPECT_TRUE(engine_.useDml);
  EXPECT_FALSE(engine_.rec.loaded());
}

TEST_F(FakeDirectMlSetupTest, WorkingProviderKeepsDirectMl) {
  OrtManager::Instance().appendDml = &AcceptingAppendDml;
  ASSERT_TRUE(engine_.Initialize(paths_, ExecutionProvider::Auto, log_, false)) << log_;
  EXPECT_EQ(log_, "");
  EXPECT_TRUE(engine_.useDml);
  EXPECT_EQ(engine_.fallbackNote, "");
  EXPECT_TRUE(engine_.cls.loaded());
}

}  // namespace
}  // namespace vesk
