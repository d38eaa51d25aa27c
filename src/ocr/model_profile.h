#pragma once
// The settings that belong to a model set rather than to the worker: how large the detection input
// may be, how much room a line crop gets, how the orientation model is asked, and the clean-up of
// what the recogniser emits. They come from a small text file beside the models; without one every
// value below is the default, which is what the pipeline does for the models it was built around.

#include <cstdint>
#include <string>
#include <string_view>

#include "ocr/batch_settings.h"

namespace vesk {

// The file name of the profile in the models folder.
inline constexpr char16_t kModelProfileFile[] = u"model_profile.txt";

// How a line is fitted into the orientation model's 192 x 48 input.
enum class OrientationInput {
  Stretched,  // the whole line stretched to 192 x 48
  Padded,     // height 48 with the line's aspect kept, padded on the right; a longer line is
              // classified by a window around its middle
};

struct ModelProfile {
  std::string name;  // the file the values came from; empty when there is no profile

  // Detection input: the longer side after scaling, and, when above 0, the most pixels it may have.
  int32_t detMaxSide = 960;
  int64_t detMaxPixels = 0;

  // Room added around each line before it is cut out, as a share of the line's height: above and
  // below each, and left and right each.
  float cropMarginY = 0.0f;
  float cropMarginX = 0.0f;

  // Orientation: the input layout; the probability an upside-down verdict needs (0: any verdict
  // above the upright one); the least width-to-height ratio of a line that may be turned; and
  // whether a turn must also read better than the line as it stands.
  OrientationInput clsInput = OrientationInput::Stretched;
  float clsThreshold = 0.0f;
  float clsMinAspect = 0.0f;
  bool clsConfirm = false;

  // Recognition output: a run of at least this many blank steps between two Latin characters reads
  // as a space (0: off), and the per-line text polish (full-width punctuation in Latin text made
  // ASCII, both ends trimmed).
  int32_t gapSpaceSteps = 0;
  bool textPolish = false;

  // How many lines share a model call, and whether recognition batches of neighbouring widths are
  // padded to the widest (which changes the input of the narrower lines).
  BatchSettings batching;
};

// Reads `text`, the contents of the profile file `fileName`, into `profile` (which keeps its default
// for every key the text leaves out). False with `error` naming the file, the line and the key when
// the text is damaged, a key is unknown or repeated, or a value is malformed or out of range.
bool ParseModelProfile(std::string_view text, const std::string& fileName, ModelProfile& profile,
                       std::string& error);

enum class ProfileLoad { Absent, Loaded, Invalid };

// Loads kModelProfileFile from the models folder: Absent when there is no such file (`profile` is
// then the default), Invalid with `error` set when it cannot be read or parsed.
ProfileLoad LoadModelProfile(const std::u16string& modelsFolder, ModelProfile& profile, std::string& error);

}  // namespace vesk
