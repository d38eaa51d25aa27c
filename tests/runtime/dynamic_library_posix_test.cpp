#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

TEST(DynamicLibraryTest, FailureCarriesTheLoaderReason) {
  test::ScopedTempDir dir;
  test::WriteFile(dir.path() / "junk.so", "not a shared object");
  for (const char* name : {"missing.so", "junk.so"}) {
    const Outcome<LibraryHandle> library = OpenLibrary(FromUtf8((dir.path() / name).string()));
    ASSERT_FALSE(library.ok());
    EXPECT_NE(library.status().message().find(name), std::string::npos) << library.status().message();
  }
}

// A bare file name must not send the loader searching the system folders.
TEST(DynamicLibraryTest, BareNameIsNotSearchedForOnTheSystem) {
  test::ScopedTempDir dir;
  const Outcome<LibraryHandle> library = OpenLibrary(u"libz.so.1");
  ASSERT_FALSE(library.ok());
  EXPECT_FALSE(library.status().message().empty());
}

}  // namespace
}  // namespace vesk
