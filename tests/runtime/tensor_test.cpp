#include "runtime/tensor.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "runtime_test_support.h"

namespace vesk {
namespace {

using test::ModelFile;
using test::ReadyRuntime;

struct ZeroRun {
  std::vector<int64_t> shape;
  bool ok = false;
  std::string error;
  bool runFailed = false;
  float first = -1.0f;
};

// Runs `session` once on a zero input of `shape` through the shared sequence.
ZeroRun RunOnZeros(ModelSession& session, const std::array<int64_t, 4>& shape, const char* defaultOutput) {
  std::vector<float> data(static_cast<size_t>(shape[0] * shape[1] * shape[2] * shape[3]), 0.0f);
  OrtValueHandle input = CreateInputTensor(data.data(), data.size(), shape);
  EXPECT_TRUE(input);
  OrtValueHandle output;
  ZeroRun run;
  run.ok = RunOnTensor(session, input, defaultOutput, output, run.error, run.runFailed);
  EXPECT_FALSE(input) << "the input must be released right after the run";
  if (run.ok && output) {
    run.shape = TensorShape(output.get());
    if (const float* values = TensorData(output.get())) run.first = values[0];
  }
  return run;
}

void Open(const char* file, ModelSession& session) {
  std::string log;
  ASSERT_TRUE(ReadyRuntime().CreateModelSession(ModelFile(file), false, session, log, false)) << log;
}

TEST(TensorTest, EachBundledModelGivesItsOutputShape) {
  ReadyRuntime();
  ModelSession det;
  ModelSession cls;
  ModelSession rec;
  std::string log;
  OrtManager& manager = OrtManager::Instance();
  ASSERT_TRUE(manager.CreateModelSession(ModelFile(test::kDetModel), false, det, log, false)) << log;
  ASSERT_TRUE(manager.CreateModelSession(ModelFile(test::kClsModel), false, cls, log, false)) << log;
  ASSERT_TRUE(manager.CreateModelSession(ModelFile(test::kRecModel), false, rec, log, false)) << log;

  const ZeroRun detRun = RunOnZeros(det, {1, 3, 64, 96}, "sigmoid_0.tmp_0");
  ASSERT_TRUE(detRun.ok) << detRun.error;
  EXPECT_EQ(detRun.shape, (std::vector<int64_t>{1, 1, 64, 96}));
  EXPECT_GE(detRun.first, 0.0f);

  const ZeroRun clsRun = RunOnZeros(cls, {1, 3, 48, 192}, "softmax_0.tmp_0");
  ASSERT_TRUE(clsRun.ok) << clsRun.error;
  EXPECT_EQ(clsRun.shape, (std::vector<int64_t>{1, 2}));

  const ZeroRun recRun = RunOnZeros(rec, {1, 3, 48, 320}, "softmax_0.tmp_0");
  ASSERT_TRUE(recRun.ok) << recRun.error;
  ASSERT_EQ(recRun.shape.size(), 3u);
  EXPECT_EQ(recRun.shape[0], 1);
  EXPECT_EQ(recRun.shape[1], 40);
  EXPECT_EQ(recRun.shape[2], 6625);
}

// A session whose name queries failed is run with "x" and the caller's default output name.
TEST(TensorTest, SessionWithoutNamesUsesTheDefaults) {
  ModelSession det;
  Open(test::kDetModel, det);
  det.inputNames.clear();
  det.outputNames.clear();
  const ZeroRun run = RunOnZeros(det, {1, 3, 32, 32}, "sigmoid_0.tmp_0");
  ASSERT_TRUE(run.ok) << run.error;
  EXPECT_EQ(run.shape, (std::vector<int64_t>{1, 1, 32, 32}));

  const ZeroRun wrongDefault = RunOnZeros(det, {1, 3, 32, 32}, "no_such_output");
  EXPECT_FALSE(wrongDefault.ok);
  EXPECT_TRUE(wrongDefault.runFailed);
  EXPECT_NE(wrongDefault.error.find("no_such_output"), std::string::npos) << wrongDefault.error;
}

TEST(TensorTest, RunFailureRaisesTheFlagAndKeepsTheRuntimeText) {
  ModelSession cls;
  Open(test::kClsModel, cls);
  // Two channels where the model wants three.
  const ZeroRun run = RunOnZeros(cls, {1, 2, 48, 192}, "softmax_0.tmp_0");
  EXPECT_FALSE(run.ok);
  EXPECT_TRUE(run.runFailed);
  EXPECT_FALSE(run.error.empty());
}

TEST(TensorTest, EmptySessionRaisesTheRunFlagAndReleasesTheInput) {
  ReadyRuntime();
  ModelSession empty;
  const ZeroRun run = RunOnZeros(empty, {1, 3, 4, 4}, "y");
  EXPECT_FALSE(run.ok);
  EXPECT_TRUE(run.runFailed);
  EXPECT_EQ(run.error, "Session is not initialized");
}

TEST(TensorTest, InputTensorIsMadeOverTheCallersMemory) {
  ReadyRuntime();
  std::vector<float> data(2 * 3 * 4 * 5, 1.5f);
  OrtValueHandle value = CreateInputTensor(data.data(), data.size(), {2, 3, 4, 5});
  ASSERT_TRUE(value);
  EXPECT_EQ(TensorShape(value.get()), (std::vector<int64_t>{2, 3, 4, 5}));
  EXPECT_EQ(TensorData(value.get()), data.data());
}

TEST(TensorTest, BufferTooSmallForTheShapeGivesNoTensor) {
  ReadyRuntime();
  std::vector<float> data(10, 0.0f);
  EXPECT_FALSE(CreateInputTensor(data.data(), data.size(), {1, 3, 48, 192}));
  EXPECT_FALSE(CreateInputTensor(data.data(), data.size(), {1, -1, 2, 5}));
}

}  // namespace
}  // namespace vesk
