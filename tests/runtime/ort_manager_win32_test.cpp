// Loading the inference library on Windows: the DirectML entry point and the loader's failures, which
// name the Win32 error code.
#include "runtime/ort_manager.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "runtime_test_support.h"

namespace vesk {
namespace {

using test::ScopedTempDir;

TEST(OrtManagerTest, WindowsLibraryExportsTheDirectMlEntryPoint) {
  EXPECT_NE(test::ReadyRuntime().appendDml, nullptr);
}

TEST(OrtManagerTest, MissingLibraryNamesThePathAndTheWin32ErrorCode) {
  ScopedTempDir dir;
  const std::u16string folder = dir.u16() + u"\\backend";
  OrtManager manager;
  EXPECT_EQ(manager.Initialize(folder).message(),
            "Failed to load onnxruntime.dll from " + ToUtf8(folder) + "\\onnxruntime.dll (Win32 error: 126)");
  EXPECT_EQ(manager.module, nullptr);
  EXPECT_EQ(manager.api, nullptr);
}

TEST(OrtManagerTest, FileThatIsNotALibraryFailsToLoad) {
  ScopedTempDir dir;
  test::WriteFile(dir.path() / "onnxruntime.dll", std::string(4096, '\x7f'));
  OrtManager manager;
  EXPECT_EQ(manager.Initialize(dir.u16()).message(),
            "Failed to load onnxruntime.dll from " + ToUtf8(dir.u16()) + "\\onnxruntime.dll (Win32 error: 193)");
}

TEST(OrtManagerTest, LibraryWithoutTheEntryPointIsRefused) {
  ScopedTempDir dir;
  std::filesystem::copy_file(VESK_TEST_DLL_WITHOUT_RUNTIME, dir.path() / "onnxruntime.dll");
  OrtManager manager;
  EXPECT_EQ(manager.Initialize(dir.u16()).message(),
            "OrtGetApiBase not found in " + ToUtf8(dir.u16()) + "\\onnxruntime.dll");
  EXPECT_EQ(manager.api, nullptr);
}

}  // namespace
}  // namespace vesk
