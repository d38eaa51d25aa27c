#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

TEST(DynamicLibraryTest, OpensFindsAndCloses) {
  std::string error;
  LibraryHandle library = OpenLibrary(FromUtf8((test::BinDir() / "backend" / "onnxruntime.dll").string()), error);
  ASSERT_NE(library, nullptr) << error;
  EXPECT_NE(FindSymbol(library, "OrtGetApiBase"), nullptr);
  EXPECT_EQ(FindSymbol(library, "NoSuchExportAnywhere"), nullptr);
  EXPECT_EQ(FindSymbol(nullptr, "OrtGetApiBase"), nullptr);
  CloseLibrary(library);
  CloseLibrary(nullptr);
}

TEST(DynamicLibraryTest, FailureCarriesTheWin32ErrorCode) {
  test::ScopedTempDir dir;
  std::string error;
  EXPECT_EQ(OpenLibrary(FromUtf8((dir.path() / "missing.dll").string()), error), nullptr);
  EXPECT_EQ(error, "Win32 error: 126");
}

}  // namespace
}  // namespace vesk
