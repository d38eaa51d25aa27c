#pragma once
// Screenshots with known text: NAME.png (or any picture the worker reads) beside NAME.txt, which holds
// the text in reading order, one line per visually continuous run of text, UTF-8 with LF line ends. The runs
// that form one row (a terminal table's fields, a form's label and value, a table row's cells) may share a
// line of the file, separated by TAB characters; each run is a known line of its own all the same.
// NAME.rotated.txt, when present, lists the 0-based indices of the file's lines shown upside down. A folder
// may hold families.txt, one "NAME<TAB>FAMILY" a line, naming the layout family of each screenshot.

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
  std::vector<std::string> lines;  // the runs, one per known line (a file line with TABs gives several),
                                   // or the rows when loaded with RowUnit::kRows
  std::vector<size_t> row;          // per run: the 0-based index of its line in NAME.txt (its row)
  std::vector<size_t> upsideDown;   // indices into lines: every run of a line that NAME.rotated.txt names
};

// Every NAME.png with NAME.txt in a folder (in name order), or the pictures named; false with a message
// when a picture lacks its text, a text file is not clean (a blank line, a carriage return, an
// upside-down index out of range) or families.txt has a line without a tab.
bool LoadScreenshots(const std::vector<std::filesystem::path>& sources, std::vector<Screenshot>& out,
                     std::string& error, RowUnit unit = RowUnit::kRuns);

// Splits known text into its lines, and each line at TABs into its runs (lines gets the runs, rowOfLine, when
// given, the file line of each); false when a line or a run between TABs is blank or the text holds a
// carriage return.
bool SplitKnownText(const std::string& text, std::vector<std::string>& lines, std::string& error,
                    std::vector<size_t>* rowOfLine = nullptr);

// Makes each row of a screenshot's runs one line, its runs joined by a space; row and upsideDown follow.
void JoinRows(Screenshot& shot);

}  // namespace vesk::bench
