#pragma once
// Reads what a worker run left behind: the text lines of its text report and the orientation of each
// line from its JSON document.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vesk::bench {

struct ReportText {
  bool failed = false;        // a failure report ("OCR Failed:")
  std::string failure;        // its message
  bool wellFormed = true;     // false when the report does not have the layout the worker writes
  std::vector<std::string> lines;  // the text lines in report order, barcode blocks left out
};

// Parses a text report: "\r\n"-terminated lines, barcode blocks first (each framed by rule lines and
// followed by an empty line), then "[OCR Text]" and the text lines when there were barcodes, or the
// text lines alone; "No text detected in the current view." means no lines.
ReportText ParseTextReport(std::string_view report);

// The "orientation" of every element of the JSON document's "lines" array, in order; empty when the
// document has no such array.
std::optional<std::vector<int>> ParseLineOrientations(std::string_view json);

// Where the entries of the "lines" array of a JSON document the worker wrote lie, as offsets into it
// (an empty range for an empty array); nothing when the document has no such array.
std::optional<std::pair<size_t, size_t>> FindJsonLines(std::string_view json);

// A line's box: its four corners (x, y) in the screenshot's pixels, in the order the worker wrote them.
using LineBox = std::array<std::array<int, 2>, 4>;

// The "box" of every element of the JSON document's "lines" array, in order; empty when the document has
// no such array or a box is not four points.
std::optional<std::vector<LineBox>> ParseLineBoxes(std::string_view json);

}  // namespace vesk::bench
