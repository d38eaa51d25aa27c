#include "ocr/ctc_decode.h"

#include <cmath>
#include <cstddef>

namespace vesk {

namespace {

constexpr int64_t kBlank = 0;
constexpr float kProbabilitySumTolerance = 0.05f;

// One printable ASCII character other than the space: a character of Latin text.
bool IsLatinCharacter(const std::string& entry) {
  return entry.size() == 1 && entry[0] > ' ' && entry[0] < 0x7F;
}

}  // namespace

void DecodeCtc(const float* data, int64_t T, int64_t C, const std::vector<std::string>& dictionary,
               std::string& text, float& score, int32_t gapSpaceSteps) {
  text.clear();
  score = 0.0f;
  if (data == nullptr || T < 1 || C < 1) return;

  const int64_t dictSize = static_cast<int64_t>(dictionary.size());
  int64_t prev = -1;
  int64_t blankRun = 0;          // blank steps since the last non-blank one
  bool lastWasLatin = false;     // the last emitted entry was a Latin character
  int64_t emitted = 0;
  float sum = 0.0f;
  for (int64_t t = 0; t < T; ++t) {
    const float* row = data + t * C;
    int64_t best = 0;
    float max = row[0];
    for (int64_t k = 1; k < C; ++k) {
      if (row[k] > max) {
        max = row[k];
        best = k;
      }
    }

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
      const bool latin = IsLatinCharacter(entry);
      // Chinese text has no spaces between words, but a space between it and Latin text does.
      const bool besideLatin = lastWasLatin || latin;
      if (gapSpaceSteps > 0 && blankRun >= gapSpaceSteps && besideLatin && !text.empty() && text.back() != ' ' &&
          entry != " ") {
        text += ' ';
      }
      text += entry;
      lastWasLatin = latin;
      sum += p;
      ++emitted;
    }
    blankRun = best == kBlank ? blankRun + 1 : 0;
    prev = best;
  }
  if (emitted >= 1) score = sum / static_cast<float>(emitted);
}

}  // namespace vesk
