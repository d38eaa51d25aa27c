// The model profile file, and what the steps make of a profile.
#include "ocr/model_profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ocr/line_orientation.h"
#include "ocr/resize_normalize.h"
#include "ocr/text_detection.h"
#include "platform/text.h"
#include "support/temp_dir.h"

namespace vesk {
namespace {

const std::string kFile = "model_profile.txt";

TEST(ModelProfileTest, EveryKeyIsReadAroundCommentsBlankLinesAndLineEnds) {
  const Outcome<ModelProfile> parsed = ParseModelProfile(
      "\xEF\xBB\xBF# substitute models\r\n"
      "det_max_side = 1920\r\n"
      "\n"
      "  det_max_pixels=2100000\n"
      "det_tile_side = 1024\n"
      "det_tile_overlap = 96\n"
      "det_tile_min_scale = 0.85\n"
      "det_upright_slack = 0.2\n"
      "det_join_cell_gap = 0.6\n"
      "det_join_cell_span = 2.5\n"
      "det_split_gap = 1.2\n"
      "det_split_column_boxes = 2\n"
      "crop_margin_y = 0.15\n"
      "crop_margin_x = .05\n"
      "crop_retry_margins_x = 0.05,0.2 , 0\n"
      "\t# orientation\n"
      "cls_input = padded\n"
      "cls_threshold = 0.9\n"
      "cls_min_aspect = 1.5\n"
      "cls_confirm = on\n"
      "gap_space_steps = 3\n"
      "rec_batch = 2\n"
      "rec_batch_columns = 2560\n"
      "cls_batch = 8\n"
      "rec_padded_batches = on\n"
      "rec_width_step = 80\n"
      "reading_order = layout\n"
      "mark_max_chars = 2\n"
      "underline_max_height = 24\n"
      "own_rows_max_height = 20\n"
      "window_buttons = on\n"
      "det_model = det_int8.onnx\n"
      "rec_model = PP-OCRv5_server_rec+q8.onnx\n"
      "slashed_zeros = on\n"
      "digit_spaces = on\n"
      "comma_points = on\n"
      "colon_dots = on\n"
      "interface_capitals = on\n"
      "month_names = on\n"
      "text_polish = on",  // the last line needs no line feed
      kFile);
  ASSERT_TRUE(parsed.ok()) << parsed.status().message();
  const ModelProfile& p = *parsed;
  EXPECT_EQ(p.name, kFile);
  EXPECT_EQ(p.detection.maxSide, 1920);
  EXPECT_EQ(p.detection.maxPixels, 2100000);
  EXPECT_EQ(p.detection.tileSide, 1024);
  EXPECT_EQ(p.detection.tileOverlap, 96);
  EXPECT_FLOAT_EQ(p.detection.tileMinScale, 0.85f);
  EXPECT_FLOAT_EQ(p.detection.uprightSlack, 0.2f);
  EXPECT_FLOAT_EQ(p.detection.joinCellGap, 0.6f);
  EXPECT_FLOAT_EQ(p.detection.joinCellSpan, 2.5f);
  EXPECT_FLOAT_EQ(p.detection.splitGap, 1.2f);
  EXPECT_EQ(p.detection.splitColumnBoxes, 2);
  EXPECT_FLOAT_EQ(p.cropMarginY, 0.15f);
  EXPECT_FLOAT_EQ(p.cropMarginX, 0.05f);
  EXPECT_EQ(p.cropRetryMarginsX, (std::vector<float>{0.05f, 0.2f, 0.0f}));
  EXPECT_EQ(p.orientation.input, OrientationInput::Padded);
  EXPECT_FLOAT_EQ(p.orientation.threshold, 0.9f);
  EXPECT_FLOAT_EQ(p.orientation.minAspect, 1.5f);
  EXPECT_TRUE(p.clsConfirm);
  EXPECT_EQ(p.recognition.gapSpaceSteps, 3);
  EXPECT_TRUE(p.textPolish);
  EXPECT_TRUE(p.slashedZeros);
  EXPECT_TRUE(p.recognition.digitSpaces);
  EXPECT_TRUE(p.recognition.commaPoints);
  EXPECT_TRUE(p.recognition.colonDots);
  EXPECT_TRUE(p.interfaceCapitals);
  EXPECT_TRUE(p.monthNames);
  EXPECT_EQ(p.batching.recognitionBatch, 2);
  EXPECT_EQ(p.batching.recognitionBatchColumns, 2560);
  EXPECT_EQ(p.batching.orientationBatch, 8);
  EXPECT_TRUE(p.batching.padRecognitionBatches);
  EXPECT_EQ(p.recognition.widthStep, 80);
  EXPECT_EQ(p.readingOrder, ReadingOrder::Layout);
  EXPECT_EQ(p.markMaxChars, 2);
  EXPECT_EQ(p.underlineMaxHeight, 24);
  EXPECT_EQ(p.ownRowsMaxHeight, 20);
  EXPECT_TRUE(p.windowButtons);
  EXPECT_EQ(p.models.detection, u"det_int8.onnx");
  EXPECT_EQ(p.models.recognition, u"PP-OCRv5_server_rec+q8.onnx");
}

TEST(ModelProfileTest, MistakesNameTheFileTheLineAndTheKey) {
  struct Case {
    std::string text;
    std::string error;
  };
  const std::string damaged = "model_profile.txt line 2: damaged (not UTF-8 text, or a control character)";
  std::vector<Case> cases{
      {"# ok\ndet_max_sides = 10\n", "model_profile.txt line 2: unknown key \"det_max_sides\""},
      {"det_max_side 1920\n", "model_profile.txt line 1: expected key = value"},
      {"det_max_side = 1920\ndet_max_side = 960\n", "model_profile.txt line 2: key \"det_max_side\" given twice"},
      {"det_max_side = 12000\n",
       "model_profile.txt line 1, key \"det_max_side\": value \"12000\" is out of range (32 to 8192)"},
      {"crop_margin_y = 1.5\n",
       "model_profile.txt line 1, key \"crop_margin_y\": value \"1.5\" is out of range (0 to 1)"},
      {"crop_retry_margins_x = 0.05,,0.2\n",
       "model_profile.txt line 1, key \"crop_retry_margins_x\": value \"0.05,,0.2\" is not a list of numbers"},
      {"crop_retry_margins_x = 0.1, 1.2\n",
       "model_profile.txt line 1, key \"crop_retry_margins_x\": value \"0.1, 1.2\" is out of range (0 to 1)"},
      {"crop_retry_margins_x = 0,0,0,0,0\n",
       "model_profile.txt line 1, key \"crop_retry_margins_x\": value \"0,0,0,0,0\" has more than 4 numbers"},
      {"det_max_pixels =\n", "model_profile.txt line 1, key \"det_max_pixels\": value \"\" is not a whole number"},
      {"cls_input = squeezed\n",
       "model_profile.txt line 1, key \"cls_input\": value \"squeezed\" is neither stretched nor padded"},
      {"rec_batch = 0\n", "model_profile.txt line 1, key \"rec_batch\": value \"0\" is out of range (1 to 64)"},
      {"own_rows_max_height = 65\n",
       "model_profile.txt line 1, key \"own_rows_max_height\": value \"65\" is out of range (0 to 64)"},
      {"cls_confirm = yes\n", "model_profile.txt line 1, key \"cls_confirm\": value \"yes\" is neither on nor off"},
      {"reading_order = Layout\n",
       "model_profile.txt line 1, key \"reading_order\": value \"Layout\" is neither columns nor layout"},
      {"# ok\ndet_max_side = 19\xFF" "20\n", damaged},
      {std::string("# ok\ndet_max_side = 1920\0\n", 27), damaged},
      {"# ok\n\x1B[1m\n", damaged},
      {"# ok\n\xC3\n", damaged}};  // a sequence cut off
  // Numbers are plain: no signs, exponents, infinities, NaNs, trailing words or comments.
  for (const char* value : {"-0.1", "1e-1", "inf", "nan", "0.1.2", ".", "0.15 # tuned", "0x1"}) {
    cases.push_back({std::string("cls_threshold = ") + value + "\n",
                     std::string("model_profile.txt line 1, key \"cls_threshold\": value \"") + value +
                         "\" is not a number"});
  }
  for (const char* value : {"-1", "+3", "3.0", "99999999999999999999"}) {
    cases.push_back({std::string("gap_space_steps = ") + value + "\n",
                     std::string("model_profile.txt line 1, key \"gap_space_steps\": value \"") + value +
                         "\" is not a whole number"});
  }
  // A model file lies beside the profile: no folder, drive or stream, and nothing but a model file.
  for (const char* value : {"../det.onnx", "sub/det.onnx", "sub\\det.onnx", "C:det.onnx", "det.onnx:x.onnx",
                            "/det.onnx", ".onnx", ".hidden.onnx", "det.txt", "det model.onnx", "d\xC3\xA9t.onnx"}) {
    cases.push_back({std::string("cls_model = ") + value + "\n",
                     std::string("model_profile.txt line 1, key \"cls_model\": value \"") + value +
                         "\" is not a model file name (letters, digits, '.', '_', '-', '+', ending in .onnx)"});
  }
  for (const Case& c : cases) {
    const Outcome<ModelProfile> parsed = ParseModelProfile(c.text, kFile);
    EXPECT_EQ(parsed.status().kind(), FailureKind::ModelSetup) << c.text;
    EXPECT_EQ(parsed.status().message(), c.error);
  }
}

TEST(ModelProfileTest, NoFileIsNoProfileAndAFileThatCannotBeReadIsRejected) {
  test::ScopedTempDir tmp;
  const std::filesystem::path file = tmp.path() / "model_profile.txt";
  const auto load = [&] { return LoadModelProfile(FromUtf8(tmp.path().string())); };
  const Outcome<ModelProfile> none = load();
  ASSERT_TRUE(none.ok());
  EXPECT_TRUE(none->name.empty());

  test::WriteFile(file, "det_max_side = 1920\n");
  const Outcome<ModelProfile> loaded = load();
  ASSERT_TRUE(loaded.ok());
  EXPECT_EQ(loaded->name, "model_profile.txt");
  EXPECT_EQ(loaded->detection.maxSide, 1920);

  test::WriteFile(file, std::string(70000, '#'));
  EXPECT_EQ(load().status().message(), "model_profile.txt: damaged (larger than 65536 bytes)");
  std::filesystem::remove(file);
  std::filesystem::create_directory(file);
  EXPECT_EQ(load().status().message(), "model_profile.txt: not readable");
}

TEST(DetectionScaleTest, TheLongerSideLimitThePixelBudgetAndTheMaxSideOption) {
  const DetectionSettings none;
  EXPECT_FLOAT_EQ(DetectionScale(1920, 1080, 4096, none), 0.5f);
  EXPECT_FLOAT_EQ(DetectionScale(1080, 3000, 4096, none), 0.32f);
  EXPECT_FLOAT_EQ(DetectionScale(1920, 1080, 500, none), 500.0f / 1920.0f);
  EXPECT_EQ(DetectionScale(800, 600, 4096, none), 1.0f);  // never enlarged
  EXPECT_EQ(DetectionScale(100, 30, 128, none), 1.0f);

  DetectionSettings settings{.maxSide = 1920};
  EXPECT_EQ(DetectionScale(1920, 1080, 4096, settings), 1.0f);
  EXPECT_FLOAT_EQ(DetectionScale(2560, 1440, 4096, settings), 0.75f);
  EXPECT_FLOAT_EQ(DetectionScale(2560, 1440, 960, settings), 0.375f);

  settings.maxPixels = 1'000'000;
  EXPECT_FLOAT_EQ(DetectionScale(2000, 2000, 4096, settings), 0.5f);
  EXPECT_EQ(DetectionScale(1000, 1000, 4096, settings), 1.0f);
  EXPECT_FLOAT_EQ(DetectionScale(4000, 100, 4096, settings), 0.48f);  // the side limit is the tighter one
}

DecodedImage Gradient(int32_t width, int32_t height) {
  DecodedImage image;
  image.width = width;
  image.height = height;
  image.pixels.resize(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<uint8_t>((i * 37) % 251);
  return image;
}

std::vector<float> Resized(const DecodedImage& image, int32_t width) {
  std::vector<float> out(3 * 48 * 192, 0.0f);
  ResizeNormalize(image.pixels.data(), image.width, image.height, out.data(), width, 48, {0.5f, 0.5f, 0.5f},
                  {0.5f, 0.5f, 0.5f}, 192, 48);
  return out;
}

TEST(OrientationInputTest, StretchedFillsTheWholeInputWhateverTheAspect) {
  for (const auto& [w, h] : {std::pair{600, 20}, std::pair{30, 40}}) {
    const DecodedImage crop = Gradient(w, h);
    std::vector<float> input;
    OrientationInputTensor(crop, OrientationInput::Stretched, input);
    EXPECT_EQ(input, Resized(crop, 192));
  }
}

TEST(OrientationInputTest, PaddedKeepsTheAspectAndShowsTheMiddleOfALongLine) {
  const DecodedImage shortLine = Gradient(100, 40);  // 120 x 48 kept, the rest zeros
  std::vector<float> input;
  OrientationInputTensor(shortLine, OrientationInput::Padded, input);
  EXPECT_EQ(input, Resized(shortLine, 120));

  // 500 x 20 is 1200 x 48 kept: the window is the middle 80 columns.
  const DecodedImage longLine = Gradient(500, 20);
  DecodedImage middle;
  middle.width = 80;
  middle.height = 20;
  for (int32_t y = 0; y < 20; ++y) {
    const auto row = longLine.pixels.begin() + (y * 500 + 210) * 3;
    middle.pixels.insert(middle.pixels.end(), row, row + 80 * 3);
  }
  OrientationInputTensor(longLine, OrientationInput::Padded, input);
  EXPECT_EQ(input, Resized(middle, 192));
}

}  // namespace
}  // namespace vesk
