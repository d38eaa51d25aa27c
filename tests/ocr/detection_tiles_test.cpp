#include "ocr/detection_tiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "fake_models.h"
#include "ocr/text_detection.h"

namespace vesk {
namespace {

struct PlanCase {
  int32_t width, height, side, overlap;
};

// Every grid pixel is kept by exactly one tile, tiles stay inside the grid and share one size, and a
// kept pixel has half the overlap of context on every side that is not the grid's edge.
TEST(PlanTilesTest, KeptPartsCoverTheGridOnceWithContextAroundThem) {
  const std::vector<PlanCase> cases{{2000, 600, 256, 32}, {2000, 600, 256, 1}, {3578, 2013, 1344, 128},
                                    {100, 50, 256, 32},   {257, 257, 256, 0},  {5000, 1500, 1344, 128},
                                    {1000, 300, 256, 600}};
  for (const PlanCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " side " << c.side << " overlap " << c.overlap);
    const std::vector<DetectionTile> tiles = PlanTiles(c.width, c.height, c.side, c.overlap);
    ASSERT_FALSE(tiles.empty());
    const int32_t context = std::min(c.overlap, c.side / 2) / 2;
    std::vector<int> kept(static_cast<size_t>(c.width) * c.height, 0);
    for (const DetectionTile& t : tiles) {
      EXPECT_EQ(t.width, tiles[0].width);
      EXPECT_EQ(t.height, tiles[0].height);
      EXPECT_LE(t.width, c.side);
      EXPECT_LE(t.height, c.side);
      EXPECT_TRUE(t.x >= 0 && t.y >= 0 && t.x + t.width <= c.width && t.y + t.height <= c.height);
      EXPECT_TRUE(t.keepX0 == 0 || t.keepX0 - t.x >= context);
      EXPECT_TRUE(t.keepY0 == 0 || t.keepY0 - t.y >= context);
      EXPECT_TRUE(t.keepX1 == c.width || t.x + t.width - t.keepX1 >= context);
      EXPECT_TRUE(t.keepY1 == c.height || t.y + t.height - t.keepY1 >= context);
      for (int32_t y = t.keepY0; y < t.keepY1; ++y) {
        for (int32_t x = t.keepX0; x < t.keepX1; ++x) ++kept[static_cast<size_t>(y) * c.width + x];
      }
    }
    EXPECT_TRUE(std::all_of(kept.begin(), kept.end(), [](int n) { return n == 1; }));
  }
}

// The map keeps the same regions whatever order the tiles come in, also when a tile is kept again.
TEST(MergedProbabilityMapTest, TileOrderDoesNotChangeTheRegions) {
  const std::vector<DetectionTile> tiles = PlanTiles(300, 200, 128, 16);
  // Probabilities that differ from pixel to pixel, text in diagonal bands across the seams.
  std::vector<float> prob(300 * 200);
  for (size_t i = 0; i < prob.size(); ++i) prob[i] = (i % 300 + i / 300) / 23 % 2 ? 0.31f + 0.01f * (i % 60) : 0.1f;
  const auto regions = [&](const std::vector<DetectionTile>& order) {
    MergedProbabilityMap map(300, 200);
    for (const DetectionTile& t : order) map.Keep(t, prob.data() + t.y * 300 + t.x, 300, 0.3f);
    std::vector<std::pair<size_t, float>> found;
    map.ForEachRegion([&](const ScoredRegion& r) { found.emplace_back(r.boundaryPoints, r.score); });
    return found;
  };
  std::vector<DetectionTile> reversed(tiles.rbegin(), tiles.rend());
  reversed.push_back(tiles[1]);
  ASSERT_GT(regions(tiles).size(), 5u);
  EXPECT_EQ(regions(reversed), regions(tiles));
}

// A detection model that sees text wherever its input is dark, and records the shapes it was given.
class InkModel : public Model {
 public:
  explicit InkModel(std::vector<InputShape>* shapes, std::vector<bool>* released = nullptr)
      : shapes_(shapes), released_(released) {}
  void SetReleaseMemoryAfterRun(bool release) override { release_ = release; }
  Outcome<ModelOutput> Run(std::span<float> input, const InputShape& shape) override {
    shapes_->push_back(shape);
    if (released_ != nullptr) released_->push_back(release_);
    const size_t plane = static_cast<size_t>(shape[2] * shape[3]);
    std::vector<float> map(plane);
    for (size_t i = 0; i < plane; ++i) map[i] = input[i] < -1.0f ? 0.9f : 0.0f;
    return test::Output({1, 1, shape[2], shape[3]}, std::move(map));
  }

 private:
  std::vector<InputShape>* shapes_;
  std::vector<bool>* released_;
  bool release_ = true;
};

struct Bar {
  int32_t x0, y0, x1, y1;
};

DecodedImage WithBars(int32_t width, int32_t height, const std::vector<Bar>& bars) {
  DecodedImage image = test::BlankImage(width, height);
  for (const Bar& b : bars) {
    for (int32_t y = b.y0; y < b.y1; ++y) {
      std::fill_n(image.pixels.begin() + (static_cast<size_t>(y) * width + b.x0) * 3, (b.x1 - b.x0) * 3, 0);
    }
  }
  return image;
}

std::vector<DetBox> Detect(const DecodedImage& image, const DetectionSettings& settings,
                           std::vector<InputShape>& shapes) {
  TextDetector detector(std::make_unique<InkModel>(&shapes), settings, nullptr);
  Outcome<std::vector<DetBox>> boxes = detector.DetectText(image, 4096);
  EXPECT_TRUE(boxes.ok());
  return boxes.ok() ? *boxes : std::vector<DetBox>{};
}

// Lines over seams, corners, several tiles and the picture's edges come out once, as the same box
// that detecting the whole picture at the same scale gives.
TEST(TiledDetectionTest, EveryLineComesOutOnceAsTheWholePicturesBox) {
  constexpr int32_t kWidth = 2000;
  constexpr int32_t kHeight = 600;
  struct Case {
    const char* what;
    int32_t overlap;
    std::vector<Bar> bars;
  };
  // With tiles of 256 and an overlap of 32 the seams fall near x = 247, 495, ... and y = 189, 399.
  const std::vector<DetectionTile> tiles = PlanTiles(kWidth, kHeight, 256, 32);
  const int32_t seamX = tiles[0].keepX1;
  const int32_t seamY = tiles[0].keepY1;
  const std::vector<Case> cases{
      {"across a vertical seam", 32, {{seamX - 90, 40, seamX + 90, 58}}},
      {"across a horizontal seam", 32, {{300, seamY - 9, 420, seamY + 9}}},
      {"across the corner of four tiles", 32, {{seamX - 60, seamY - 10, seamX + 60, seamY + 10}}},
      {"longer than a tile", 32, {{100, 300, 1300, 316}}},
      {"at the right and bottom edges", 32, {{kWidth - 150, kHeight - 20, kWidth, kHeight}}},
      {"across a seam with a one-pixel overlap", 1, {{seamX - 90, 40, seamX + 90, 58}, {20, 500, 1900, 512}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const DecodedImage image = WithBars(kWidth, kHeight, c.bars);
    std::vector<InputShape> tiled;
    const std::vector<DetBox> boxes =
        Detect(image, {.maxSide = 1920, .maxPixels = 1920 * 1080, .tileSide = 256, .tileOverlap = c.overlap}, tiled);
    ASSERT_GT(tiled.size(), 8u);
    for (const InputShape& shape : tiled) EXPECT_EQ(shape, tiled[0]);
    std::vector<InputShape> whole;
    const std::vector<DetBox> expected = Detect(image, {.maxSide = 4096}, whole);
    ASSERT_EQ(whole.size(), 1u);
    ASSERT_EQ(boxes.size(), c.bars.size());
    ASSERT_EQ(expected.size(), c.bars.size());
    for (size_t b = 0; b < boxes.size(); ++b) {
      for (size_t i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(boxes[b].points[i].x, expected[b].points[i].x);
        EXPECT_FLOAT_EQ(boxes[b].points[i].y, expected[b].points[i].y);
      }
      EXPECT_NEAR(boxes[b].score, expected[b].score, 0.002f);
    }
  }
}

// Tiles keep the model's memory from one to the next; the first (run without the runtime's memory
// plan) and the last hand it back, and so does a later whole picture.
TEST(TiledDetectionTest, OnlyTheFirstAndLastTileHandTheirMemoryBack) {
  std::vector<InputShape> shapes;
  std::vector<bool> released;
  TextDetector detector(std::make_unique<InkModel>(&shapes, &released),
                        {.maxSide = 1920, .maxPixels = 1920 * 1080, .tileSide = 256, .tileOverlap = 32}, nullptr);
  ASSERT_TRUE(detector.DetectText(WithBars(2000, 600, {}), 4096).ok());
  ASSERT_TRUE(detector.DetectText(WithBars(1200, 600, {}), 4096).ok());
  std::vector<bool> expected(shapes.size(), false);
  expected.front() = expected[shapes.size() - 2] = expected.back() = true;
  EXPECT_EQ(released, expected);
}

// Tiles are used only below the share of the ordinary screen's scale; without them the picture is
// scaled as a whole.
TEST(TiledDetectionTest, TilesOnlyWhenThePictureWouldShrinkTooFar) {
  const DetectionSettings settings{.maxSide = 1920, .maxPixels = 1800000, .tileSide = 1344, .tileOverlap = 128,
                                   .tileMinScale = 0.85f};
  const float ordinary = DetectionScale(1920, 1080, 4096, settings);
  EXPECT_EQ(TileScale(1920, 1080, 4096, settings), 0.0f);
  EXPECT_EQ(TileScale(1920, 1200, 4096, settings), 0.0f);
  EXPECT_EQ(TileScale(3840, 1080, 4096, settings), ordinary);
  EXPECT_EQ(TileScale(1080, 8000, 4096, settings), ordinary);
  EXPECT_EQ(TileScale(3840, 1080, 4096, {.maxSide = 1920, .maxPixels = 1800000}), 0.0f);
}

}  // namespace
}  // namespace vesk
