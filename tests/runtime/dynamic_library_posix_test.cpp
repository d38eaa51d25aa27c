#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

TEST(DynamicLibraryTest, OpensFindsAndCloses) {
  std::string error;
  LibraryHandle library = OpenLibrary(FromUtf8((test::BinDir() / "backend" / "libonnxruntime.so.1").string()), error);
  ASSERT_NE(library, nullptr) << error;
  EXPECT_NE(FindSymbol(library, "OrtGetApiBase"), nullptr);
  EXPECT_EQ(FindSymbol(library, "NoSuchExportAnywhere"), nullptr);
  EXPECT_EQ(FindSymbol(nullptr, "OrtGetApiBase"), nullptr);
  CloseLibrary(library);
  CloseLibrary(nullptr);
}

TEST(DynamicLibraryTest, FailureCarriesTheLoaderReason) {
  test::ScopedTempDir dir;
  test::WriteFile(dir.path() / "junk.so", "not a shared object");
  std::string error;
  EXPECT_EQ(OpenLibrary(FromUtf8((dir.path() / "missing.so").string()), error), nullptr);
  EXPECT_NE(error.find("missing.so"), std::string::npos) << error;
  error.clear();
  EXPECT_EQ(OpenLibrary(FromUtf8((dir.path() / "junk.so").string()), error), nullptr);
  EXPECT_NE(error.find("junk.so"), std::string::npos) << error;
}

// A bare file name must not send the loader searching the system folders.
TEST(DynamicLibraryTest, BareNameIsNotSearchedForOnTheSystem) {
  test::ScopedTempDir dir;
  std::string error;
  EXPECT_EQ(OpenLibrary(u"libz.so.1", error), nullptr);
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace vesk
