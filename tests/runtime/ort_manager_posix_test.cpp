// Loading the inference library on POSIX: what the loader's failures look like there.
#include "runtime/ort_manager.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "runtime_test_support.h"

namespace vesk {
namespace {

using test::ScopedTempDir;

// This platform's library has no DirectML provider; that is not a failure of its own.
TEST(OrtManagerTest, LibraryWithoutDirectMlInitializes) {
  EXPECT_EQ(test::ReadyRuntime().appendDml, nullptr);
}

TEST(OrtManagerTest, MissingLibraryNamesThePathAndTheLoaderReason) {
  ScopedTempDir dir;
  const std::u16string folder = dir.u16() + u"/backend";
  const std::u16string path = folder + u"/libonnxruntime.so.1";
  OrtManager manager;
  const std::string error = manager.Initialize(folder).message();
  const std::string prefix = "Failed to load libonnxruntime.so.1 from " + ToUtf8(path) + " (";
  ASSERT_EQ(error.substr(0, prefix.size()), prefix) << error;
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
  EXPECT_EQ(error.back(), ')');
  EXPECT_EQ(manager.module, nullptr);
  EXPECT_EQ(manager.api, nullptr);
}

TEST(OrtManagerTest, FileThatIsNotALibraryFailsToLoad) {
  ScopedTempDir dir;
  test::WriteFile(dir.path() / "libonnxruntime.so.1", std::string(4096, '\x7f'));
  OrtManager manager;
  const std::string error = manager.Initialize(dir.u16()).message();
  EXPECT_EQ(error.rfind("Failed to load libonnxruntime.so.1 from " + dir.path().string(), 0), 0u) << error;
}

TEST(OrtManagerTest, LibraryWithoutTheEntryPointIsRefused) {
  ScopedTempDir dir;
  std::filesystem::create_symlink("/lib/x86_64-linux-gnu/libz.so.1", dir.path() / "libonnxruntime.so.1");
  OrtManager manager;
  EXPECT_EQ(manager.Initialize(dir.u16()).message(),
            "OrtGetApiBase not found in " + dir.path().string() + "/libonnxruntime.so.1");
  EXPECT_EQ(manager.api, nullptr);
}

}  // namespace
}  // namespace vesk
