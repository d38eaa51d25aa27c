#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vesk {

// Greedy CTC decoding of T steps of C class values (step t at data[t * C]): the best class of each
// step, repeats merged, blank (class 0) dropped, classes at or past the dictionary's end skipped.
// Rows that are not already probabilities (a negative value, or a sum off 1 by 0.05 or more) go
// through softmax. score is the mean probability of the emitted characters, 0 when none.
// With gapSpaceSteps above 0, a run of blank steps between two characters of which at least one is
// printable ASCII adds a space there (one the model did not emit) when it is at least gapSpaceSteps
// long and at least two steps longer than the line's median run between two such characters,
// unless a space is already there. The line's picture, where given, tells more (see PictureCues).
using StepGap = std::function<bool(int64_t before, int64_t after, double pitch)>;
using StepBlank = std::function<double(int64_t before, int64_t after)>;
// Steps before and after are -1 where the mark at `at` begins or ends the line.
using StepMark = std::function<bool(int64_t before, int64_t at, int64_t after)>;

// What the line's picture tells about the characters emitted at given steps; each is optional.
struct PictureCues {
  // Whether the picture shows a word gap between the characters at two steps, given the line's usual
  // distance in steps between neighbouring characters; such a gap adds a space on the same terms.
  StepGap gap = {};
  // How wide the widest blank between the characters at two steps is, in line heights; it adds the
  // spaces a number's neighbours stand apart by: between a letter and a digit side by side, a blank
  // of at least 0.35 line heights and twice the line's usual blank between neighbouring characters
  // ("869 KB", "4417 Dec", "Oct 1"); a slash between two digits with blanks of at least 0.15 line
  // heights and twice the usual on both sides, neither more than 1.6 times the other, gets a space on
  // either side ("Page 1 / 4", "5 / 32"). A date's "28/05" or "10px", a monospace font's characters,
  // which its cells set apart as far as any, and a path after a field's space ("00:00:02 /lib") keep
  // theirs.
  StepBlank blank = {};
  // Whether the mark at a step between two others is drawn as a point: a comma between two letters or
  // digits drawn so reads as a period ("1.6G", "detection.h"; "3,1" and "de,fr" keep theirs).
  StepMark point = {};
  // Whether the mark at a step is drawn as a colon, two dots one above the other: a "+", "*", "t" or
  // "±" drawn so reads as one ("90:54.02", "modified:").
  StepMark colon = {};
};
void DecodeCtc(const float* data, int64_t T, int64_t C, const std::vector<std::string>& dictionary,
               std::string& text, float& score, int32_t gapSpaceSteps = 0, const PictureCues& picture = {});

}  // namespace vesk
