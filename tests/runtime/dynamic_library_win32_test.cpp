#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

TEST(DynamicLibraryTest, FailureCarriesTheWin32ErrorCode) {
  test::ScopedTempDir dir;
  const Outcome<LibraryHandle> library = OpenLibrary(FromUtf8((dir.path() / "missing.dll").string()));
  ASSERT_FALSE(library.ok());
  EXPECT_EQ(library.status().message(), "Win32 error: 126");
}

}  // namespace
}  // namespace vesk
