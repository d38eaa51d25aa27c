#include "runtime/model_session.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "runtime/tensor.h"
#include "runtime_test_support.h"

namespace vesk {
namespace {

using test::ModelFile;
using test::ReadyRuntime;

TEST(ModelSessionTest, EmptySessionRefusesToRunAndTouchesNothing) {
  ModelSession session;
  std::vector<OrtValue*> outputs;
  std::string error;
  EXPECT_FALSE(session.Run({"x"}, {nullptr}, {"y"}, outputs, error));
  EXPECT_EQ(error, "Session is not initialized");
  EXPECT_TRUE(outputs.empty());
}

class ClassifierRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string log;
    ASSERT_TRUE(ReadyRuntime().CreateModelSession(ModelFile(test::kClsModel), false, session_, log, false)) << log;
  }
  ModelSession session_;
  std::vector<float> pixels_ = std::vector<float>(3 * 48 * 192, 0.0f);
};

TEST_F(ClassifierRunTest, FailedRunEmptiesTheOutputListAndReportsTheRuntimeText) {
  OrtValueHandle input = CreateInputTensor(pixels_.data(), pixels_.size(), {1, 3, 48, 192});
  ASSERT_TRUE(input);
  std::vector<OrtValue*> outputs;
  std::string error;
  EXPECT_FALSE(session_.Run({"no_such_input"}, {input.get()}, {"softmax_0.tmp_0"}, outputs, error));
  EXPECT_TRUE(outputs.empty());
  EXPECT_NE(error.find("no_such_input"), std::string::npos) << error;
}

TEST_F(ClassifierRunTest, MoreValuesThanNamesIsRefusedBeforeTheRuntimeReadsPastTheNames) {
  OrtValueHandle input = CreateInputTensor(pixels_.data(), pixels_.size(), {1, 3, 48, 192});
  ASSERT_TRUE(input);
  std::vector<OrtValue*> outputs;
  std::string error;
  EXPECT_FALSE(session_.Run({}, {input.get()}, {"softmax_0.tmp_0"}, outputs, error));
  EXPECT_EQ(error, "Fewer input names than input values");
  EXPECT_TRUE(outputs.empty());
}

}  // namespace
}  // namespace vesk
