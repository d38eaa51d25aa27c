#include "runtime/ort_manager.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/ort_handles.h"
#include "runtime/thread_count.h"
#include "runtime_test_support.h"

namespace vesk {
namespace {

using test::BackendFolder;
using test::ModelFile;
using test::ReadyRuntime;
using test::ScopedTempDir;

TEST(IntraOpThreadCountTest, TwoWhenUnknownElseAtMostFour) {
  EXPECT_EQ(IntraOpThreadCount(0), 2);
  EXPECT_EQ(IntraOpThreadCount(1), 1);
  EXPECT_EQ(IntraOpThreadCount(4), 4);
  EXPECT_EQ(IntraOpThreadCount(16), 4);
}

TEST(OrtManagerTest, InitializesOnceAndThenReturnsAtOnce) {
  OrtManager& manager = OrtManager::Instance();
  std::u16string error = u"untouched";
  ASSERT_TRUE(manager.Initialize(BackendFolder(), error)) << ToUtf8(error);
  EXPECT_EQ(error, u"untouched");
  EXPECT_NE(manager.module, nullptr);
  EXPECT_NE(manager.api, nullptr);
  EXPECT_NE(manager.env, nullptr);
  EXPECT_NE(manager.cpuMemoryInfo, nullptr);

  void* const module = manager.module;
  const OrtApi* const api = manager.api;
  EXPECT_TRUE(manager.Initialize(u"/no/such/backend", error));
  EXPECT_EQ(error, u"untouched");
  EXPECT_EQ(manager.module, module);
  EXPECT_EQ(manager.api, api);
}

// An older release exports the entry point but cannot serve the API the worker is written for. It
// stays loaded, as it was when the failure was found.
TEST(OrtManagerTest, OlderReleaseIsRefusedWithTheVersionMessage) {
  OrtManager manager;
  std::u16string error;
  EXPECT_FALSE(manager.Initialize(FromUtf8(test::OldBackendDir().string()), error));
  EXPECT_EQ(ToUtf8(error),
            "onnxruntime.dll does not provide ORT API version 22. backend/ must hold the matching build "
            "(see third_party/onnxruntime/README.md).");
  EXPECT_NE(manager.module, nullptr);
  EXPECT_EQ(manager.api, nullptr);
  EXPECT_EQ(manager.env, nullptr);
}

TEST(OrtManagerTest, SessionBeforeInitializationIsRefused) {
  OrtManager manager;
  ModelSession session;
  std::string log = "earlier\n";
  EXPECT_FALSE(manager.CreateModelSession(ModelFile(test::kDetModel), false, session, log, false));
  EXPECT_EQ(log, "earlier\nOrtManager not initialized\n");
  EXPECT_FALSE(session.loaded());
}

TEST(OrtManagerTest, SessionsOnTheBundledModelsKnowTheirNames) {
  OrtManager& manager = ReadyRuntime();
  struct Case {
    const char* file;
    const char* input;
    const char* output;
  };
  for (const Case& c : {Case{test::kDetModel, "x", "sigmoid_0.tmp_0"}, Case{test::kClsModel, "x", "softmax_0.tmp_0"},
                        Case{test::kRecModel, "x", "softmax_11.tmp_0"}}) {
    SCOPED_TRACE(c.file);
    ModelSession session;
    std::string log;
    ASSERT_TRUE(manager.CreateModelSession(ModelFile(c.file), false, session, log, false)) << log;
    EXPECT_EQ(log, "");
    EXPECT_EQ(session.api, manager.api);
    EXPECT_EQ(session.inputNames, std::vector<std::string>{c.input});
    EXPECT_EQ(session.outputNames, std::vector<std::string>{c.output});
  }
}

TEST(OrtManagerTest, ModelPathWithNonAsciiCharactersOpens) {
  OrtManager& manager = ReadyRuntime();
  ScopedTempDir dir;
  const std::filesystem::path folder = dir.path() / u8"modèles 模型";
  std::filesystem::create_directory(folder);
  std::filesystem::copy_file(test::BinDir() / "models" / test::kClsModel, folder / "cls.onnx");
  ModelSession session;
  std::string log;
  EXPECT_TRUE(manager.CreateModelSession(FromUtf8((folder / "cls.onnx").string()), false, session, log, false))
      << log;
}

// A failed creation reports the runtime's own reason and leaves the target empty, even when it held
// a session before.
TEST(OrtManagerTest, CorruptModelEmptiesTheTargetAndLogsTheRuntimeReason) {
  OrtManager& manager = ReadyRuntime();
  ScopedTempDir dir;
  test::WriteFile(dir.path() / "corrupt.onnx", "this is not a model");
  ModelSession session;
  std::string log;
  ASSERT_TRUE(manager.CreateModelSession(ModelFile(test::kClsModel), false, session, log, false));
  EXPECT_FALSE(manager.CreateModelSession(FromUtf8((dir.path() / "corrupt.onnx").string()), false, session, log,
                                          false));
  EXPECT_FALSE(session.loaded());
  EXPECT_TRUE(session.inputNames.empty());
  EXPECT_TRUE(session.outputNames.empty());
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), '\n');
  EXPECT_NE(log.find("corrupt.onnx"), std::string::npos) << log;
  EXPECT_EQ(log.find("Session creation failed"), std::string::npos) << log;

  log.clear();
  EXPECT_FALSE(manager.CreateModelSession(dir.u16() + u"/absent.onnx", false, session, log, false));
  EXPECT_NE(log.find("absent.onnx"), std::string::npos) << log;
}

TEST(OrtManagerTest, DirectMlWithoutTheProviderFailsBeforeLoadingTheModel) {
  OrtManager& manager = ReadyRuntime();
  const test::WithoutDirectMl library(manager);
  ModelSession session;
  std::string log;
  // The model is never opened, so even a missing file gives the provider message alone.
  EXPECT_FALSE(manager.CreateModelSession(u"/no/such/model.onnx", true, session, log, false));
  EXPECT_EQ(log, "DirectML provider symbol not present in onnxruntime.dll\n");
  EXPECT_FALSE(session.loaded());
}

TEST(OrtManagerTest, SimulatedDirectMlFailureActsOnlyOnDirectMlRequests) {
  OrtManager& manager = ReadyRuntime();
  ModelSession session;
  std::string log;
  EXPECT_FALSE(manager.CreateModelSession(ModelFile(test::kClsModel), true, session, log, true));
  EXPECT_EQ(log, "Fault injection: force_dml_fail_init simulated\n");
  log.clear();
  EXPECT_TRUE(manager.CreateModelSession(ModelFile(test::kClsModel), false, session, log, true));
  EXPECT_EQ(log, "");
}

// A stand-in for the DirectML entry point, so that the provider branch runs on this platform.
const OrtApi* gFakeApi = nullptr;
const char* gFakeDmlError = nullptr;
int gFakeDmlCalls = 0;
int gFakeDmlDevice = -1;

OrtStatus* ORT_API_CALL FakeAppendDml(OrtSessionOptions*, int deviceId) {
  ++gFakeDmlCalls;
  gFakeDmlDevice = deviceId;
  return gFakeDmlError == nullptr ? nullptr : gFakeApi->CreateStatus(ORT_FAIL, gFakeDmlError);
}

class FakeDirectMlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    manager_ = &ReadyRuntime();
    gFakeApi = manager_->api;
    gFakeDmlError = nullptr;
    gFakeDmlCalls = 0;
    gFakeDmlDevice = -1;
    manager_->appendDml = &FakeAppendDml;
  }
  void TearDown() override { manager_->appendDml = nullptr; }
  OrtManager* manager_ = nullptr;
};

TEST_F(FakeDirectMlTest, ProviderThatAcceptsGivesASessionOnDeviceZero) {
  ModelSession session;
  std::string log;
  EXPECT_TRUE(manager_->CreateModelSession(ModelFile(test::kClsModel), true, session, log, false)) << log;
  EXPECT_EQ(gFakeDmlCalls, 1);
  EXPECT_EQ(gFakeDmlDevice, 0);
  EXPECT_EQ(log, "");
}

TEST_F(FakeDirectMlTest, ProviderRefusalIsLoggedWithOrWithoutText) {
  ModelSession session;
  std::string log;
  gFakeDmlError = "no adapter";
  EXPECT_FALSE(manager_->CreateModelSession(ModelFile(test::kClsModel), true, session, log, false));
  gFakeDmlError = "";
  EXPECT_FALSE(manager_->CreateModelSession(ModelFile(test::kClsModel), true, session, log, false));
  EXPECT_EQ(log, "DML provider init failed: no adapter\nDML provider init failed\n");
  EXPECT_FALSE(session.loaded());
}

TEST_F(FakeDirectMlTest, SimulationComesBeforeTheProvider) {
  ModelSession session;
  std::string log;
  EXPECT_FALSE(manager_->CreateModelSession(ModelFile(test::kClsModel), true, session, log, true));
  EXPECT_EQ(gFakeDmlCalls, 0);
  EXPECT_EQ(log, "Fault injection: force_dml_fail_init simulated\n");
}

TEST(OrtHandlesTest, StatusMessageIsTakenAndReleased) {
  const OrtApi* api = ReadyRuntime().api;
  EXPECT_EQ(TakeStatusMessage(api, api->CreateStatus(ORT_FAIL, "broken")), "broken");
  EXPECT_EQ(TakeStatusMessage(api, nullptr), "");
  EXPECT_TRUE(DiscardStatus(api, api->CreateStatus(ORT_FAIL, "x")));
  EXPECT_FALSE(DiscardStatus(api, nullptr));

  // Moving hands over ownership once; the moved-from handle releases nothing.
  StatusHandle first(api, api->CreateStatus(ORT_FAIL, "moved"));
  StatusHandle second(std::move(first));
  EXPECT_FALSE(first);
  ASSERT_TRUE(second);
  StatusHandle third(api, api->CreateStatus(ORT_FAIL, "replaced"));
  third = std::move(second);
  EXPECT_STREQ(api->GetErrorMessage(third.get()), "moved");
}

}  // namespace
}  // namespace vesk
