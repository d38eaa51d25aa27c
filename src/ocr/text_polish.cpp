#include "ocr/text_polish.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "ocr/code_points.h"

namespace vesk {
namespace {

// The ASCII form of a full-width punctuation mark, or 0 when the code point is none.
char AsciiForm(char32_t c) {
  if (c == U'\u3001') return ',';
  if (c == U'\u3002') return '.';
  if (c < 0xFF01 || c > 0xFF5E) return 0;
  const char ascii = static_cast<char>(c - 0xFF01 + 0x21);
  const bool letterOrDigit = (ascii >= '0' && ascii <= '9') || (ascii >= 'A' && ascii <= 'Z') ||
                             (ascii >= 'a' && ascii <= 'z');
  return letterOrDigit ? 0 : ascii;
}

enum class Script { None, Latin, Chinese };

// What kind of text a neighbouring code point belongs to. Spaces and other full-width punctuation
// say nothing and are looked past.
Script ScriptOf(char32_t c) {
  if (c > ' ' && c < 0x7F) return Script::Latin;
  if (c >= 0x2E80) return Script::Chinese;  // CJK scripts, their punctuation and full-width forms
  return Script::None;
}

Script Neighbour(const std::vector<CodePoint>& points, size_t from, int step) {
  for (size_t i = from; i < points.size(); i += static_cast<size_t>(step)) {
    const char32_t c = points[i].value;
    if (c == ' ' || AsciiForm(c) != 0) continue;
    return ScriptOf(c);
  }
  return Script::None;
}

bool IsTheta(char32_t c) { return c == U'\u03B8' || c == U'\u0398'; }
bool IsGreek(char32_t c) { return c >= 0x0370 && c <= 0x03FF; }
bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string ReadSlashedZeros(std::string_view text) {
  const std::vector<CodePoint> points = SplitCodePoints(text);
  bool anyTheta = false;
  for (const CodePoint& p : points) {
    if (IsGreek(p.value) && !IsTheta(p.value)) return std::string(text);
    anyTheta = anyTheta || IsTheta(p.value);
  }
  if (!anyTheta) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < points.size();) {
    if (!IsTheta(points[i].value)) {
      out += points[i].bytes;
      ++i;
      continue;
    }
    size_t end = i;
    while (end < points.size() && IsTheta(points[end].value)) ++end;
    const bool whole = i == 0 && end == points.size();
    const bool byDigit = (i > 0 && IsDigit(points[i - 1].value)) || (end < points.size() && IsDigit(points[end].value));
    for (size_t k = i; k < end; ++k) out += whole || byDigit ? std::string("0") : points[k].bytes;
    i = end;
  }
  return out;
}


std::string PolishLineText(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);

  const std::vector<CodePoint> points = SplitCodePoints(text);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < points.size(); ++i) {
    const char ascii = AsciiForm(points[i].value);
    if (ascii != 0) {
      // The index wraps past 0 going left, which ends the search like the end of the text does.
      const Script before = Neighbour(points, i - 1, -1);
      const Script after = Neighbour(points, i + 1, 1);
      const bool latin = (before == Script::Latin || after == Script::Latin) && before != Script::Chinese &&
                         after != Script::Chinese;
      if (latin) {
        out += ascii;
        continue;
      }
    }
    out += points[i].bytes;
  }
  // A monospace point stands alone in its cell, and the blank beside it reads as a space: "0 .0" is 0.0.
  for (size_t i = 1; i + 2 < out.size(); ++i) {
    if (out[i] == ' ' && out[i + 1] == '.' && IsDigit(out[i - 1]) && IsDigit(out[i + 2])) out.erase(i, 1);
  }
  return out;
}

namespace {

bool IsCapital(char c) { return c >= 'A' && c <= 'Z'; }

// The words between single spaces, empty ones included, so that joining them again gives the text.
std::vector<std::string_view> SplitWords(std::string_view text) {
  std::vector<std::string_view> words;
  for (size_t start = 0; start <= text.size();) {
    const size_t end = std::min(text.find(' ', start), text.size());
    words.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

// The words joined by single spaces again.
template <typename Word>
std::string JoinWords(const std::vector<Word>& words) {
  std::string out;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i > 0) out += ' ';
    out += words[i];
  }
  return out;
}

// A pair of glyphs the recogniser confuses in terminal and interface fonts: the one read, the one drawn.
using Confusion = std::pair<char, char>;

// Whether `read` differs from `drawn` in exactly one place, where one of the confusions reads the glyph
// drawn as the glyph read.
template <size_t N>
bool OneConfusionFrom(std::string_view read, std::string_view drawn, const std::array<Confusion, N>& confusions) {
  if (read.size() != drawn.size()) return false;
  size_t place = read.size();
  int differences = 0;
  for (size_t i = 0; i < read.size(); ++i) {
    if (read[i] != drawn[i]) {
      place = i;
      ++differences;
    }
  }
  return differences == 1 && std::any_of(confusions.begin(), confusions.end(), [&](const Confusion& c) {
           return read[place] == c.first && drawn[place] == c.second;
         });
}
char Lower(char c) { return IsCapital(c) ? static_cast<char>(c - 'A' + 'a') : c; }

// "ctrl+" in any case, with the recogniser's "1" or "I" for the "l".
bool IsCtrl(std::string_view word) {
  if (word.size() != 5 || word[4] != '+') return false;
  const char l = Lower(word[3]);
  return Lower(word[0]) == 'c' && Lower(word[1]) == 't' && Lower(word[2]) == 'r' && (l == 'l' || l == '1' || l == 'i');
}

// A name of capitals and underscores, one 5 after an underscore and before a capital its only digit:
// that 5 reads as S.
void ReadNameS(std::string& word) {
  bool underscore = false;
  int fives = 0;
  for (size_t i = 0; i < word.size(); ++i) {
    const char c = word[i];
    if (c == '_') {
      underscore = true;
    } else if (c == '5' && i > 0 && word[i - 1] == '_' && i + 1 < word.size() && IsCapital(word[i + 1])) {
      ++fives;
    } else if (!IsCapital(c)) {
      return;
    }
  }
  if (!underscore || fives != 1 || !IsCapital(word[0])) return;
  word[word.find("_5") + 1] = 'S';
}

}  // namespace

namespace {

bool IsZeroLookalike(std::string_view word) {
  return word == "o" || word == "O" || word == "\u03B8" || word == "\u0398";
}

// A number as a table or a terminal prints it: digits with signs, points, separators and units of
// punctuation ("-20", "0.0", "12:05", "45%").
bool IsNumberField(std::string_view word) {
  bool digit = false;
  for (char c : word) {
    if (IsDigit(static_cast<unsigned char>(c))) {
      digit = true;
    } else if (std::string_view("+-.,:/%").find(c) == std::string_view::npos) {
      return false;
    }
  }
  return digit;
}

}  // namespace

std::string ReadLoneZero(std::string_view text) {
  if (text == "o" || text == "O") return "0";
  const std::vector<std::string_view> words = SplitWords(text);
  if (words.size() < 2) return std::string(text);
  int lookalikes = 0;
  int capitals = 0;
  for (std::string_view word : words) {
    if (IsZeroLookalike(word)) {
      ++lookalikes;
    } else if (word.size() == 1 && IsCapital(word[0])) {
      ++capitals;
    } else if (!IsNumberField(word)) {
      return std::string(text);
    }
  }
  // A row of single capitals is a word spelt out or a keyboard's keys, not fields of numbers.
  if (lookalikes == 0 || capitals > 1 || lookalikes == static_cast<int>(words.size())) return std::string(text);
  std::vector<std::string_view> read = words;
  for (std::string_view& word : read) word = IsZeroLookalike(word) ? "0" : word;
  return JoinWords(read);
}

std::string ReadInterfaceCapitals(std::string_view text) {
  if (text.size() == 6 && IsCtrl(text.substr(0, 5))) {
    const char key = text[5];
    if ((key >= 'a' && key <= 'z') || IsCapital(key)) {
      return std::string("Ctrl+") + static_cast<char>(IsCapital(key) ? key : key - 'a' + 'A');
    }
  }
  std::vector<std::string> words;
  for (std::string_view word : SplitWords(text)) {
    words.emplace_back(word);
    ReadNameS(words.back());
  }
  return JoinWords(words);
}

namespace {

bool AllDigits(std::string_view word) {
  const auto digit = [](char c) { return IsDigit(static_cast<unsigned char>(c)); };
  return !word.empty() && std::all_of(word.begin(), word.end(), digit);
}

// "HH:MM" or a year.
bool TimeOrYear(std::string_view word) {
  if (word.size() == 4) return AllDigits(word);
  return word.size() == 5 && word[2] == ':' && AllDigits(word.substr(0, 2)) && AllDigits(word.substr(3));
}

// The month `word` is read for, or empty: it differs from the month's abbreviation in one place, where
// the recogniser is known to confuse the glyphs.
std::string_view MonthMisread(std::string_view word) {
  static constexpr std::array<std::string_view, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  static constexpr std::array<Confusion, 6> kConfusions{
      {{'0', 'O'}, {'o', 'O'}, {'H', 'M'}, {'H', 'A'}, {'o', 'p'}, {'1', 'l'}}};
  for (std::string_view month : kMonths) {
    if (OneConfusionFrom(word, month, kConfusions)) return month;
  }
  return {};
}

}  // namespace

std::string ReadMonthNames(std::string_view text) {
  std::vector<std::string_view> words = SplitWords(text);
  for (size_t i = 0; i + 1 < words.size(); ++i) {
    const std::string_view day = words[i + 1];
    const int number = AllDigits(day) && day.size() <= 2 ? std::stoi(std::string(day)) : 0;
    const bool dated = number >= 1 && number <= 31 && (i + 2 == words.size() || TimeOrYear(words[i + 2]));
    const std::string_view month = dated ? MonthMisread(words[i]) : std::string_view();
    if (!month.empty()) words[i] = month;
  }
  return JoinWords(words);
}

namespace {

// What the glyph read at one place of a mode stands for, or 0 when it is none of what that place holds:
// `letter` is the place's letter (r, w or x; s and S, t and T stand in an x's place for the set-id and
// sticky bits).
char ModePlace(char read, char letter) {
  if (read == '-' || read == letter) return read;
  switch (letter) {
    case 'r': return read == 'n' ? 'r' : 0;
    case 'w': return read == 'u' || read == 'v' ? 'w' : 0;
    default: return read == 's' || read == 'S' || read == 't' || read == 'T' ? read : 0;
  }
}

// The mode the word is read for, or empty.
std::string FileMode(std::string_view word) {
  static constexpr std::string_view kLetters = "rwxrwxrwx";
  static constexpr std::string_view kTypes = "-dlcbps";
  // Places read as they are: a word of letters that happens to fit the confusions is no mode.
  constexpr int kLeastExact = 5;
  if (word.size() != 10 && word.size() != 11) return {};
  if (word.size() == 11 && word.back() != '.' && word.back() != '+') return {};
  std::string mode(word);
  if (mode[0] == '1' || mode[0] == 'I' || mode[0] == '|') mode[0] = 'l';
  if (kTypes.find(mode[0]) == std::string_view::npos) return {};
  int exact = 0;
  for (size_t i = 0; i < kLetters.size(); ++i) {
    const char read = word[i + 1];
    const char place = ModePlace(read, kLetters[i]);
    if (place == 0) return {};
    if (read == '-' || read == kLetters[i]) ++exact;
    mode[i + 1] = place;
  }
  return exact >= kLeastExact ? mode : std::string();
}

}  // namespace

std::string ReadFileModes(std::string_view text) {
  std::vector<std::string> words;
  for (std::string_view word : SplitWords(text)) {
    const std::string mode = FileMode(word);
    words.push_back(mode.empty() ? std::string(word) : mode);
  }
  return JoinWords(words);
}

namespace {

bool IsNameCharacter(char c) {
  return IsDigit(static_cast<unsigned char>(c)) || (c >= 'a' && c <= 'z') || IsCapital(c) || c == '.' || c == '_' ||
         c == '-';
}

// The length of a prompt's "user@host:" at the start of the word, or 0.
size_t PromptHostLength(std::string_view word) {
  const size_t at = word.find('@');
  const size_t colon = word.find(':');
  if (at == 0 || at == std::string_view::npos || colon == std::string_view::npos || colon < at + 2) return 0;
  for (size_t i = 0; i < colon; ++i) {
    if (i != at && !IsNameCharacter(word[i])) return 0;
  }
  return colon + 1;
}

bool IsPromptEnd(char c) { return c == '$' || c == '#'; }

// What the recogniser reads a terminal font's tilde as, high in its cell.
bool IsTildeMisread(char c) { return c == '*' || c == '^'; }

}  // namespace

std::string ReadShellPrompts(std::string_view text) {
  std::vector<std::string> words;
  for (std::string_view word : SplitWords(text)) words.emplace_back(word);
  if (words.empty()) return std::string(text);
  const size_t host = PromptHostLength(words[0]);
  if (host > 0) {
    const std::string rest = words[0].substr(host);
    // A space where the tilde was: "alice@build: $", "alice@build: /src$" (a prompt has no space there).
    const bool spaced = rest.empty() && words.size() > 1 && !words[1].empty() && IsPromptEnd(words[1].back()) &&
                        (words[1].size() == 1 || words[1][0] == '/');
    if (spaced) {
      words[0] += '~';
      words[0] += words[1];
      words.erase(words.begin() + 1);
    } else if ((rest.size() == 1 && IsPromptEnd(rest[0])) ||
               (rest.size() == 2 && IsTildeMisread(rest[0]) && IsPromptEnd(rest[1]))) {
      words[0].resize(host);
      words[0] += '~';
      words[0] += rest.back();
    } else if (rest.size() > 2 && IsTildeMisread(rest[0]) && rest[1] == '/' && IsPromptEnd(rest.back())) {
      words[0][host] = '~';  // "alice@build:*/src$"
    }
  }
  // The bracketed prompt "[carol@db2 ~]$": its tilde read as "^" or "*", or lost.
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string& user = words[i - 1];
    std::string& folder = words[i];
    const bool bracketed = user.size() >= 4 && user[0] == '[' && user.find('@') != std::string::npos &&
                           user.find(']') == std::string::npos;
    if (!bracketed) continue;
    const bool closes = folder.size() >= 2 && folder[folder.size() - 2] == ']' && IsPromptEnd(folder.back());
    if (closes && folder.size() == 2) folder.insert(folder.begin(), '~');
    if (closes && folder.size() == 3 && IsTildeMisread(folder[0])) folder[0] = '~';
  }
  for (size_t i = 1; i < words.size(); ++i) {
    const bool afterPrompt = !words[i - 1].empty() && IsPromptEnd(words[i - 1].back());
    if (afterPrompt && (words[i] == "1s" || words[i] == "Is" || words[i] == "|s")) words[i] = "ls";
  }
  return JoinWords(words);
}

namespace {

// The root folder `name` is read for, or empty.
std::string_view RootFolderMisread(std::string_view name) {
  static constexpr std::array<std::string_view, 18> kFolders{"bin",  "boot", "dev",  "etc", "home", "lib",
                                                             "media", "mnt", "opt",  "proc", "root", "run",
                                                             "sbin", "srv",  "sys",  "tmp", "usr",  "var"};
  static constexpr std::array<Confusion, 3> kConfusions{{{'y', 'v'}, {'n', 'r'}, {'w', 'm'}}};
  if (std::find(kFolders.begin(), kFolders.end(), name) != kFolders.end()) return {};
  std::string_view found;
  int matches = 0;
  for (std::string_view folder : kFolders) {
    const bool lastLost = folder.size() == name.size() + 1 && folder.substr(0, name.size()) == name;
    if (lastLost || OneConfusionFrom(name, folder, kConfusions)) {
      found = folder;
      ++matches;
    }
  }
  return matches == 1 ? found : std::string_view();
}

}  // namespace

std::string ReadRootFolders(std::string_view text) {
  std::vector<std::string> words;
  for (std::string_view word : SplitWords(text)) {
    words.emplace_back(word);
    // Only a path from the root: "/sry" or "/sry/data", not "a/sry".
    const size_t end = word.size() > 1 && word[0] == '/' ? std::min(word.find('/', 1), word.size()) : 0;
    const std::string_view name = end > 1 ? word.substr(1, end - 1) : std::string_view();
    const std::string_view folder = name.size() >= 2 ? RootFolderMisread(name) : std::string_view();
    // A lost last letter is only told where the folder ends the word: "/tm" is "/tmp", "/tm/x" may be
    // any folder.
    if (folder.empty() || (folder.size() != name.size() && end != word.size())) continue;
    std::string& read = words.back();
    read.assign(1, '/');
    read += folder;
    read += word.substr(end);
  }
  return JoinWords(words);
}

}  // namespace vesk
