#pragma once
// Screenshots with known text: NAME.png (or any picture the worker reads) beside NAME.txt, which holds
// the text in reading order, UTF-8 with LF line ends: one line per row of text, the visually continuous
// runs of a row (a table row's cells, a label and its value, a terminal line's fields) separated by a tab.
// NAME.rotated.txt, when present, lists the 0-based indices of the rows shown upside down. A folder may
// hold families.txt, one "NAME<TAB>FAMILY" a line, naming the layout family of each screenshot.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vesk::bench {

// What a known line is when it is scored.
enum class RowUnit {
  kRuns,  // every run of a row is a line of its own: the boxes a detector finds
  kRows,  // a row is one line, its runs joined by a space: what an order that joins rows should give
};

struct Screenshot {
  std::string name;
  std::string family;  // from families.txt beside the picture; empty when it names none
  std::filesystem::path picture;
  int32_t width = 0;   // from the PNG header; 0 for other formats
  int32_t height = 0;
  std::vector<std::string> lines;    // the lines to score, by the RowUnit the set was loaded with
  std::vector<size_t> upsideDown;    // indices into lines
};

// Every NAME.png with NAME.txt in a folder (in name order), or the pictures named; false with a message
// when a picture lacks its text, a text file is not clean (a blank line or run, a carriage return, an
// upside-down index out of range) or families.txt has a line without a tab.
bool LoadScreenshots(const std::vector<std::filesystem::path>& sources, std::vector<Screenshot>& out,
                     std::string& error, RowUnit unit = RowUnit::kRuns);

// Splits known text into its rows; false when a row or one of its runs is blank or the text holds a
// carriage return.
bool SplitKnownText(const std::string& text, std::vector<std::string>& lines, std::string& error);

// The lines to score of known rows; upsideDown, when given, holds row indices and receives line indices
// (every run of an upside-down row).
std::vector<std::string> ScoredLines(const std::vector<std::string>& rows, RowUnit unit,
                                     std::vector<size_t>* upsideDown = nullptr);

}  // namespace vesk::bench
