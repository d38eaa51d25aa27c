// Engine set-up: the dictionary, the model files, and on which device each model is opened, with the
// fallbacks to the CPU and the notes and logs they leave.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "ocr/dictionary.h"
#include "ocr/fake_models.h"
#include "ocr/ocr_engine.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

using test::ModelOnDevice;
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
  EXPECT_EQ(LoadDictionary(U16(dir.path() / "short.txt")).status().kind(), FailureKind::ModelSetup);
  const Outcome<Dictionary> dictionary = LoadDictionary(U16(dir.path() / "enough.txt"));
  ASSERT_TRUE(dictionary.ok());
  ASSERT_EQ(dictionary->size(), 18002u);
  EXPECT_EQ(dictionary->front(), "");
  EXPECT_EQ((*dictionary)[1], "c0");
  EXPECT_EQ((*dictionary)[18000], "c17999");
  EXPECT_EQ(dictionary->back(), " ");
}

TEST(LoadDictionaryTest, LineEndsAndBlankLines) {
  ScopedTempDir dir;
  WriteFile(dir.path() / "lf.txt", "a\n\n b \n" + Lines(18000, "\n"));
  WriteFile(dir.path() / "crlf.txt", "a\r\n\r\n b \r\n" + Lines(18000, "\r\n"));
  const Outcome<Dictionary> lf = LoadDictionary(U16(dir.path() / "lf.txt"));
  const Outcome<Dictionary> crlf = LoadDictionary(U16(dir.path() / "crlf.txt"));
  ASSERT_TRUE(lf.ok() && crlf.ok());
  EXPECT_EQ(*lf, *crlf);
  // A blank line in the middle is an entry of its own; spaces around a text are kept.
  EXPECT_EQ(std::vector<std::string>(lf->begin() + 1, lf->begin() + 5),
            (std::vector<std::string>{"a", "", " b ", "c0"}));

  // Only one "\r" is a line end; a last line without "\n" still counts.
  WriteFile(dir.path() / "odd.txt", "x\r\r\n" + Lines(18000, "\n") + "last");
  const Outcome<Dictionary> odd = LoadDictionary(U16(dir.path() / "odd.txt"));
  ASSERT_TRUE(odd.ok());
  EXPECT_EQ((*odd)[1], "x\r");
  EXPECT_EQ((*odd)[odd->size() - 2], "last");
  EXPECT_EQ(odd->size(), 18004u);
}

class EngineSetupTest : public ::testing::Test {
 protected:
  EngineSetupTest() : paths_(test::WriteFakeModels(dir_.path())) {}

  Status Initialize(const EngineSettings& settings) { return engine_.Initialize(paths_, settings); }

  ScopedTempDir dir_;
  ModelPaths paths_;
  test::FakeOpener opener_;
  OcrEngine engine_{opener_};
};

// The dictionary is checked first, then the models in the order detection, recognition, orientation;
// the orientation model is required even when orientation is not wanted.
TEST_F(EngineSetupTest, MissingFilesAreNamedDictionaryFirst) {
  std::filesystem::remove(dir_.path() / "rec.onnx");
  std::filesystem::remove(dir_.path() / "cls.onnx");
  std::filesystem::create_directory(dir_.path() / "cls.onnx");
  const ModelPaths complete = paths_;
  paths_.dict = U16(dir_.path() / "absent.txt");
  EXPECT_EQ(Initialize({}).message(),
            "Dictionary missing, unreadable, or truncated (expected the PP-OCRv5 18,383-entry list, need at least "
            "18000 entries): " + (dir_.path() / "absent.txt").string());

  paths_ = complete;
  EXPECT_EQ(Initialize({}).message(), "Model file not found: " + (dir_.path() / "rec.onnx").string());
  paths_.rec = paths_.det;
  EngineSettings withoutOrientation;
  withoutOrientation.withOrientation = false;
  const Status status = Initialize(withoutOrientation);
  EXPECT_EQ(status.kind(), FailureKind::ModelSetup);
  EXPECT_EQ(status.message(), "Model file not found: " + (dir_.path() / "cls.onnx").string());
  EXPECT_TRUE(opener_.opened.empty());
}

const ModelOnDevice kDetDml{"det", Device::DirectMl};
const ModelOnDevice kDetCpu{"det", Device::Cpu};
const ModelOnDevice kClsCpu{"cls", Device::Cpu};
const ModelOnDevice kRecDml{"rec", Device::DirectMl};
const ModelOnDevice kRecCpu{"rec", Device::Cpu};
// Each refusal names its model, so that a message tells which refusal was reported.
std::string Refusal(const ModelOnDevice& model) { return model.first + ": no adapter\n"; }
const std::string kInjected = "Fault injection: force_dml_fail_init simulated";

struct SetupCase {
  const char* name;
  ExecutionProvider provider;
  ForceDmlFail fault;
  std::vector<ModelOnDevice> refused;  // each refused with its Refusal
  std::vector<ModelOnDevice> opened;   // every open asked for, in order
  bool ok;
  const char* ep;    // where the pass runs after a set-up that succeeded
  std::string text;  // the fallback note after a set-up that succeeded, else the failure message
};

class EngineFallbackTest : public EngineSetupTest, public ::testing::WithParamInterface<SetupCase> {};

// Opened side by side, the models come out as one after another: the same outcome, note, log and
// lines. Only the opens asked for may differ: orientation and recognition are opened beside a detector
// that then fails.
TEST_P(EngineFallbackTest, OpensEachModelWhereTheProviderAllowsAndFallsBackAsItAllows) {
  const SetupCase& c = GetParam();
  for (const bool sideBySide : {false, true}) {
    SCOPED_TRACE(sideBySide ? "side by side" : "one after another");
    test::FakeOpener opener;
    for (const ModelOnDevice& model : c.refused) opener.refusals[model] = Refusal(model);
    OcrEngine engine(opener);
    EngineSettings settings;
    settings.provider = c.provider;
    settings.dmlFault = c.fault;
    settings.openSideBySide = sideBySide;
    const Status status = engine.Initialize(paths_, settings);
    if (sideBySide) {
      std::vector<ModelOnDevice> asked = opener.opened;
      std::vector<ModelOnDevice> expected = c.opened;
      std::sort(asked.begin(), asked.end());
      std::sort(expected.begin(), expected.end());
      EXPECT_TRUE(std::includes(asked.begin(), asked.end(), expected.begin(), expected.end()));
    } else {
      EXPECT_EQ(opener.opened, c.opened);
    }
    ASSERT_EQ(status.ok(), c.ok) << status.message();
    if (!c.ok) {
      EXPECT_EQ(status.kind(), FailureKind::ModelSetup);
      EXPECT_EQ(status.message(), c.text);
      continue;
    }
    const Outcome<OcrResult> result = engine.Recognize(test::BlankImage(), OcrOptions{});
    ASSERT_TRUE(result.ok()) << result.status().message();
    EXPECT_EQ(result->ep, c.ep);
    EXPECT_EQ(result->fallback, c.text);
    EXPECT_EQ(result->log, c.text.empty() ? "" : c.text + "\n");
    ASSERT_EQ(result->lines.size(), 1u);
    EXPECT_EQ(result->lines[0].text, "c0");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Providers, EngineFallbackTest,
    ::testing::Values(
        SetupCase{"Cpu", ExecutionProvider::Cpu, ForceDmlFail::None, {}, {kDetCpu, kClsCpu, kRecCpu}, true, "cpu", ""},
        SetupCase{"CpuIgnoresTheInjectedFault", ExecutionProvider::Cpu, ForceDmlFail::Init, {}, {kDetCpu, kClsCpu, kRecCpu},
                  true, "cpu", ""},
        SetupCase{"Auto", ExecutionProvider::Auto, ForceDmlFail::None, {}, {kDetDml, kClsCpu, kRecDml}, true, "dml", ""},
        SetupCase{"Dml", ExecutionProvider::Dml, ForceDmlFail::None, {}, {kDetDml, kClsCpu, kRecDml}, true, "dml", ""},
        SetupCase{"AutoWithInjectedFault", ExecutionProvider::Auto, ForceDmlFail::Init, {}, {kDetCpu, kClsCpu, kRecCpu},
                  true, "cpu", "DML det session init failed: " + kInjected + "; Det and Rec run on CPU"},
        SetupCase{"AutoWithDetectionRefused", ExecutionProvider::Auto, ForceDmlFail::None, {kDetDml},
                  {kDetDml, kDetCpu, kClsCpu, kRecCpu}, true, "cpu",
                  "DML det session init failed: det: no adapter; Det and Rec run on CPU"},
        SetupCase{"AutoWithRecognitionRefused", ExecutionProvider::Auto, ForceDmlFail::None, {kRecDml},
                  {kDetDml, kClsCpu, kRecDml, kDetCpu, kRecCpu}, true, "cpu",
                  "DML rec session init failed; Det and Rec rebuilt on CPU"},
        SetupCase{"CpuWithOrientationRefused", ExecutionProvider::Cpu, ForceDmlFail::None, {kClsCpu},
                  {kDetCpu, kClsCpu, kRecCpu}, true, "cpu", ""},
        SetupCase{"DmlWithInjectedFault", ExecutionProvider::Dml, ForceDmlFail::Init, {}, {}, false, "",
                  "DML det init failed: " + kInjected + "\n\n"},
        SetupCase{"DmlWithRecognitionRefused", ExecutionProvider::Dml, ForceDmlFail::None, {kRecDml},
                  {kDetDml, kClsCpu, kRecDml}, false, "", Refusal(kRecDml)},
        SetupCase{"CpuWithDetectionRefused", ExecutionProvider::Cpu, ForceDmlFail::None, {kDetCpu}, {kDetCpu}, false, "",
                  Refusal(kDetCpu)},
        // Of two refusals the one met first is reported, also when the other came first side by side.
        SetupCase{"CpuWithDetectionAndRecognitionRefused", ExecutionProvider::Cpu, ForceDmlFail::None,
                  {kDetCpu, kRecCpu}, {kDetCpu}, false, "", Refusal(kDetCpu)},
        SetupCase{"AutoWithInjectedFaultAndRecognitionRefused", ExecutionProvider::Auto, ForceDmlFail::Init, {kRecCpu},
                  {kDetCpu, kClsCpu, kRecCpu}, false, "",
                  "DML det init failed: " + kInjected + "\n\nFalling back to CPU session for Det\nrec: no adapter\n"},
        SetupCase{"AutoWithDetectionRefusedEverywhere", ExecutionProvider::Auto, ForceDmlFail::None, {kDetDml, kDetCpu},
                  {kDetDml, kDetCpu}, false, "",
                  "DML det init failed: det: no adapter\n\nFalling back to CPU session for Det\ndet: no adapter\n"},
        SetupCase{"AutoWithRecognitionRefusedEverywhere", ExecutionProvider::Auto, ForceDmlFail::None, {kRecDml, kRecCpu},
                  {kDetDml, kClsCpu, kRecDml, kDetCpu, kRecCpu}, false, "",
                  "rec: no adapter\nDML rec init failed, falling back all models to CPU\nrec: no adapter\n"}),
    [](const ::testing::TestParamInfo<SetupCase>& info) { return std::string(info.param.name); });

// Orientation is a refinement: a model that cannot be opened, or is not wanted, leaves every line upright.
TEST_F(EngineSetupTest, OrientationThatCannotBeOpenedOrIsNotWantedLeavesLinesUpright) {
  struct Case {
    bool refused;
    bool wanted;
    int32_t orientation;
  };
  for (const Case& c : {Case{false, true, 180}, Case{true, true, 0}, Case{false, false, 0}}) {
    SCOPED_TRACE(std::to_string(c.refused) + std::to_string(c.wanted));
    test::FakeOpener opener;
    opener.runs[kClsCpu] = test::Turned(true);
    if (c.refused) opener.refusals[kClsCpu] = Refusal(kClsCpu);
    OcrEngine engine(opener);
    EngineSettings settings;
    settings.provider = ExecutionProvider::Cpu;
    settings.withOrientation = c.wanted;
    ASSERT_TRUE(engine.Initialize(paths_, settings).ok());
    const Outcome<OcrResult> result = engine.Recognize(test::BlankImage(), OcrOptions{});
    ASSERT_TRUE(result.ok() && result->lines.size() == 1) << result.status().message();
    EXPECT_EQ(result->lines[0].orientation, c.orientation);
    EXPECT_EQ(opener.opened.size(), c.wanted ? 3u : 2u);
  }
}

}  // namespace
}  // namespace vesk
