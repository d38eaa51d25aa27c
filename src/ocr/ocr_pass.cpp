#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "ocr/aliased_text.h"
#include "ocr/box_rounding.h"
#include "ocr/det_box.h"
#include "ocr/layout_order.h"
#include "ocr/line_crop.h"
#include "ocr/line_order.h"
#include "ocr/line_pieces.h"
#include "ocr/listing_modes.h"
#include "ocr/lowercase_ells.h"
#include "ocr/mark_lines.h"
#include "ocr/ocr_engine.h"
#include "ocr/registry_values.h"
#include "ocr/row_height_cuts.h"
#include "ocr/size_units.h"
#include "ocr/text_polish.h"

namespace vesk {
namespace {

// A tab between the pieces of a row: detection splits a row only where its text stands wider apart than
// words, so the pieces are fields (cells of a table, a label and its value, the columns of a terminal
// listing). A tab keeps them apart where a space would merge them ("Used Avail" from two columns), a
// row pastes into a spreadsheet as its cells, and every editor shows it as a gap, as on the screen.
// Words of a justified line that detection split get one too: telling them from cells would take the
// paragraph around them, and the tab loses nothing of the text.
constexpr char kPieceSeparator = '\t';

OrderedBoxes InReadingOrder(const std::vector<DetBox>& boxes, const DecodedImage& image, ReadingOrder order) {
  if (order == ReadingOrder::Layout) return OrderBoxesByLayout(boxes, {image.width, image.height});
  OrderedBoxes ordered{OrderBoxes(boxes), {}};
  ordered.joins.assign(ordered.boxes.size(), LineJoin::Starts);
  return ordered;
}

// The lines cut out of the screenshot: crops[i] is the picture of *boxes[i], cut by cuts[i], a piece of
// the row rows[i] of the reading (rows count up from 0).
struct LineCrops {
  std::vector<const DetBox*> boxes;
  std::vector<DetBox> cuts;
  std::vector<DecodedImage> crops;
  std::vector<size_t> rows;
};

// Cuts the box, grown by the profile's margins (marginX at the sides), out of the screenshot. Small
// aliased text is cut from a copy of its part of the screenshot with the access-key underlines painted
// over, and a line of it in a proportional font that blank rows part from its neighbours only from its
// own rows (with the same room above and below), and the neighbouring lines' ink the cut takes in is
// painted over where the profile asks; the crop is otherwise the same as from the screenshot.
bool CutLine(const DecodedImage& image, const DetBox& box, const ModelProfile& profile, float marginX,
             DecodedImage& crop) {
  PixelRegion region;
  const int32_t maxHeight = std::max(profile.underlineMaxHeight, profile.ownRowsMaxHeight);
  if (!CutAliasedRegion(image, box, profile.cropMarginY, marginX, maxHeight, region)) {
    return CropLine(image, ExpandBox(box, profile.cropMarginY, marginX), crop);
  }
  const auto toRegion = [&](DetBox b) {
    for (Point2f& corner : b.points) {
      corner.x -= static_cast<float>(region.left);
      corner.y -= static_cast<float>(region.top);
    }
    return b;
  };
  const DetBox inRegion = toRegion(box);
  DetBox shifted = toRegion(ExpandBox(box, profile.cropMarginY, marginX));
  const float top = std::min(inRegion.points[0].y, inRegion.points[1].y);
  const float height = std::max(box.points[3].y - box.points[0].y, box.points[2].y - box.points[1].y);
  if (height <= static_cast<float>(profile.underlineMaxHeight)) RemoveAccessKeyUnderlines(region.picture, top, height);
  if (height <= static_cast<float>(profile.ownRowsMaxHeight)) {
    FitToOwnRows(region.picture, inRegion, profile.cropMarginY, shifted);
  }
  if (profile.cropClearNeighbours) ClearNeighbourInk(region.picture, inRegion, shifted);
  return CropLine(region.picture, shifted, crop);
}

// Every box is cut out (and turned upright) first, so that lines can share model calls; the lines are
// then taken in reading order again.
LineCrops CropAll(const DecodedImage& image, const OrderedBoxes& ordered, const ModelProfile& profile,
                  Timeline* timeline) {
  LineCrops lines;
  lines.crops.reserve(ordered.boxes.size());
  const std::vector<DetBox> cuts = RowHeightCuts(ordered.boxes, profile.cropRowHeight);
  size_t row = 0;
  for (size_t i = 0; i < ordered.boxes.size(); ++i) {
    if (i > 0 && ordered.joins[i] == LineJoin::Starts) ++row;
    TimedStage cropping(timeline, "crop");
    DecodedImage crop;
    if (CutLine(image, cuts[i], profile, profile.cropMarginX, crop)) {
      lines.boxes.push_back(&ordered.boxes[i]);
      lines.cuts.push_back(cuts[i]);
      lines.crops.push_back(std::move(crop));
      lines.rows.push_back(row);
    }
  }
  return lines;
}

template <typename T>
std::vector<T*> Pointers(std::vector<T>& items) {
  std::vector<T*> pointers;
  pointers.reserve(items.size());
  for (T& item : items) pointers.push_back(&item);
  return pointers;
}

template <typename T>
std::vector<const T*> ConstPointers(const std::vector<T>& items) {
  std::vector<const T*> pointers;
  pointers.reserve(items.size());
  for (const T& item : items) pointers.push_back(&item);
  return pointers;
}

// The lines of the readings in reading order, the pieces of a row joined into one line (a piece turned
// otherwise than the line so far starts a line of its own). A piece whose output was unusable is only
// dropped; a failed model call fails the attempt, so that a DirectML fault can be retried on the CPU,
// with the first reason in reading order.
Outcome<std::vector<OcrLine>> AssembleLines(const LineCrops& crops, const std::vector<int>& orientations,
                                            std::vector<Outcome<LineReading>>& readings, const ModelProfile& profile) {
  // Marks are told apart by the text of the whole screen, so every piece is read and polished first.
  std::vector<std::string> texts(readings.size());
  for (size_t i = 0; i < readings.size(); ++i) {
    if (!readings[i].ok()) continue;
    if (profile.textPolish) readings[i]->text = PolishLineText(readings[i]->text);
    if (profile.slashedZeros) readings[i]->text = ReadSlashedZeros(readings[i]->text);
    if (profile.loneZeros) readings[i]->text = ReadLoneZero(readings[i]->text);
    if (profile.interfaceCapitals) readings[i]->text = ReadInterfaceCapitals(readings[i]->text);
    if (profile.monthNames) readings[i]->text = ReadMonthNames(readings[i]->text);
    if (profile.fileModes) readings[i]->text = ReadFileModes(readings[i]->text);
    if (profile.shellPrompts) readings[i]->text = ReadShellPrompts(readings[i]->text);
    if (profile.rootFolders) readings[i]->text = ReadRootFolders(readings[i]->text);
    if (profile.lowercaseElls) readings[i]->text = ReadLowercaseElls(readings[i]->text);
    if (profile.registryValues) readings[i]->text = ReadRegistryValues(readings[i]->text);
    texts[i] = readings[i]->text;
  }
  if (profile.sizeUnits || profile.listingModes) {
    if (profile.sizeUnits) ReadSizeUnits(texts, crops.boxes);
    if (profile.listingModes) ReadListingModes(texts, crops.boxes);
    for (size_t i = 0; i < readings.size(); ++i) {
      if (readings[i].ok()) readings[i]->text = texts[i];
    }
  }
  const std::vector<bool> marks = FindMarkLines(texts, profile.markMaxChars);

  std::vector<OcrLine> lines;
  size_t lineRow = 0;
  size_t lineCharacters = 0;
  std::string firstError;
  bool callFailed = false;
  for (size_t i = 0; i < readings.size(); ++i) {
    if (!readings[i].ok()) {
      if (firstError.empty()) firstError = readings[i].status().message();
      if (readings[i].status().kind() == FailureKind::ModelCall) callFailed = true;
      continue;
    }
    LineReading& reading = *readings[i];
    if (reading.text.empty() || marks[i]) continue;
    if (profile.windowButtons && IsWindowButtons(reading.text, reading.score)) continue;

    OcrLine line;
    line.index = static_cast<int32_t>(lines.size());
    line.text = std::move(reading.text);
    line.score = reading.score;
    line.orientation = orientations[i];
    line.box = RoundBoxCorners(*crops.boxes[i]);
    if (!lines.empty() && crops.rows[i] == lineRow && lines.back().orientation == line.orientation) {
      JoinPiece(lines.back(), lineCharacters, line, kPieceSeparator);
      continue;
    }
    lineRow = crops.rows[i];
    lineCharacters = CountCharacters(line.text);
    lines.push_back(std::move(line));
  }
  if (callFailed) {
    return Status::Failure(FailureKind::ModelCall, firstError.empty() ? "Recognition Run failed" : firstError);
  }
  return lines;
}

}  // namespace

// A wrongly turned line still reads as something, only worse: the turn stands when the line reads
// better turned than as it was, by the profile's margin (lines of dashes and thin letters read about
// as confidently either way up). A failed model call for the upright reading fails the line as any
// other would; an unusable upright output leaves the turned reading standing.
void OcrEngine::ConfirmTurnedLines(const std::vector<DecodedImage>& crops, const BatchSettings& batching,
                                   std::vector<int>& orientations, std::vector<Outcome<LineReading>>& readings) {
  std::vector<size_t> turned;
  std::vector<DecodedImage> upright;
  for (size_t i = 0; i < crops.size(); ++i) {
    if (orientations[i] != 180 || !readings[i].ok()) continue;
    turned.push_back(i);
    upright.push_back(crops[i]);
    Rotate180(upright.back());
  }
  std::vector<Outcome<LineReading>> uprightReadings = recognizer_.RecognizeLines(ConstPointers(upright), batching);
  for (size_t k = 0; k < turned.size(); ++k) {
    const size_t i = turned[k];
    Outcome<LineReading>& again = uprightReadings[k];
    if (again.ok()) {
      if (again->score + profile_.clsConfirmMargin >= readings[i]->score) {
        readings[i] = std::move(again);
        orientations[i] = 0;
      }
    } else if (again.status().kind() == FailureKind::ModelCall) {
      readings[i] = std::move(again);
    }
  }
}

// The recogniser is made for lines: a lone glyph it reads at some input widths only (a terminal's lone
// "0" cell reads at 32 and 40 columns but not at 36), and at the others it gives nothing at all. Such a
// line is cut again with the profile's other side margins in turn, which change its width, until a cut
// reads as something. A failed model call fails the line as any other would.
void OcrEngine::ReadEmptyLinesAgain(const DecodedImage& image, const std::vector<DetBox>& cuts,
                                    const std::vector<DecodedImage>& crops, const std::vector<int>& orientations,
                                    const BatchSettings& batching, std::vector<Outcome<LineReading>>& readings) {
  // One or two glyphs: a crop at most twice as wide as it is high.
  constexpr int32_t kShortLineAspect = 2;
  std::vector<size_t> empty;
  for (size_t i = 0; i < crops.size(); ++i) {
    if (!readings[i].ok() || !readings[i]->text.empty() || orientations[i] != 0) continue;
    if (crops[i].width <= kShortLineAspect * crops[i].height) empty.push_back(i);
  }
  for (float margin : profile_.cropRetryMarginsX) {
    std::vector<size_t> cut;
    std::vector<DecodedImage> recut;
    for (size_t i : empty) {
      DecodedImage crop;
      if (!CutLine(image, cuts[i], profile_, margin, crop)) continue;
      cut.push_back(i);
      recut.push_back(std::move(crop));
    }
    std::vector<Outcome<LineReading>> again = recognizer_.RecognizeLines(ConstPointers(recut), batching);
    empty.clear();
    for (size_t k = 0; k < cut.size(); ++k) {
      if (again[k].ok() ? !again[k]->text.empty() : again[k].status().kind() == FailureKind::ModelCall) {
        readings[cut[k]] = std::move(again[k]);
      } else {
        empty.push_back(cut[k]);
      }
    }
  }
}

Outcome<std::vector<OcrLine>> OcrEngine::ProcessImage(const DecodedImage& image, const OcrOptions& options) {
  Outcome<std::vector<DetBox>> boxes = detector_.DetectText(image, options.maxSide);
  if (!boxes.ok()) return boxes.status();
  TimedStage ordering(timeline_, "order");
  const OrderedBoxes ordered = InReadingOrder(*boxes, image, options.order);
  ordering.Stop();

  LineCrops lines = CropAll(image, ordered, profile_, timeline_);
  std::vector<int> orientations(lines.crops.size(), 0);
  if (options.classifyOrientation && classifier_.available()) {
    orientations = classifier_.ClassifyOrientations(Pointers(lines.crops), options.batching.orientationBatch);
  }
  std::vector<Outcome<LineReading>> readings = recognizer_.RecognizeLines(ConstPointers(lines.crops), options.batching);
  if (profile_.clsConfirm) ConfirmTurnedLines(lines.crops, options.batching, orientations, readings);
  if (!profile_.cropRetryMarginsX.empty()) {
    ReadEmptyLinesAgain(image, lines.cuts, lines.crops, orientations, options.batching, readings);
  }
  return AssembleLines(lines, orientations, readings, profile_);
}

}  // namespace vesk
