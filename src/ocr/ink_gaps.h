#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/decoded_image.h"

namespace vesk {

// Word gaps seen in a line crop rather than in the recogniser's output. In a terminal's monospace or
// bitmap font a space is a whole empty character cell, yet the model often runs the words together
// ("4096Nov30"); the picture still shows the empty cell.
//
// Ink is a pixel that stands out from the crop's background colour in a band about the line's middle
// (not the room added above and below, where a neighbour's descenders may reach). A gap is a run of
// columns without ink between the places of two characters, at least `cells` times the line's usual
// distance between characters wide (a cell, in a monospace font: its narrow glyphs leave most of
// theirs blank) and never less than a fifth of the line's height.
class WordGaps {
 public:
  // `marginShare`: the room added above and below the line when it was cut, as a share of its height;
  // `columnsPerStep`: how many crop columns one step of the recogniser's output stands for. The crop
  // must outlive the gaps.
  WordGaps(const DecodedImage& crop, float marginShare, double columnsPerStep, float cells);

  // Whether a gap lies between the characters placed at steps `before` and `after`, on a line whose
  // characters stand `pitch` steps apart as a rule.
  bool operator()(int64_t before, int64_t after, double pitch) const;

  // The widest blank between the places of the characters at steps `before` and `after`, in line heights.
  double Blank(int64_t before, int64_t after) const;

  // Whether the mark placed at step `at`, between the characters at `before` and `after`, is drawn as a
  // point: a small blot on the baseline, set apart from both, whose lowest row lies under its highest. A
  // comma's tail runs down to the left. Small bitmap fonts draw their period one pixel deeper than the
  // baseline, which the recogniser takes for a comma ("1,6G", "detection,h").
  bool Point(int64_t before, int64_t at, int64_t after) const;

  // Whether the mark placed at step `at` is drawn as a colon: two dots of its own one above the other,
  // the lower below the middle of the line, the upper above it. Small bitmap fonts draw them as crosses,
  // which the recogniser reads as "+", "*" or "t". `before` and `after` are -1 at the line's ends.
  bool Colon(int64_t before, int64_t at, int64_t after) const;

 private:
  // The same in columns.
  int64_t BlankColumns(int64_t before, int64_t after) const;

  // Where the step stands for in the crop's columns: the middle of the columns it stands for.
  int64_t Column(int64_t step) const;
  // The columns [left, right] of the mark at step `at`: the inked run nearest its place (ink above
  // `level` in rows [top, bottom)), with blank columns between it and the characters at `before` and
  // `after` (-1: the line's end). False when there is none.
  bool MarkColumns(int64_t before, int64_t at, int64_t after, int32_t top, int32_t bottom, int level, int64_t& left,
                   int64_t& right) const;
  // How far the pixel at (x, y) differs from the background.
  int Deviation(int32_t x, int32_t y) const;

  const DecodedImage* crop_ = nullptr;  // only while the crop lives; null when there is nothing to look at
  std::array<int, 3> background_{};
  int threshold_ = 0;
  std::vector<uint8_t> ink_;  // a column holds ink
  double columnsPerStep_;
  double lineHeight_;
  float cells_;
};

}  // namespace vesk
