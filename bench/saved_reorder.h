#pragma once
// Puts the lines of a saved worker run into a reading order again, without the models: a run with
// --order=columns writes every detected box as a line of its own, so its JSON document holds the boxes,
// their texts and turns, which is all an order and its joins need. Orders take microseconds where a
// run takes seconds, so rules can be tried on a whole corpus in a moment.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/records.h"
#include "ocr/layout_order.h"
#include "ocr/reading_order.h"

namespace vesk::bench {

// The "lines" of a worker's JSON document (text, score, orientation, box), in document order; empty when
// the document has no such array or a line is not in the layout the worker writes.
std::optional<std::vector<OcrLine>> ParseJsonLines(std::string_view json);

// The picture's size the document gives; 0 x 0 when it gives none.
PictureSize ParseJsonPictureSize(std::string_view json);

// The lines put into the given order and the pieces of a row joined, as the worker does after reading
// them: a piece joins the line before it when the order says so and both are turned alike.
std::vector<OcrLine> Reorder(const std::vector<OcrLine>& lines, ReadingOrder order, PictureSize picture);

// The order a configuration's worker arguments ask for (--order=X or --order X; the last one wins).
ReadingOrder OrderOfArguments(const std::vector<std::string>& arguments);

}  // namespace vesk::bench
