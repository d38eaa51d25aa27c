#pragma once

namespace vesk {

// A point of the detection grid or of the screenshot, in pixels.
struct Point2f {
  float x = 0.0f;
  float y = 0.0f;
};

}  // namespace vesk
