#include "app/command_line.h"

#include <gtest/gtest.h>

#include "platform/text.h"

namespace vesk {
namespace {

RunOptions Parse(std::vector<std::u16string> rest) {
  rest.insert(rest.begin(), u"VeskOcrWorker.exe");
  return ParseCommandLine(rest);
}

// Option arguments followed by the three positionals.
RunOptions ParseWith(std::vector<std::u16string> options) {
  options.insert(options.end(), {u"a", u"b", u"c"});
  return Parse(std::move(options));
}

TEST(CommandLineTest, OptionsInterleaveWithPositionalsAndLaterOnesWin) {
  const RunOptions o = Parse({u"--ep=cpu", u"--order=layout", u"shot", u"--cls=0", u"viewer", u"--ep", u"DML",
                              u"doc", u"fourth", u"--barcode", u"0", u"--order", u"columns"});
  ASSERT_TRUE(o.valid);
  EXPECT_EQ(o.executionProvider, ExecutionProvider::Dml);
  EXPECT_EQ(o.readingOrder, ReadingOrder::Columns);
  EXPECT_FALSE(o.classifyOrientation);
  EXPECT_FALSE(o.scanBarcodes);
  EXPECT_EQ(o.screenshotPath, u"shot");
  EXPECT_EQ(o.viewerExePath, u"viewer");
  EXPECT_EQ(o.inputPath, u"doc");  // the fourth positional is ignored
}

TEST(CommandLineTest, SwitchesAreOffOnlyForExactlyZero) {
  for (const char16_t* on : {u"--cls=", u"--cls=1", u"--cls=false", u"--cls=00"}) {
    EXPECT_TRUE(ParseWith({on}).classifyOrientation) << ToUtf8(on);
  }
  EXPECT_TRUE(ParseWith({u"--barcode=no"}).scanBarcodes);
  EXPECT_FALSE(ParseWith({u"--barcode", u"0"}).scanBarcodes);
}

TEST(CommandLineTest, SeparateFormConsumesTheNextArgumentEvenWhenItIsAFlag) {
  const RunOptions o = ParseWith({u"--cls", u"--console"});
  ASSERT_TRUE(o.valid);
  EXPECT_TRUE(o.classifyOrientation);
  EXPECT_FALSE(o.console);
}

TEST(CommandLineTest, NumbersAreClampedAndTrailingTextIgnored) {
  const struct {
    const char16_t* arg;
    int32_t maxSide;
  } sides[] = {{u"--max-side=50", 128},       {u"--max-side=100000", 100000}, {u"--max-side=-3", 128},
               {u"--max-side=300px", 300},    {u"--max-side= \t+700", 700}};
  for (const auto& [arg, maxSide] : sides) EXPECT_EQ(ParseWith({arg}).maxSide, maxSide) << ToUtf8(arg);

  const struct {
    const char16_t* arg;
    int32_t waitTimeoutMs;
  } timeouts[] = {{u"--wait-timeout=1000", 5000},
                  {u"--wait-timeout=999999", 600000},
                  {u"--wait-timeout=2147483647", 600000},
                  {u"--wait-timeout=-2147483648", 5000}};
  for (const auto& [arg, ms] : timeouts) EXPECT_EQ(ParseWith({arg}).waitTimeoutMs, ms) << ToUtf8(arg);
}

TEST(CommandLineTest, ChoiceValuesIgnoreLetterCase) {
  EXPECT_EQ(ParseWith({u"--ep=DML"}).executionProvider, ExecutionProvider::Dml);
  EXPECT_EQ(ParseWith({u"--ep=Auto"}).executionProvider, ExecutionProvider::Auto);
  EXPECT_EQ(ParseWith({u"--force-dml-fail=INIT"}).forceDmlFail, ForceDmlFail::Init);
  EXPECT_EQ(ParseWith({u"--force-dml-fail", u"Run"}).forceDmlFail, ForceDmlFail::Run);
  EXPECT_EQ(ParseWith({u"--order=LAYOUT"}).readingOrder, ReadingOrder::Layout);
  EXPECT_FALSE(ParseWith({}).readingOrder.has_value());  // left to the model profile
}

constexpr char kMissing[] = "Missing positional arguments (expected screenshot, veskviewer_exe, input_file)";

// The first error ends the parse: its message is what --console shows, and an option after it (even
// --console) is not taken.
TEST(CommandLineTest, RefusedCommandLinesNameTheirFirstError) {
  const struct {
    std::vector<std::u16string> args;
    const char* error;
  } refused[] = {
      // A bad number names the value of the separate form, the whole argument of the "=" form.
      {{u"--max-side", u"abc", u"a", u"b", u"c"}, "Bad --max-side: abc"},
      {{u"--max-side=abc", u"a", u"b", u"c"}, "Bad --max-side: --max-side=abc"},
      {{u"--max-side=", u"a", u"b", u"c"}, "Bad --max-side: --max-side="},
      {{u"--wait-timeout=99999999999", u"a", u"b", u"c"}, "Bad --wait-timeout: --wait-timeout=99999999999"},
      {{u"--wait-timeout=2147483648", u"a", u"b", u"c"}, "Bad --wait-timeout: --wait-timeout=2147483648"},
      {{u"--wait-timeout", u"-", u"a", u"b", u"c"}, "Bad --wait-timeout: -"},
      // Choices name the lower-cased value.
      {{u"--ep=GPU", u"a", u"b", u"c"}, "Invalid --ep value: gpu"},
      {{u"--order=Rows", u"a", u"b", u"c"}, "Invalid --order value: rows"},
      {{u"--order", u"", u"a", u"b", u"c"}, "Invalid --order value: "},
      {{u"--force-dml-fail=x", u"a", u"b", u"c"}, "Invalid --force-dml-fail value: x"},
      // Option names are matched exactly; the separate form needs a value after it.
      {{u"--EP=dml", u"a", u"b", u"c"}, "Unknown flag: --EP=dml"},
      {{u"-", u"a", u"b", u"c"}, "Unknown flag: -"},
      {{u"--console=1", u"a", u"b", u"c"}, "Unknown flag: --console=1"},
      {{u"--epx", u"a", u"b", u"c"}, "Unknown flag: --epx"},
      {{u"a", u"b", u"c", u"--max-side"}, "Unknown flag: --max-side"},
      {{u"a", u"b", u"c", u"--order"}, "Unknown flag: --order"},
      {{u"a", u"--bogus", u"--console", u"b", u"c"}, "Unknown flag: --bogus"},
      {{}, kMissing},
      {{u"a", u"b"}, kMissing},
  };
  for (const auto& [args, error] : refused) {
    const RunOptions o = Parse(args);
    EXPECT_FALSE(o.valid) << error;
    EXPECT_EQ(ToUtf8(o.error), error);
    EXPECT_FALSE(o.console) << error;
  }
  // --console before the error is taken, so the error can be shown.
  EXPECT_TRUE(Parse({u"--console"}).console);
}

}  // namespace
}  // namespace vesk
