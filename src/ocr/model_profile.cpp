#include "ocr/model_profile.h"

#include <charconv>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <utility>

#include "platform/files.h"
#include "platform/path.h"
#include "platform/text.h"

namespace vesk {
namespace {

// A profile is a handful of lines; anything far larger is not one.
constexpr size_t kMaxProfileBytes = 64 * 1024;

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Plain decimals only ("12", "0.15", ".5"): no sign, exponent, infinity or NaN.
bool ParseDecimal(std::string_view text, double& value) {
  const size_t dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  const std::string_view fraction = dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
  if (whole.empty() && fraction.empty()) return false;
  if ((!whole.empty() && !AllDigits(whole)) || (dot != std::string_view::npos && !fraction.empty() &&
                                                 !AllDigits(fraction))) {
    return false;
  }
  if (whole.size() > 12) return false;
  value = 0.0;
  for (char c : whole) value = value * 10.0 + (c - '0');
  double scale = 0.1;
  for (char c : fraction) {
    value += (c - '0') * scale;
    scale /= 10.0;
  }
  return true;
}

Status Rejected(std::string message) { return Status::Failure(FailureKind::ModelSetup, std::move(message)); }

std::string Quoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '"';
  quoted += text;
  quoted += '"';
  return quoted;
}

// One key: how to read its value into the profile. An empty result means the value was taken;
// otherwise it says what is wrong with it.
using Setter = std::function<std::string(std::string_view, ModelProfile&)>;

Setter Integer(int64_t low, int64_t high, std::function<void(ModelProfile&, int64_t)> store) {
  return [=](std::string_view value, ModelProfile& profile) -> std::string {
    int64_t number = 0;
    if (!AllDigits(value) || value.size() > 12 ||
        std::from_chars(value.data(), value.data() + value.size(), number).ec != std::errc{}) {
      return "value " + Quoted(value) + " is not a whole number";
    }
    if (number < low || number > high) {
      return "value " + Quoted(value) + " is out of range (" + std::to_string(low) + " to " + std::to_string(high) + ")";
    }
    store(profile, number);
    return {};
  };
}

Setter Decimal(double low, double high, std::string range, std::function<void(ModelProfile&, float)> store) {
  return [=](std::string_view value, ModelProfile& profile) -> std::string {
    double number = 0.0;
    if (!ParseDecimal(value, number)) return "value " + Quoted(value) + " is not a number";
    if (number < low || number > high) return "value " + Quoted(value) + " is out of range (" + range + ")";
    store(profile, static_cast<float>(number));
    return {};
  };
}

// Up to `most` decimals separated by commas, each in [low, high].
Setter Decimals(size_t most, double low, double high, std::string range,
                std::function<void(ModelProfile&, std::vector<float>)> store) {
  return [=](std::string_view value, ModelProfile& profile) -> std::string {
    std::vector<float> numbers;
    for (size_t start = 0; start <= value.size();) {
      const size_t comma = std::min(value.find(',', start), value.size());
      std::string_view item = value.substr(start, comma - start);
      while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
      while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
      double number = 0.0;
      if (!ParseDecimal(item, number)) return "value " + Quoted(value) + " is not a list of numbers";
      if (number < low || number > high) return "value " + Quoted(value) + " is out of range (" + range + ")";
      numbers.push_back(static_cast<float>(number));
      start = comma + 1;
    }
    if (numbers.size() > most) return "value " + Quoted(value) + " has more than " + std::to_string(most) + " numbers";
    store(profile, std::move(numbers));
    return {};
  };
}

Setter Switch(std::function<void(ModelProfile&, bool)> store) {
  return [=](std::string_view value, ModelProfile& profile) -> std::string {
    if (value == "on" || value == "off") {
      store(profile, value == "on");
      return {};
    }
    return "value " + Quoted(value) + " is neither on nor off";
  };
}

// A file beside the profile: a plain name (no folder, nothing Windows would read as a device or a
// stream) of letters, digits, '.', '_', '-' and '+', ending in ".onnx".
bool IsModelFileName(std::string_view name) {
  constexpr std::string_view kSuffix = ".onnx";
  if (name.size() <= kSuffix.size() || name.size() > 255 || !name.ends_with(kSuffix) || name.front() == '.') {
    return false;
  }
  for (char c : name) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '_' || c == '-' || c == '+';
    if (!plain) return false;
  }
  return true;
}

Setter ModelFile(std::u16string ModelFiles::*file) {
  return [=](std::string_view value, ModelProfile& profile) -> std::string {
    if (!IsModelFileName(value)) {
      return "value " + Quoted(value) +
             " is not a model file name (letters, digits, '.', '_', '-', '+', ending in .onnx)";
    }
    profile.models.*file = FromUtf8(value);
    return {};
  };
}

const std::map<std::string, Setter, std::less<>>& Keys() {
  static const std::map<std::string, Setter, std::less<>> keys{
      {"det_model", ModelFile(&ModelFiles::detection)},
      {"cls_model", ModelFile(&ModelFiles::orientation)},
      {"rec_model", ModelFile(&ModelFiles::recognition)},
      {"det_max_side", Integer(32, 8192, [](ModelProfile& p, int64_t v) {
         p.detection.maxSide = static_cast<int32_t>(v);
       })},
      {"det_max_pixels", Integer(0, 67'108'864, [](ModelProfile& p, int64_t v) { p.detection.maxPixels = v; })},
      {"det_tile_side", Integer(0, 8192, [](ModelProfile& p, int64_t v) {
         p.detection.tileSide = static_cast<int32_t>(v);
       })},
      {"det_tile_overlap", Integer(0, 1024, [](ModelProfile& p, int64_t v) {
         p.detection.tileOverlap = static_cast<int32_t>(v);
       })},
      {"det_tile_min_scale",
       Decimal(0.0, 1.0, "0 to 1", [](ModelProfile& p, float v) { p.detection.tileMinScale = v; })},
      {"det_upright_slack",
       Decimal(0.0, 1.0, "0 to 1", [](ModelProfile& p, float v) { p.detection.uprightSlack = v; })},
      {"det_join_gap", Decimal(0.0, 4.0, "0 to 4", [](ModelProfile& p, float v) { p.detection.joinGap = v; })},
      {"det_join_cell_gap",
       Decimal(0.0, 4.0, "0 to 4", [](ModelProfile& p, float v) { p.detection.joinCellGap = v; })},
      {"det_join_cell_span",
       Decimal(0.0, 8.0, "0 to 8", [](ModelProfile& p, float v) { p.detection.joinCellSpan = v; })},
      {"det_split_gap", Decimal(0.0, 4.0, "0 to 4", [](ModelProfile& p, float v) { p.detection.splitGap = v; })},
      {"det_split_column_boxes", Integer(0, 16, [](ModelProfile& p, int64_t v) {
         p.detection.splitColumnBoxes = static_cast<int32_t>(v);
       })},
      {"crop_margin_y", Decimal(0.0, 1.0, "0 to 1", [](ModelProfile& p, float v) { p.cropMarginY = v; })},
      {"crop_margin_x", Decimal(0.0, 1.0, "0 to 1", [](ModelProfile& p, float v) { p.cropMarginX = v; })},
      {"crop_retry_margins_x", Decimals(4, 0.0, 1.0, "0 to 1", [](ModelProfile& p, std::vector<float> v) {
         p.cropRetryMarginsX = std::move(v);
       })},
      {"cls_input",
       [](std::string_view value, ModelProfile& profile) -> std::string {
         if (value == "stretched") {
           profile.orientation.input = OrientationInput::Stretched;
         } else if (value == "padded") {
           profile.orientation.input = OrientationInput::Padded;
         } else {
           return "value " + Quoted(value) + " is neither stretched nor padded";
         }
         return {};
       }},
      {"cls_threshold", Decimal(0.0, 1.0, "0 to 1", [](ModelProfile& p, float v) { p.orientation.threshold = v; })},
      {"cls_min_aspect",
       Decimal(0.0, 100.0, "0 to 100", [](ModelProfile& p, float v) { p.orientation.minAspect = v; })},
      {"cls_confirm", Switch([](ModelProfile& p, bool v) { p.clsConfirm = v; })},
      {"cls_confirm_margin", Decimal(0.0, 1.0, "0 to 1", [](ModelProfile& p, float v) { p.clsConfirmMargin = v; })},
      {"gap_space_steps", Integer(0, 100, [](ModelProfile& p, int64_t v) {
         p.recognition.gapSpaceSteps = static_cast<int32_t>(v);
       })},
      {"ink_space_cells",
       Decimal(0.0, 4.0, "0 to 4", [](ModelProfile& p, float v) { p.recognition.inkSpaceCells = v; })},
      {"digit_spaces", Switch([](ModelProfile& p, bool v) { p.recognition.digitSpaces = v; })},
      {"comma_points", Switch([](ModelProfile& p, bool v) { p.recognition.commaPoints = v; })},
      {"colon_dots", Switch([](ModelProfile& p, bool v) { p.recognition.colonDots = v; })},
      {"text_polish", Switch([](ModelProfile& p, bool v) { p.textPolish = v; })},
      {"slashed_zeros", Switch([](ModelProfile& p, bool v) { p.slashedZeros = v; })},
      {"lone_zeros", Switch([](ModelProfile& p, bool v) { p.loneZeros = v; })},
      {"interface_capitals", Switch([](ModelProfile& p, bool v) { p.interfaceCapitals = v; })},
      {"month_names", Switch([](ModelProfile& p, bool v) { p.monthNames = v; })},
      {"file_modes", Switch([](ModelProfile& p, bool v) { p.fileModes = v; })},
      {"shell_prompts", Switch([](ModelProfile& p, bool v) { p.shellPrompts = v; })},
      {"size_units", Switch([](ModelProfile& p, bool v) { p.sizeUnits = v; })},
      {"root_folders", Switch([](ModelProfile& p, bool v) { p.rootFolders = v; })},
      {"lowercase_ells", Switch([](ModelProfile& p, bool v) { p.lowercaseElls = v; })},
      {"registry_values", Switch([](ModelProfile& p, bool v) { p.registryValues = v; })},
      {"listing_modes", Switch([](ModelProfile& p, bool v) { p.listingModes = v; })},
      {"crop_clear_neighbours", Switch([](ModelProfile& p, bool v) { p.cropClearNeighbours = v; })},
      {"crop_row_height", Decimal(0.0, 2.0, "0 to 2", [](ModelProfile& p, float v) { p.cropRowHeight = v; })},
      {"underline_max_height", Integer(0, 64, [](ModelProfile& p, int64_t v) {
         p.underlineMaxHeight = static_cast<int32_t>(v);
       })},
      {"own_rows_max_height", Integer(0, 64, [](ModelProfile& p, int64_t v) {
         p.ownRowsMaxHeight = static_cast<int32_t>(v);
       })},
      {"mark_max_chars", Integer(0, 16, [](ModelProfile& p, int64_t v) {
         p.markMaxChars = static_cast<int32_t>(v);
       })},
      {"window_buttons", Switch([](ModelProfile& p, bool v) { p.windowButtons = v; })},
      {"rec_batch", Integer(1, 64, [](ModelProfile& p, int64_t v) {
         p.batching.recognitionBatch = static_cast<int32_t>(v);
       })},
      {"rec_batch_columns", Integer(160, 204'800, [](ModelProfile& p, int64_t v) {
         p.batching.recognitionBatchColumns = static_cast<int32_t>(v);
       })},
      {"cls_batch", Integer(1, 64, [](ModelProfile& p, int64_t v) {
         p.batching.orientationBatch = static_cast<int32_t>(v);
       })},
      {"rec_padded_batches", Switch([](ModelProfile& p, bool v) { p.batching.padRecognitionBatches = v; })},
      // Speed: how much zero padding a recognition input may carry.
      {"rec_width_step", Integer(0, 3200, [](ModelProfile& p, int64_t v) {
         p.recognition.widthStep = static_cast<int32_t>(v);
       })},
      {"reading_order",
       [](std::string_view value, ModelProfile& profile) -> std::string {
         if (value == "columns") {
           profile.readingOrder = ReadingOrder::Columns;
         } else if (value == "layout") {
           profile.readingOrder = ReadingOrder::Layout;
         } else {
           return "value " + Quoted(value) + " is neither columns nor layout";
         }
         return {};
       }},
  };
  return keys;
}

// Text a person wrote and can read back: UTF-8, no control characters but the tab.
bool IsCleanText(std::string_view line) {
  for (size_t i = 0; i < line.size();) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if ((c < 0x20 && c != '\t') || c == 0x7F) return false;
    const size_t length = Utf8SequenceLength(line, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

}  // namespace

Outcome<ModelProfile> ParseModelProfile(std::string_view text, const std::string& fileName) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());

  ModelProfile parsed;
  parsed.name = fileName;
  std::set<std::string, std::less<>> seen;
  size_t lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    const std::string where = fileName + " line " + std::to_string(lineNumber);
    if (!IsCleanText(line)) return Rejected(where + ": damaged (not UTF-8 text, or a control character)");
    line = Trim(line);
    if (line.empty() || line.front() == '#') continue;

    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return Rejected(where + ": expected key = value");
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string_view value = Trim(line.substr(equals + 1));
    const auto entry = Keys().find(key);
    if (entry == Keys().end()) return Rejected(where + ": unknown key " + Quoted(key));
    if (!seen.insert(std::string(key)).second) return Rejected(where + ": key " + Quoted(key) + " given twice");
    const std::string problem = entry->second(value, parsed);
    if (!problem.empty()) return Rejected(where + ", key " + Quoted(key) + ": " + problem);
  }
  return parsed;
}

Outcome<ModelProfile> LoadModelProfile(const std::u16string& modelsFolder) {
  const std::u16string path = JoinPath(modelsFolder, kModelProfileFile);
  const std::string fileName = ToUtf8(kModelProfileFile);
  const PathKind kind = GetPathKind(path);
  if (kind == PathKind::Missing) return ModelProfile{};
  std::ifstream in(NativePath(path), std::ios::binary);
  if (kind != PathKind::File || !in) return Rejected(fileName + ": not readable");
  std::string text;
  text.resize(kMaxProfileBytes + 1);
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad()) return Rejected(fileName + ": not readable");
  text.resize(static_cast<size_t>(in.gcount()));
  if (text.size() > kMaxProfileBytes) {
    return Rejected(fileName + ": damaged (larger than " + std::to_string(kMaxProfileBytes) + " bytes)");
  }
  return ParseModelProfile(text, fileName);
}

}  // namespace vesk
