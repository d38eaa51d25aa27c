#include "app/command_line.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace vesk {
namespace {

RunOptions Parse(std::vector<std::u16string> rest) {
  rest.insert(rest.begin(), u"VeskOcrWorker.exe");
  return ParseCommandLine(rest);
}

std::string ErrorOf(std::vector<std::u16string> rest) { return ToUtf8(Parse(std::move(rest)).error); }

TEST(CommandLineTest, DefaultsWithThreePositionals) {
  const RunOptions o = Parse({u"shot.png", u"viewer.exe", u"doc.pdf"});
  ASSERT_TRUE(o.valid);
  EXPECT_TRUE(o.error.empty());
  EXPECT_EQ(o.screenshotPath, u"shot.png");
  EXPECT_EQ(o.viewerExePath, u"viewer.exe");
  EXPECT_EQ(o.inputPath, u"doc.pdf");
  EXPECT_EQ(o.executionProvider, ExecutionProvider::Auto);
  EXPECT_TRUE(o.classifyOrientation);
  EXPECT_TRUE(o.scanBarcodes);
  EXPECT_EQ(o.maxSide, 4096);
  EXPECT_EQ(o.waitTimeoutMs, 120000);
  EXPECT_FALSE(o.console);
  EXPECT_EQ(o.forceDmlFail, ForceDmlFail::None);
  EXPECT_EQ(o.readingOrder, ReadingOrder::Columns);
}

TEST(CommandLineTest, OptionsInterleaveWithPositionalsAndLaterOnesWin) {
  const RunOptions o = Parse({u"--ep=cpu", u"--order=layout", u"a", u"--cls=0", u"b", u"--ep", u"DML", u"c", u"d",
                              u"--barcode", u"0", u"--order", u"columns"});
  ASSERT_TRUE(o.valid);
  EXPECT_EQ(o.executionProvider, ExecutionProvider::Dml);
  EXPECT_EQ(o.readingOrder, ReadingOrder::Columns);
  EXPECT_FALSE(o.classifyOrientation);
  EXPECT_FALSE(o.scanBarcodes);
  EXPECT_EQ(o.screenshotPath, u"a");
  EXPECT_EQ(o.inputPath, u"c");  // the fourth positional is ignored
}

TEST(CommandLineTest, EmptyPositionalsStayEmpty) {
  const RunOptions o = Parse({u"", u"viewer", u""});
  ASSERT_TRUE(o.valid);
  EXPECT_TRUE(o.screenshotPath.empty());
  EXPECT_TRUE(o.inputPath.empty());
}

TEST(CommandLineTest, SwitchesAreOffOnlyForExactlyZero) {
  for (const char16_t* v : {u"--cls=", u"--cls=1", u"--cls=false", u"--cls=00"}) {
    EXPECT_TRUE(Parse({v, u"a", u"b", u"c"}).classifyOrientation) << ToUtf8(v);
  }
  EXPECT_TRUE(Parse({u"--barcode=no", u"a", u"b", u"c"}).scanBarcodes);
}

TEST(CommandLineTest, SeparateFormConsumesTheNextArgumentEvenWhenItIsAFlag) {
  const RunOptions o = Parse({u"--cls", u"--console", u"a", u"b", u"c"});
  ASSERT_TRUE(o.valid);
  EXPECT_TRUE(o.classifyOrientation);
  EXPECT_FALSE(o.console);
}

TEST(CommandLineTest, SeparateFormWithoutAValueIsAnUnknownFlag) {
  for (const char16_t* flag : {u"--ep", u"--cls", u"--barcode", u"--max-side", u"--wait-timeout", u"--force-dml-fail", u"--order"}) {
    const RunOptions o = Parse({u"a", u"b", u"c", flag});
    EXPECT_FALSE(o.valid);
    EXPECT_EQ(o.error, std::u16string(u"Unknown flag: ") + flag);
  }
}

TEST(CommandLineTest, NumbersAreClampedAndTrailingTextIgnored) {
  const auto maxSide = [](const char16_t* arg) { return Parse({arg, u"a", u"b", u"c"}).maxSide; };
  EXPECT_EQ(maxSide(u"--max-side=50"), 128);
  EXPECT_EQ(maxSide(u"--max-side=100000"), 100000);
  EXPECT_EQ(maxSide(u"--max-side=-3"), 128);
  EXPECT_EQ(maxSide(u"--max-side=300px"), 300);
  EXPECT_EQ(maxSide(u"--max-side= \t+700"), 700);

  const auto timeout = [](const char16_t* arg) { return Parse({arg, u"a", u"b", u"c"}).waitTimeoutMs; };
  EXPECT_EQ(timeout(u"--wait-timeout=1000"), 5000);
  EXPECT_EQ(timeout(u"--wait-timeout=999999"), 600000);
  EXPECT_EQ(timeout(u"--wait-timeout=2147483647"), 600000);
  EXPECT_EQ(timeout(u"--wait-timeout=-2147483648"), 5000);
}

TEST(CommandLineTest, BadNumbersNameTheWholeArgumentOrTheSeparateValue) {
  EXPECT_EQ(ErrorOf({u"--max-side", u"abc", u"a", u"b", u"c"}), "Bad --max-side: abc");
  EXPECT_EQ(ErrorOf({u"--max-side=abc", u"a", u"b", u"c"}), "Bad --max-side: --max-side=abc");
  EXPECT_EQ(ErrorOf({u"--wait-timeout=99999999999", u"a", u"b", u"c"}), "Bad --wait-timeout: --wait-timeout=99999999999");
  EXPECT_EQ(ErrorOf({u"--wait-timeout=2147483648", u"a", u"b", u"c"}), "Bad --wait-timeout: --wait-timeout=2147483648");
  EXPECT_EQ(ErrorOf({u"--wait-timeout", u"-", u"a", u"b", u"c"}), "Bad --wait-timeout: -");
  EXPECT_EQ(ErrorOf({u"--max-side=", u"a", u"b", u"c"}), "Bad --max-side: --max-side=");
}

TEST(CommandLineTest, ChoiceValuesAreCaseInsensitiveButOptionNamesAreNot) {
  EXPECT_EQ(Parse({u"--ep=DML", u"a", u"b", u"c"}).executionProvider, ExecutionProvider::Dml);
  EXPECT_EQ(Parse({u"--ep=Auto", u"a", u"b", u"c"}).executionProvider, ExecutionProvider::Auto);
  EXPECT_EQ(Parse({u"--force-dml-fail=INIT", u"a", u"b", u"c"}).forceDmlFail, ForceDmlFail::Init);
  EXPECT_EQ(Parse({u"--force-dml-fail", u"Run", u"a", u"b", u"c"}).forceDmlFail, ForceDmlFail::Run);
  EXPECT_EQ(Parse({u"--order=LAYOUT", u"a", u"b", u"c"}).readingOrder, ReadingOrder::Layout);
  EXPECT_EQ(Parse({u"--order", u"Layout", u"a", u"b", u"c"}).readingOrder, ReadingOrder::Layout);
  EXPECT_EQ(ErrorOf({u"--ep=GPU", u"a", u"b", u"c"}), "Invalid --ep value: gpu");
  EXPECT_EQ(ErrorOf({u"--order=Rows", u"a", u"b", u"c"}), "Invalid --order value: rows");
  EXPECT_EQ(ErrorOf({u"--order", u"", u"a", u"b", u"c"}), "Invalid --order value: ");
  EXPECT_EQ(ErrorOf({u"--force-dml-fail=x", u"a", u"b", u"c"}), "Invalid --force-dml-fail value: x");
  EXPECT_EQ(ErrorOf({u"--EP=dml", u"a", u"b", u"c"}), "Unknown flag: --EP=dml");
  EXPECT_EQ(ErrorOf({u"-", u"a", u"b", u"c"}), "Unknown flag: -");
  EXPECT_EQ(ErrorOf({u"--console=1", u"a", u"b", u"c"}), "Unknown flag: --console=1");
  EXPECT_EQ(ErrorOf({u"--epx", u"a", u"b", u"c"}), "Unknown flag: --epx");
}

TEST(CommandLineTest, FirstErrorStopsTheParseAndFillsNoPositional) {
  const RunOptions o = Parse({u"a", u"--bogus", u"--console", u"b", u"c"});
  EXPECT_FALSE(o.valid);
  EXPECT_FALSE(o.console);
  EXPECT_EQ(ToUtf8(o.error), "Unknown flag: --bogus");
  EXPECT_TRUE(o.screenshotPath.empty());
  EXPECT_TRUE(o.inputPath.empty());
}

TEST(CommandLineTest, TooFewPositionals) {
  for (std::vector<std::u16string> rest : {std::vector<std::u16string>{}, {u"--console"}, {u"a", u"b"}}) {
    const RunOptions o = Parse(rest);
    EXPECT_FALSE(o.valid);
    EXPECT_EQ(ToUtf8(o.error), "Missing positional arguments (expected screenshot, veskviewer_exe, input_file)");
    EXPECT_TRUE(o.inputPath.empty());
  }
  EXPECT_TRUE(Parse({u"--console"}).console);
}

}  // namespace
}  // namespace vesk
