#include <gtest/gtest.h>

#include <string>

#include "ocr/lowercase_ells.h"
#include "ocr/registry_values.h"

namespace vesk {
namespace {

TEST(ReadLowercaseEllsTest, AOneOrCapitalIForAnLInAWordReadsAsL) {
  EXPECT_EQ(ReadLowercaseElls("70G 1vm /"), "70G lvm /");
  EXPECT_EQ(ReadLowercaseElls("53260 1eon"), "53260 leon");
  EXPECT_EQ(ReadLowercaseElls("up 34 days, 1oad average: 0.16"), "up 34 days, load average: 0.16");
  EXPECT_EQ(ReadLowercaseElls("src/water_package.1og /usr/1ib"), "src/water_package.log /usr/lib");
  EXPECT_EQ(ReadLowercaseElls("AlI wilI, fulI."), "All will, full.");
  EXPECT_EQ(ReadLowercaseElls("libss]3 a]b"), "libssl3 alb");
  EXPECT_EQ(ReadLowercaseElls("a[i]b x] ]x 2]3"), "a[i]b x] ]x 2]3");
  // Numbers, units, ordinals and names keep their ones; a lone one before a single letter too.
  const std::string numbers = "1px 1st 1min 11am sda1 nvme0n1p3 1s 1x 1Gb";
  EXPECT_EQ(ReadLowercaseElls(numbers), numbers);
  EXPECT_EQ(ReadLowercaseElls("1abc2 x1ab 115.9.1esr-1"), "1abc2 x1ab 115.9.1esr-1");
  // A capital I at the end of a capital name or after a digit is a letter of its own.
  EXPECT_EQ(ReadLowercaseElls("AI WiFI 2I xI AllI AbI("), "AI WiFI 2I xI AllI AbI(");
}

TEST(ReadRegistryValuesTest, NumberValuesAreWrittenAsTheEditorWritesThem) {
  EXPECT_EQ(ReadRegistryValues("0x000000 (2)"), "0x00000002 (2)");
  EXPECT_EQ(ReadRegistryValues("0x0 000076 (118)"), "0x00000076 (118)");
  EXPECT_EQ(ReadRegistryValues("0x00000001(1)"), "0x00000001 (1)");
  EXPECT_EQ(ReadRegistryValues("0x0000000 (15)"), "0x0000000f (15)");
  EXPECT_EQ(ReadRegistryValues("0x0000000100000000 (4294967296)"), "0x0000000100000000 (4294967296)");
  // Digits that the number does not hold, a number too large, or no number at all: left as read.
  EXPECT_EQ(ReadRegistryValues("0x00000003 (2)"), "0x00000003 (2)");
  EXPECT_EQ(ReadRegistryValues("0x0 (99999999999999999999)"), "0x0 (99999999999999999999)");
  EXPECT_EQ(ReadRegistryValues("0x1f (abc)"), "0x1f (abc)");
  EXPECT_EQ(ReadRegistryValues("0x1f"), "0x1f");
}

TEST(ReadRegistryValuesTest, TypesAndTheDefaultValueReadAsDrawn) {
  EXPECT_EQ(ReadRegistryValues("REG_52"), "REG_SZ");
  EXPECT_EQ(ReadRegistryValues("REG_DW0RD"), "REG_DWORD");
  EXPECT_EQ(ReadRegistryValues("REG_8INARY"), "REG_BINARY");
  EXPECT_EQ(ReadRegistryValues("REG_DWORD"), "REG_DWORD");
  EXPECT_EQ(ReadRegistryValues("REG_5"), "REG_5");
  EXPECT_EQ(ReadRegistryValues("(efault)"), "(Default)");
  EXPECT_EQ(ReadRegistryValues("(Defauit)"), "(Default)");
  // A change of case is another word, and two letters off is too far.
  EXPECT_EQ(ReadRegistryValues("(default)"), "(default)");
  EXPECT_EQ(ReadRegistryValues("(Defa)"), "(Defa)");
}

}  // namespace
}  // namespace vesk
