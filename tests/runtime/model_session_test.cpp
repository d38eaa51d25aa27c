// Running a model: the input is lent to the runtime, the output read in place, and a failed call told
// from an input that could not be handed over.
#include "runtime/model_session.h"

#include <gtest/gtest.h>

#include <vector>

#include "runtime/ort_platform.h"
#include "runtime/tensor.h"
#include "runtime_test_support.h"

namespace vesk {
namespace {

using test::OpenBundled;
using test::ReadyRuntime;

Outcome<ModelOutput> RunOnZeros(ModelSession& session, const InputShape& shape) {
  std::vector<float> input(static_cast<size_t>(shape[0] * shape[1] * shape[2] * shape[3]), 0.0f);
  return session.Run(input, shape);
}

TEST(ModelSessionTest, EachBundledModelKnowsItsNamesAndGivesItsOutputShape) {
  struct Case {
    const char* file;
    const char* outputName;
    InputShape input;
    std::vector<int64_t> output;
  };
  for (const Case& c : {Case{test::kDetModel, "sigmoid_0.tmp_0", {1, 3, 64, 96}, {1, 1, 64, 96}},
                        Case{test::kClsModel, "softmax_0.tmp_0", {2, 3, 48, 192}, {2, 2}},
                        Case{test::kRecModel, "softmax_11.tmp_0", {1, 3, 48, 320}, {1, 40, 6625}}}) {
    SCOPED_TRACE(c.file);
    ModelSession session = OpenBundled(c.file);
    EXPECT_EQ(session.inputNames(), std::vector<std::string>{"x"});
    EXPECT_EQ(session.outputNames(), std::vector<std::string>{c.outputName});
    const Outcome<ModelOutput> output = RunOnZeros(session, c.input);
    ASSERT_TRUE(output.ok()) << output.status().message();
    ASSERT_TRUE(*output);
    EXPECT_EQ(output->shape(), c.output);
    ASSERT_NE(output->data(), nullptr);
    EXPECT_GE(output->data()[0], 0.0f);
  }
}

// A session whose name queries failed is run with "x" and the output name the caller gave as default.
TEST(ModelSessionTest, SessionWithoutNamesUsesTheDefaults) {
  OrtManager& manager = ReadyRuntime();
  const OrtApi* api = manager.api;
  const auto nameless = [&](const char* defaultOutput) {
    SessionOptionsHandle options(api, nullptr);
    EXPECT_FALSE(DiscardStatus(api, api->CreateSessionOptions(options.out())));
    OrtSession* session = nullptr;
    const std::u16string path = test::BundledModel(test::kDetModel).path;
    EXPECT_FALSE(DiscardStatus(api, api->CreateSession(manager.env, OrtPath(path).c_str(), options.get(), &session)));
    return ModelSession(api, session, {}, {}, defaultOutput);
  };
  ModelSession named = nameless("sigmoid_0.tmp_0");
  const Outcome<ModelOutput> output = RunOnZeros(named, {1, 3, 32, 32});
  ASSERT_TRUE(output.ok()) << output.status().message();
  EXPECT_EQ(output->shape(), (std::vector<int64_t>{1, 1, 32, 32}));

  ModelSession misnamed = nameless("no_such_output");
  const Outcome<ModelOutput> failed = RunOnZeros(misnamed, {1, 3, 32, 32});
  EXPECT_EQ(failed.status().kind(), FailureKind::ModelCall);
  EXPECT_NE(failed.status().message().find("no_such_output"), std::string::npos) << failed.status().message();
}

TEST(ModelSessionTest, FailedCallsAndInputsThatCannotBeHandedOver) {
  ModelSession cls = OpenBundled(test::kClsModel);
  // Two channels where the model wants three: the runtime refuses the call.
  const Outcome<ModelOutput> refused = RunOnZeros(cls, {1, 2, 48, 192});
  EXPECT_EQ(refused.status().kind(), FailureKind::ModelCall);
  EXPECT_FALSE(refused.status().message().empty());

  // Too few floats for the shape: no tensor is made, so there is no call to fail.
  std::vector<float> tooFew(10, 0.0f);
  EXPECT_EQ(cls.Run(tooFew, {1, 3, 48, 192}).status().kind(), FailureKind::Recognition);

  ModelSession empty;
  std::vector<float> input(3 * 4 * 4, 0.0f);
  const Outcome<ModelOutput> unloaded = empty.Run(input, {1, 3, 4, 4});
  EXPECT_EQ(unloaded.status().kind(), FailureKind::ModelCall);
  EXPECT_EQ(unloaded.status().message(), "Session is not initialized");
}

TEST(ModelSessionTest, InputTensorIsMadeOverTheCallersMemory) {
  ReadyRuntime();
  std::vector<float> data(2 * 3 * 4 * 5, 1.5f);
  OrtValueHandle value = CreateInputTensor(data, {2, 3, 4, 5});
  ASSERT_TRUE(value);
  EXPECT_EQ(TensorShape(value.get()), (std::vector<int64_t>{2, 3, 4, 5}));
  EXPECT_EQ(TensorData(value.get()), data.data());
  EXPECT_FALSE(CreateInputTensor(data, {1, -1, 2, 5}));
}

}  // namespace
}  // namespace vesk
