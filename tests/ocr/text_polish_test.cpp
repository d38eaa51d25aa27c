#include "ocr/text_polish.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

TEST(PolishLineTextTest, FullWidthPunctuationInLatinTextBecomesAscii) {
  EXPECT_EQ(PolishLineText("dict[str\xEF\xBC\x8C Any]"), "dict[str, Any]");
  EXPECT_EQ(PolishLineText("f\xEF\xBC\x88x\xEF\xBC\x89\xEF\xBC\x9A"), "f(x):");  // runs of marks, line end
  EXPECT_EQ(PolishLineText("Note\xE3\x80\x82 Next"), "Note. Next");
  // Full-width letters and digits are not punctuation and stay.
  EXPECT_EQ(PolishLineText("A\xEF\xBC\xA1"), "A\xEF\xBC\xA1");
}

TEST(PolishLineTextTest, ChineseTextKeepsItsPunctuation) {
  // 版本：1.2 and 中，文 keep their full-width marks; so does a mark between Chinese and Latin.
  EXPECT_EQ(PolishLineText("\xE7\x89\x88\xE6\x9C\xAC\xEF\xBC\x9A" "1.2"), "\xE7\x89\x88\xE6\x9C\xAC\xEF\xBC\x9A" "1.2");
  EXPECT_EQ(PolishLineText("\xE4\xB8\xAD\xEF\xBC\x8C\xE6\x96\x87"), "\xE4\xB8\xAD\xEF\xBC\x8C\xE6\x96\x87");
  EXPECT_EQ(PolishLineText("pip\xEF\xBC\x88\xE4\xB8\xAD\xEF\xBC\x89"), "pip\xEF\xBC\x88\xE4\xB8\xAD\xEF\xBC\x89");
  // A mark with nothing but spaces around it has no Latin side either.
  EXPECT_EQ(PolishLineText("\xEF\xBC\x8C"), "\xEF\xBC\x8C");
}

TEST(PolishLineTextTest, TrimsBothEndsAndKeepsInnerSpacesAndBadBytes) {
  EXPECT_EQ(PolishLineText("  a  b  "), "a  b");
  EXPECT_EQ(PolishLineText("   "), "");
  EXPECT_EQ(PolishLineText("0 .0 st, 43 .7 1 . 2 a .5 1 .x"), "0.0 st, 43.7 1 . 2 a .5 1 .x");
  EXPECT_EQ(PolishLineText("a\xFF\xEF\xBC\x8C" "b"), "a\xFF,b");
}

TEST(ReadSlashedZerosTest, ThetasBesideDigitsOrAloneAreZeros) {
  const std::string theta = "\xCE\xB8";
  EXPECT_EQ(ReadSlashedZeros(theta), "0");
  EXPECT_EQ(ReadSlashedZeros(theta + theta), "00");
  EXPECT_EQ(ReadSlashedZeros("1" + theta + "24 MB 2" + theta + theta), "1024 MB 200");
  EXPECT_EQ(ReadSlashedZeros("\xCE\x98" "7"), "07");
  // Among words a theta is a theta, and so is every one of a line with other Greek letters.
  EXPECT_EQ(ReadSlashedZeros("angle " + theta + " = 45"), "angle " + theta + " = 45");
  EXPECT_EQ(ReadSlashedZeros("\xCF\x80" "2" + theta + "1"), "\xCF\x80" "2" + theta + "1");
  EXPECT_EQ(ReadSlashedZeros("a\xFF" + theta + "9"), "a\xFF" "09");
}

TEST(ReadLoneZeroTest, AnOAmongNumberFieldsIsAZero) {
  const std::string theta = "\xCE\xB8";
  EXPECT_EQ(ReadLoneZero("O"), "0");
  EXPECT_EQ(ReadLoneZero("O S"), "0 S");
  EXPECT_EQ(ReadLoneZero(theta + " -20"), "0 -20");
  EXPECT_EQ(ReadLoneZero("12 o 45% 0:01.5"), "12 0 45% 0:01.5");
  // Words, spelt-out capitals, keys and a line of nothing but o's stay.
  for (const char* kept : {"O Romeo", "O K A", "Q W E R T Y U I O P", "o o", "oo 12"}) {
    EXPECT_EQ(ReadLoneZero(kept), kept);
  }
}

TEST(ReadInterfaceCapitalsTest, FivesInCapitalNamesAndSmallCtrlAcceleratorsReadAsCapitals) {
  EXPECT_EQ(ReadInterfaceCapitals("REG_5Z"), "REG_SZ");
  EXPECT_EQ(ReadInterfaceCapitals("Type REG_EXPAND_5Z value"), "Type REG_EXPAND_SZ value");
  EXPECT_EQ(ReadInterfaceCapitals("ctrl+s"), "Ctrl+S");
  EXPECT_EQ(ReadInterfaceCapitals("ctr1+F"), "Ctrl+F");
  // Names with digits of their own, a 5 that does not begin a part, words of small letters, a key that is
  // no letter, and accelerators within other text stay.
  for (const char* kept :
       {"REG_5", "MD5_SUM", "SHA_256_5X", "A5B", "_5X", "my_5Z", "ctrl+0", "press ctrl+s", "ctrl+ss"}) {
    EXPECT_EQ(ReadInterfaceCapitals(kept), kept);
  }
}

TEST(ReadMonthNamesTest, AMonthMisreadBeforeADayReadsAsTheMonth) {
  EXPECT_EQ(ReadMonthNames("0ct 25"), "Oct 25");
  EXPECT_EQ(ReadMonthNames("2290 Hay 7 14:33 configure.sh"), "2290 May 7 14:33 configure.sh");
  EXPECT_EQ(ReadMonthNames("Aor 2 2024"), "Apr 2 2024");
  // Not before something that is no day, nor a word other confusions make.
  for (const char* kept : {"0ct 32", "0ct 5x", "Hay 7 bales", "Hat 7", "Oct 25", "oct"}) {
    EXPECT_EQ(ReadMonthNames(kept), kept);
  }
}

TEST(ReadFileModesTest, ModesReadWithTerminalConfusionsReadAsModes) {
  EXPECT_EQ(ReadFileModes("druxr-xr-x 4 alice alice"), "drwxr-xr-x 4 alice alice");
  EXPECT_EQ(ReadFileModes("lruxrwxrux"), "lrwxrwxrwx");
  EXPECT_EQ(ReadFileModes("1rwxrwxrwx"), "lrwxrwxrwx");
  EXPECT_EQ(ReadFileModes("-ru-r--n--."), "-rw-r--r--.");
  EXPECT_EQ(ReadFileModes("-rwsr-xr-t"), "-rwsr-xr-t");
  // Words that only look like modes in a few places stay.
  for (const char* kept : {"durability", "dnuxnuxnux", "-rw-r--r--x", "xrw-r--r--", "drwxr-xr", "-ru-r--r--!"}) {
    EXPECT_EQ(ReadFileModes(kept), kept);
  }
}

TEST(ReadShellPromptsTest, ALostHomeTildeAndLsAfterAPromptReadAsDrawn) {
  EXPECT_EQ(ReadShellPrompts("alice@build:*/src/vesk$ 1s -1"), "alice@build:~/src/vesk$ ls -1");
  EXPECT_EQ(ReadShellPrompts("alice@build:^$"), "alice@build:~$");
  EXPECT_EQ(ReadShellPrompts("[carol@db2 ^]$ free -m"), "[carol@db2 ~]$ free -m");
  EXPECT_EQ(ReadShellPrompts("[carol@db2 ]$"), "[carol@db2 ~]$");
  EXPECT_EQ(ReadShellPrompts("[carol@db2 src]$ a*]$ [x ^]$"), "[carol@db2 src]$ a*]$ [x ^]$");
  EXPECT_EQ(ReadShellPrompts("olga@nas:$ 1s -1"), "olga@nas:~$ ls -1");
  EXPECT_EQ(ReadShellPrompts("paul@build01:*$ 1s -1"), "paul@build01:~$ ls -1");
  EXPECT_EQ(ReadShellPrompts("wim@web-02: $ git status"), "wim@web-02:~$ git status");
  EXPECT_EQ(ReadShellPrompts("alice@build: /src/vesk$ 1s"), "alice@build:~/src/vesk$ ls");
  EXPECT_EQ(ReadShellPrompts("root@db1:# Is /etc"), "root@db1:~# ls /etc");
  EXPECT_EQ(ReadShellPrompts("alice@build:~/src/vesk$ 1s -1 src"), "alice@build:~/src/vesk$ ls -1 src");
  // Mail addresses, prices and a 1s that is no command stay.
  for (const char* kept : {"mail bob@example.org: $ 5", "@host:$", "took 1s", "bob@x:/tmp$ echo 1s", "a b@c: d", "b@c: /etc"}) {
    EXPECT_EQ(ReadShellPrompts(kept), kept);
  }
}

TEST(ReadRootFoldersTest, ARootFolderReadWithTerminalConfusionsReadsAsTheFolder) {
  EXPECT_EQ(ReadRootFolders("/dev/sdb1 /sry"), "/dev/sdb1 /srv");
  EXPECT_EQ(ReadRootFolders("/van/log/syslog"), "/var/log/syslog");
  EXPECT_EQ(ReadRootFolders("tmpfs /tm"), "tmpfs /tmp");
  EXPECT_EQ(ReadRootFolders("/wedia/usb"), "/media/usb");
  EXPECT_EQ(ReadRootFolders("/nun/user"), "/run/user");
  // Root folders as they are, other paths, a cut name inside a longer path, and words stay.
  for (const char* kept : {"/srv /var /tmp", "/data/sry", "a/van", "/tm/x", "sry van", "/", "/x", "/nope"}) {
    EXPECT_EQ(ReadRootFolders(kept), kept);
  }
}

}  // namespace
}  // namespace vesk
