#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

#include "platform/path.h"
#include "runtime/ort_platform.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

TEST(DynamicLibraryTest, OpensFindsAndCloses) {
  const std::u16string path = JoinPath((test::BinDir() / "backend").u16string(), kOrtLibraryFile);
  const Outcome<LibraryHandle> library = OpenLibrary(path);
  ASSERT_TRUE(library.ok()) << library.status().message();
  EXPECT_NE(FindSymbol(*library, "OrtGetApiBase"), nullptr);
  EXPECT_EQ(FindSymbol(*library, "NoSuchExportAnywhere"), nullptr);
  EXPECT_EQ(FindSymbol(nullptr, "OrtGetApiBase"), nullptr);
  CloseLibrary(*library);
  CloseLibrary(nullptr);
}

}  // namespace
}  // namespace vesk
