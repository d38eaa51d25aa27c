#include "ocr/ctc_decode.h"

#include <cmath>
#include <cstddef>

namespace vesk {

namespace {

constexpr int64_t kBlank = 0;
constexpr float kProbabilitySumTolerance = 0.05f;

}  // namespace

void DecodeCtc(const float* data, int64_t T, int64_t C, const std::vector<std::string>& dictionary,
               std::string& text, float& score) {
  text.clear();
  score = 0.0f;
  if (data == nullptr || T < 1 || C < 1) return;

  const int64_t dictSize = static_cast<int64_t>(dictionary.size());
  int64_t prev = -1;
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
      text += dictionary[static_cast<size_t>(best)];
      sum += p;
      ++emitted;
    }
    prev = best;
  }
  if (emitted >= 1) score = sum / static_cast<float>(emitted);
}

}  // namespace vesk
