#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

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
