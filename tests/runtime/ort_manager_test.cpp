#include "runtime/ort_manager.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "runtime_test_support.h"

namespace vesk {
namespace {

using test::BundledModel;
using test::ReadyRuntime;
using test::ScopedTempDir;

TEST(OrtManagerTest, InitializesOnceAndThenSucceedsAtOnce) {
  OrtManager& manager = ReadyRuntime();
  EXPECT_NE(manager.module, nullptr);
  EXPECT_NE(manager.api, nullptr);
  EXPECT_NE(manager.env, nullptr);
  EXPECT_NE(manager.cpuMemoryInfo, nullptr);

  void* const module = manager.module;
  const OrtApi* const api = manager.api;
  EXPECT_TRUE(manager.Initialize(u"/no/such/backend").ok());
  EXPECT_EQ(manager.module, module);
  EXPECT_EQ(manager.api, api);
}

// An older release exports the entry point but cannot serve the API the worker is written for. It
// stays loaded, as it was when the failure was found.
TEST(OrtManagerTest, OlderReleaseIsRefusedWithTheVersionMessage) {
  OrtManager manager;
  const Status status = manager.Initialize(FromUtf8(test::OldBackendDir().string()));
  EXPECT_EQ(status.kind(), FailureKind::ModelSetup);
  EXPECT_EQ(status.message(),
            "onnxruntime.dll does not provide ORT API version 22. backend/ must hold the matching build "
            "(see third_party/onnxruntime/README.md).");
  EXPECT_NE(manager.module, nullptr);
  EXPECT_EQ(manager.api, nullptr);
  EXPECT_EQ(manager.env, nullptr);
}

TEST(OrtManagerTest, SessionBeforeInitializationIsRefused) {
  OrtManager manager;
  const Outcome<ModelSession> session = manager.CreateModelSession(BundledModel(test::kDetModel), Device::Cpu);
  EXPECT_EQ(session.status().kind(), FailureKind::ModelSetup);
  EXPECT_EQ(session.status().message(), "OrtManager not initialized\n");
}

TEST(OrtManagerTest, ModelPathWithNonAsciiCharactersOpens) {
  OrtManager& manager = ReadyRuntime();
  ScopedTempDir dir;
  const std::filesystem::path folder = dir.path() / u8"modèles 模型";
  std::filesystem::create_directory(folder);
  std::filesystem::copy_file(test::BinDir() / "models" / test::kClsModel, folder / "cls.onnx");
  const Outcome<ModelSession> session =
      manager.CreateModelSession({FromUtf8((folder / "cls.onnx").string()), "y"}, Device::Cpu);
  EXPECT_TRUE(session.ok()) << session.status().message();
}

// A failed creation reports the runtime's own reason, a line that names the file.
TEST(OrtManagerTest, CorruptOrMissingModelReportsTheRuntimeReason) {
  OrtManager& manager = ReadyRuntime();
  ScopedTempDir dir;
  test::WriteFile(dir.path() / "corrupt.onnx", "this is not a model");
  for (const char* name : {"corrupt.onnx", "absent.onnx"}) {
    SCOPED_TRACE(name);
    const Outcome<ModelSession> session =
        manager.CreateModelSession({FromUtf8((dir.path() / name).string()), "y"}, Device::Cpu);
    ASSERT_FALSE(session.ok());
    const std::string& lines = session.status().message();
    EXPECT_NE(lines.find(name), std::string::npos) << lines;
    EXPECT_EQ(lines.back(), '\n');
    EXPECT_EQ(lines.find("Session creation failed"), std::string::npos) << lines;
  }
}

TEST(OrtManagerTest, DirectMlWithoutTheProviderFailsBeforeLoadingTheModel) {
  OrtManager& manager = ReadyRuntime();
  const test::DirectMlEntryPoint none(manager, nullptr);
  // The model is never opened, so even a missing file gives the provider message alone.
  const Outcome<ModelSession> session = manager.CreateModelSession({u"/no/such/model.onnx", "y"}, Device::DirectMl);
  EXPECT_EQ(session.status().message(), "DirectML provider symbol not present in onnxruntime.dll\n");
}

// A stand-in for the DirectML entry point, so that the provider branch runs on every platform.
const OrtApi* gFakeApi = nullptr;
const char* gFakeDmlError = nullptr;
int gFakeDmlDevice = -1;

OrtStatus* ORT_API_CALL FakeAppendDml(OrtSessionOptions*, int deviceId) {
  gFakeDmlDevice = deviceId;
  return gFakeDmlError == nullptr ? nullptr : gFakeApi->CreateStatus(ORT_FAIL, gFakeDmlError);
}

TEST(OrtManagerTest, DirectMlProviderIsAskedForDeviceZeroAndItsRefusalIsReported) {
  OrtManager& manager = ReadyRuntime();
  const test::DirectMlEntryPoint fake(manager, &FakeAppendDml);
  gFakeApi = manager.api;
  const ModelFile model = BundledModel(test::kClsModel);

  gFakeDmlError = nullptr;
  const Outcome<ModelSession> accepted = manager.CreateModelSession(model, Device::DirectMl);
  EXPECT_TRUE(accepted.ok()) << accepted.status().message();
  EXPECT_EQ(gFakeDmlDevice, 0);

  gFakeDmlError = "no adapter";
  EXPECT_EQ(manager.CreateModelSession(model, Device::DirectMl).status().message(),
            "DML provider init failed: no adapter\n");
  gFakeDmlError = "";
  EXPECT_EQ(manager.CreateModelSession(model, Device::DirectMl).status().message(), "DML provider init failed\n");
}

}  // namespace
}  // namespace vesk
