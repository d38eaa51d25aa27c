#include "ocr/ctc_decode.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace vesk {

namespace {

constexpr int64_t kBlank = 0;
constexpr float kProbabilitySumTolerance = 0.05f;
// How many blank steps more than the usual run between two letters make a word gap.
constexpr int64_t kGapMargin = 2;
// The least blank on either side of a slash between digits that stands apart, in line heights (set
// close, "28/05/2025", the slash leaves a tenth of that), and how much wider than the line's usual blank
// between characters a blank beside a digit must be to be a space (a monospace font's cell leaves a
// fifth of the line's height around every character).
constexpr double kSlashBlank = 0.15;
constexpr double kWiderThanUsual = 2.0;
// Spaces set both blanks alike; a field's space before a path's slash ("00:00:02 /lib") is far wider
// than the room after it.
constexpr double kSlashEven = 1.6;
// A letter and a digit side by side: set close ("10px", "v2", "nvme0n1p1"), they leave at most a third
// of the line's height blank (a monospace "1" or "7" the most); with a space between, 0.35 and more.
constexpr double kUnitBlank = 0.35;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// One printable ASCII character other than the space: a character of Latin text.
bool IsLatinCharacter(const std::string& entry) {
  return entry.size() == 1 && entry[0] > ' ' && entry[0] < 0x7F;
}

// Small letters about half as wide again as most: the model's steps fall near the middle of each
// letter, so more blank steps stand between such a letter and its neighbours inside a word. Wide
// capitals (M, W) mostly start a word, where the gap before them is a real one: only the gap after
// them is widened ("M TU", "W hy" otherwise).
bool IsWideLetter(const std::string& entry) { return entry == "m" || entry == "w"; }

// Whether the picture is asked about a gap between two characters (ASCII, or 0 for any other entry).
// Not beside marks drawn wholly above or below the middle of a line, where the picture shows a gap
// where there is none (ink_gaps.h), and not beside a point between digits ("269.70", "1.8T"): a
// decimal point, whatever room a proportional font leaves around it.
bool PictureMayTell(char before, char after) {
  const auto offMiddle = [](char c) { return c == '_' || c == '\'' || c == '"' || c == '`' || c == '^' || c == '~'; };
  if (offMiddle(before) || offMiddle(after)) return false;
  return !((before == '.' && IsDigit(after)) || (IsDigit(before) && after == '.'));
}

// One emitted entry: where it starts in the text, its step, the blank steps just before it, and what it
// is.
struct Emission {
  size_t begin;
  int64_t step;
  int64_t blanksBefore;
  bool latin;
  bool space;
  bool wide;
  char ascii;  // the character when the entry is one ASCII byte, else 0
  bool plusMinus;
};

// Which entries need a space before them where the picture sets them apart from a digit: a letter
// after a digit or a digit after a letter (a number's unit, a date's month and day), and a slash between
// two digits with the digit after it.
std::vector<bool> DigitSpaces(const std::vector<Emission>& emissions, const StepBlank& pictureBlank) {
  std::vector<bool> before(emissions.size(), false);
  const auto digit = [&](size_t i) { return IsDigit(emissions[i].ascii); };
  // Most lines hold no digit: their picture need not be looked at.
  bool digits = false;
  for (size_t i = 0; i < emissions.size() && !digits; ++i) digits = digit(i);
  if (!pictureBlank || !digits) return before;
  const auto slash = [&](size_t i) { return i > 0 && i + 1 < emissions.size() && emissions[i].ascii == '/'; };
  std::vector<double> blanks;
  for (size_t i = 1; i < emissions.size(); ++i) {
    const bool besideSlash = slash(i) || slash(i - 1);
    if (!besideSlash && emissions[i - 1].latin && emissions[i].latin) {
      blanks.push_back(pictureBlank(emissions[i - 1].step, emissions[i].step));
    }
  }
  double usual = 0.0;
  if (!blanks.empty()) {
    std::nth_element(blanks.begin(), blanks.begin() + static_cast<std::ptrdiff_t>(blanks.size() / 2), blanks.end());
    usual = blanks[blanks.size() / 2];
  }
  const double least = std::max(kSlashBlank, kWiderThanUsual * usual);
  const auto letter = [&](size_t i) { return IsLetter(emissions[i].ascii); };
  for (size_t i = 1; i < emissions.size(); ++i) {
    if (((digit(i - 1) && letter(i)) || (letter(i - 1) && digit(i))) &&
        pictureBlank(emissions[i - 1].step, emissions[i].step) >= std::max(kUnitBlank, kWiderThanUsual * usual)) {
      before[i] = true;
    }
  }
  for (size_t i = 1; i + 1 < emissions.size(); ++i) {
    if (!slash(i) || !digit(i - 1) || !digit(i + 1)) continue;
    const double left = pictureBlank(emissions[i - 1].step, emissions[i].step);
    const double right = pictureBlank(emissions[i].step, emissions[i + 1].step);
    if (std::min(left, right) >= least && std::max(left, right) <= kSlashEven * std::min(left, right)) {
      before[i] = before[i + 1] = true;
    }
  }
  return before;
}

// Whether entry i is a comma between two letters or digits that the picture shows as a point.
bool PointDrawnAsComma(const std::vector<Emission>& emissions, size_t i, const StepMark& picturePoint) {
  const auto alphanumeric = [&](size_t k) { return IsDigit(emissions[k].ascii) || IsLetter(emissions[k].ascii); };
  return emissions[i].ascii == ',' && i > 0 && i + 1 < emissions.size() && alphanumeric(i - 1) && alphanumeric(i + 1) &&
         picturePoint(emissions[i - 1].step, emissions[i].step, emissions[i + 1].step);
}

// Whether entry i is one the recogniser reads a colon as in small bitmap fonts, and the picture shows
// a colon there.
bool ColonDrawnAsOther(const std::vector<Emission>& emissions, size_t i, const StepMark& pictureColon) {
  const char c = emissions[i].ascii;
  if (c != '+' && c != '*' && c != 't' && !emissions[i].plusMinus) return false;
  return pictureColon(i > 0 ? emissions[i - 1].step : -1, emissions[i].step,
                      i + 1 < emissions.size() ? emissions[i + 1].step : -1);
}

// The text with a space added before each entry that follows a long enough blank run beside Latin
// text (Chinese text has no spaces between words, but a space between it and Latin text does). How
// long is long depends on the line: the usual run between two Latin letters is what the model leaves
// in this line's font and size, and a word gap must clearly exceed it. A gap the picture shows
// (`pictureGap`) adds a space whatever the blank run.
std::string WithGapSpaces(const std::string& text, const std::vector<Emission>& emissions, int32_t gapSpaceSteps,
                          const PictureCues& picture) {
  const StepGap& pictureGap = picture.gap;
  const std::vector<bool> digitSpaces = DigitSpaces(emissions, picture.blank);
  std::vector<int64_t> runs;
  for (size_t i = 1; i < emissions.size(); ++i) {
    if (emissions[i - 1].latin && emissions[i].latin) runs.push_back(emissions[i].blanksBefore);
  }
  int64_t typical = 0;
  if (runs.size() >= 3) {
    std::nth_element(runs.begin(), runs.begin() + static_cast<std::ptrdiff_t>(runs.size() / 2), runs.end());
    typical = runs[runs.size() / 2];
  }
  const int64_t threshold = std::max<int64_t>(gapSpaceSteps, typical + kGapMargin);
  // The usual distance between neighbouring characters, in a monospace font the width of a cell: the
  // mean of the distances short of one and a half times their median (longer ones span a space). The
  // steps are coarse beside a small font's cell, so the median alone would be a step off.
  std::vector<int64_t> distances;
  if (pictureGap) {
    for (size_t i = 1; i < emissions.size(); ++i) distances.push_back(emissions[i].step - emissions[i - 1].step);
  }
  double pitch = 0.0;
  if (!distances.empty()) {
    std::vector<int64_t> sorted = distances;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
    const double median = static_cast<double>(sorted[sorted.size() / 2]);
    double sum = 0.0;
    int64_t count = 0;
    for (const int64_t d : distances) {
      if (static_cast<double>(d) < 1.5 * median) {
        sum += static_cast<double>(d);
        ++count;
      }
    }
    pitch = count > 0 ? sum / static_cast<double>(count) : median;
  }
  std::string out;
  out.reserve(text.size() + emissions.size());
  for (size_t i = 0; i < emissions.size(); ++i) {
    const size_t end = i + 1 < emissions.size() ? emissions[i + 1].begin : text.size();
    const int64_t widened = threshold + (emissions[i].wide ? 1 : 0) + (i > 0 && emissions[i - 1].wide ? 1 : 0) +
                            (i > 0 && (emissions[i - 1].ascii == 'M' || emissions[i - 1].ascii == 'W') ? 1 : 0);
    if (i > 0 && (emissions[i - 1].latin || emissions[i].latin) && !emissions[i - 1].space && !emissions[i].space &&
        (digitSpaces[i] || (gapSpaceSteps > 0 && emissions[i].blanksBefore >= widened) ||
         (pictureGap && PictureMayTell(emissions[i - 1].ascii, emissions[i].ascii) &&
          pictureGap(emissions[i - 1].step, emissions[i].step, pitch)))) {
      out += ' ';
    }
    if (picture.point && PointDrawnAsComma(emissions, i, picture.point)) {
      out += '.';
    } else if (picture.colon && ColonDrawnAsOther(emissions, i, picture.colon)) {
      out += ':';
    } else {
      out.append(text, emissions[i].begin, end - emissions[i].begin);
    }
  }
  return out;
}

// The best class of a step: the first of its largest values (values that are not numbers never win,
// unless the first is one: then class 0). Eight running maxima, each over every eighth value, let the
// compiler compare eight values at once; the largest of them is then looked for from the start. A
// step is thousands of classes and a line hundreds of steps.
int64_t BestClass(const float* row, int64_t C) {
  constexpr int64_t kLanes = 8;
  const float first = row[0];
  if (C < kLanes || !(first == first)) {
    int64_t best = 0;
    for (int64_t k = 1; k < C; ++k) {
      if (row[k] > row[best]) best = k;
    }
    return best;
  }
  float lanes[kLanes];
  for (float& lane : lanes) lane = first;
  const int64_t whole = C / kLanes * kLanes;
  for (int64_t k = 0; k < whole; k += kLanes) {
    for (int64_t l = 0; l < kLanes; ++l) lanes[l] = row[k + l] > lanes[l] ? row[k + l] : lanes[l];
  }
  float max = first;
  for (const float lane : lanes) max = lane > max ? lane : max;
  for (int64_t k = whole; k < C; ++k) max = row[k] > max ? row[k] : max;
  int64_t best = 0;
  while (!(row[best] == max)) ++best;
  return best;
}

}  // namespace

void DecodeCtc(const float* data, int64_t T, int64_t C, const std::vector<std::string>& dictionary,
               std::string& text, float& score, int32_t gapSpaceSteps, const PictureCues& picture) {
  text.clear();
  score = 0.0f;
  if (data == nullptr || T < 1 || C < 1) return;

  const int64_t dictSize = static_cast<int64_t>(dictionary.size());
  int64_t prev = -1;
  int64_t blankRun = 0;  // blank steps since the last non-blank one
  std::vector<Emission> emissions;
  // Where each entry was emitted is kept when anything is decided once the line is decoded.
  const bool placed = gapSpaceSteps > 0 || picture.gap || picture.blank || picture.point || picture.colon;
  int64_t emitted = 0;
  float sum = 0.0f;
  for (int64_t t = 0; t < T; ++t) {
    const float* row = data + t * C;
    const int64_t best = BestClass(row, C);
    const float max = row[best];

    // Most steps are blanks or repeats: the probability of a step is worked out only when it
    // emits a character, and the exponentials only for rows that are not probabilities already.
    if (best != kBlank && best != prev && best < dictSize) {
      float rowSum = 0.0f;
      bool negative = false;
      for (int64_t k = 0; k < C; ++k) {
        rowSum += row[k];
        if (row[k] < 0.0f) negative = true;
      }
      float p = max;
      if (negative || !(std::fabs(rowSum - 1.0f) < kProbabilitySumTolerance)) {
        float s = 0.0f;
        for (int64_t k = 0; k < C; ++k) s += std::exp(row[k] - max);
        if (!(s > 0.0f)) s = 1.0f;
        p = 1.0f / s;
      }
      const std::string& entry = dictionary[static_cast<size_t>(best)];
      if (placed) {
        emissions.push_back({text.size(), t, blankRun, IsLatinCharacter(entry), entry == " ", IsWideLetter(entry),
                             entry.size() == 1 ? entry[0] : '\0', entry == "\u00B1"});
      }
      text += entry;
      sum += p;
      ++emitted;
    }
    blankRun = best == kBlank ? blankRun + 1 : 0;
    prev = best;
  }
  if (emitted >= 1) score = sum / static_cast<float>(emitted);
  if (placed) text = WithGapSpaces(text, emissions, gapSpaceSteps, picture);
}

}  // namespace vesk
