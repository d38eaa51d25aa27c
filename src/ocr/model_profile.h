#pragma once
// The settings that belong to a model set rather than to the worker: how large the detection input
// may be, how much room a line crop gets, how the orientation model is asked, and the clean-up of
// what the recogniser emits. They come from a small text file beside the models; without one every
// value below is the default, which is what the pipeline does for the models it was built around.

#include <cstdint>
#include <string>
#include <vector>
#include <string_view>

#include "core/status.h"
#include "ocr/batch_settings.h"
#include "ocr/reading_order.h"

namespace vesk {

// The file name of the profile in the models folder.
inline constexpr char16_t kModelProfileFile[] = u"model_profile.txt";

// How a line is fitted into the orientation model's 192 x 48 input.
enum class OrientationInput {
  Stretched,  // the whole line stretched to 192 x 48
  Padded,     // height 48 with the line's aspect kept, padded on the right; a longer line is
              // classified by a window around its middle
};

// Detection input: the longer side after scaling, and, when above 0, the most pixels it may have.
struct DetectionSettings {
  int32_t maxSide = 960;
  int64_t maxPixels = 0;
  // Detection in tiles (off at tileSide 0): a screenshot the limits above would scale below
  // tileMinScale times the scale they give a 1920 x 1080 screen is detected at that screen's scale in
  // tiles of at most tileSide x tileSide pixels that overlap by tileOverlap pixels.
  int32_t tileSide = 0;
  int32_t tileOverlap = 0;
  float tileMinScale = 1.0f;
  // A box is fitted upright when that rectangle is at most this share larger than the tightest turned
  // one (0: the tightest always).
  float uprightSlack = 0.0f;
  // Boxes on one line at most this many heights apart are joined into one (0: never).
  float joinGap = 0.0f;
  // Boxes of one monospace row one blank cell apart join up to this many heights apart (0: never).
  float joinCellGap = 0.0f;
  // With joinCellGap: pieces of such a row this many heights apart join when no blank between them is
  // wider than a cell, the detector having missed the letters between them (0: never).
  float joinCellSpan = 0.0f;
  // After the joins, a box is split into fields at blanks between its letters at least this many times
  // the letters' height wide (0: never; see box_splits.h).
  float splitGap = 0.0f;
  // With splitGap: a box is also split where its part on the right begins in line with the left edges
  // of at least this many boxes of the rows about it, a table's column (0: never; see box_splits.h).
  int32_t splitColumnBoxes = 0;
};

// How the orientation model is asked: the input layout; the probability an upside-down verdict needs
// (0: any verdict above the upright one); and the least width-to-height ratio of a line that may be
// turned.
struct OrientationSettings {
  OrientationInput input = OrientationInput::Stretched;
  float threshold = 0.0f;
  float minAspect = 0.0f;
};

// Recognition output: a run of at least this many blank steps between two Latin characters reads as a
// space (0: off).
struct RecognitionSettings {
  int32_t gapSpaceSteps = 0;
  // Recognition input widths: 0 for the fixed width buckets, else the multiples of this many columns
  // (up to the widest bucket), so that a line is padded by less.
  int32_t widthStep = 0;
  // A blank in the crop between two characters at least this many times their usual distance wide
  // reads as a space (0: off; see ink_gaps.h).
  float inkSpaceCells = 0.0f;
  // With inkSpaceCells: a letter and a digit side by side that the crop sets apart read with a space
  // between them ("869 KB", "Oct 1"), and a slash between two digits that it sets apart from both with a space on both sides
  // ("1 / 4").
  bool digitSpaces = false;
  // With inkSpaceCells: a comma between two letters or digits that the crop draws as a point reads as a
  // period ("1.6G" in a small bitmap font, whose period reaches a pixel below the baseline).
  bool commaPoints = false;
  // With inkSpaceCells: a "+", "*", "t" or "±" that the crop draws as two dots one above the other
  // reads as a colon ("90:54.02", "modified:" in a small bitmap font).
  bool colonDots = false;
  // The room the crops carry above and below the line, as a share of its height (the crop margin).
  float cropMarginY = 0.0f;
};

// The model files in the models folder. A profile may name others (integer versions of the same
// models, say); they are checked against the manifest like the defaults.
struct ModelFiles {
  std::u16string detection = u"PP-OCRv5_server_det.onnx";
  std::u16string orientation = u"PP-LCNet_x1_0_textline_ori.onnx";
  std::u16string recognition = u"PP-OCRv5_server_rec.onnx";
};

struct ModelProfile {
  std::string name;  // the file the values came from; empty when there is no profile

  ModelFiles models;

  DetectionSettings detection;

  // Room added around each line before it is cut out, as a share of the line's height: above and
  // below each, and left and right each.
  float cropMarginY = 0.0f;
  float cropMarginX = 0.0f;
  // The side margins of further cuts of a short line that read as nothing, tried in turn.
  std::vector<float> cropRetryMarginsX;
  // A line at least this many times lower than a line of its row beside it is cut with that line's
  // top and bottom (0: off; see row_height_cuts.h).
  float cropRowHeight = 0.0f;
  // Upright lines at most this many pixels high whose text is aliased lose their access-key
  // underlines before they are cut out (0: off).
  int32_t underlineMaxHeight = 0;
  // Upright lines at most this many pixels high whose text is aliased and proportional, and whose ink
  // blank rows part from its neighbours', are cut to their own rows (0: off).
  int32_t ownRowsMaxHeight = 0;

  OrientationSettings orientation;
  // Whether a turn must also read better than the line as it stands, and by how much of the mean
  // character probability.
  bool clsConfirm = false;
  float clsConfirmMargin = 0.0f;

  RecognitionSettings recognition;
  // The per-line text polish: full-width punctuation in Latin text made ASCII, both ends trimmed.
  bool textPolish = false;
  // Thetas beside digits, or alone on a line, read as the slashed or dotted zeros they are.
  bool slashedZeros = false;
  // A line that is a lone o, or a lone o among number fields, reads as the zero it is.
  bool loneZeros = false;
  // Capitals of interface fonts read as digits or small letters are read as capitals again where a
  // name or a menu's accelerator shows them ("REG_SZ", "Ctrl+S"; see text_polish.h).
  bool interfaceCapitals = false;
  // A month's abbreviation in a date, read with a terminal font's usual glyph confusions, reads as the
  // month ("0ct 25" reads "Oct 25"; see text_polish.h).
  bool monthNames = false;
  // A file mode of `ls -l` read with a terminal font's usual confusions reads as the mode ("druxr-xr-x"
  // reads "drwxr-xr-x"; see text_polish.h).
  bool fileModes = false;
  // A shell prompt's lost home tilde and an ls read as "1s" after it read as they are drawn
  // ("alice@build:$ 1s" reads "alice@build:~$ ls"; see text_polish.h).
  bool shellPrompts = false;
  // A size read with a 6 for its G ("1906") reads as the size where its row holds other sizes in
  // gigabytes (see size_units.h).
  bool sizeUnits = false;
  // A path's first folder read with a terminal font's confusions reads as the root folder it is one
  // glyph from ("/sry" reads "/srv"; see text_polish.h).
  bool rootFolders = false;
  // A lowercase l read as a one or a capital I in a word reads as l ("1vm" reads "lvm", "AlI" "All";
  // see lowercase_ells.h).
  bool lowercaseElls = false;
  // A registry editor's number value, type or "(Default)" read with its small font's confusions reads as
  // the editor writes it ("0x000000 (2)" reads "0x00000002 (2)"; see registry_values.h).
  bool registryValues = false;
  // A file mode with places lost reads as the one mode of its listing's other rows it can be had from
  // ("drx-x-x" reads "drwxr-xr-x"; see listing_modes.h).
  bool listingModes = false;
  // In a crop of small aliased text, the pieces of the lines above and below that the crop takes in are
  // painted over (see ClearNeighbourInk in aliased_text.h).
  bool cropClearNeighbours = false;
  // Lines of at most this many characters that hold no letter or digit are dropped as marks on a screen
  // of Latin text (0: every line is kept).
  int32_t markMaxChars = 0;
  // Lines that are a title bar's buttons read as symbols and letters ("- 0 ×") are dropped.
  bool windowButtons = false;

  // How many lines share a model call, and whether recognition batches of neighbouring widths are
  // padded to the widest (which changes the input of the narrower lines).
  BatchSettings batching;

  // The reading order of a run whose command line does not name one: a deployment's choice, kept here
  // because the profile is the one settings file a deployment ships beside the worker.
  ReadingOrder readingOrder = ReadingOrder::Columns;
};

// Reads `text`, the contents of the profile file `fileName`; every key the text leaves out keeps its
// default. Fails (FailureKind::ModelSetup) naming the file, the line and the key when the text is
// damaged, a key is unknown or repeated, or a value is malformed or out of range.
Outcome<ModelProfile> ParseModelProfile(std::string_view text, const std::string& fileName);

// Loads kModelProfileFile from the models folder: without such a file, the defaults under no name.
// Fails (FailureKind::ModelSetup) when the file cannot be read or parsed.
Outcome<ModelProfile> LoadModelProfile(const std::u16string& modelsFolder);

}  // namespace vesk
