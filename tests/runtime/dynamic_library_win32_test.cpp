#include "platform/dynamic_library.h"

#include <gtest/gtest.h>

#include "platform/text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

TEST(DynamicLibraryTest, FailureCarriesTheWin32ErrorCode) {
  test::ScopedTempDir dir;
  std::string error;
  EXPECT_EQ(OpenLibrary(FromUtf8((dir.path() / "missing.dll").string()), error), nullptr);
  EXPECT_EQ(error, "Win32 error: 126");
}

}  // namespace
}  // namespace vesk
