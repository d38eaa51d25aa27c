#pragma once
// Encoders for test pictures through the Windows Imaging Component, so every format can be produced
// inside a test instead of being committed as a binary file. Each throws std::runtime_error when WIC
// refuses.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vesk::test {

enum class Container { Png, Jpeg, Bmp, Gif, Tiff };

// How the pixels of a frame are laid out.
enum class Layout {
  Rgb,      // three bytes a pixel, R, G, B
  Rgba,     // four bytes a pixel, R, G, B, A (straight alpha)
  Grey,     // one byte a pixel
  Indexed,  // one palette index a pixel
};

struct Frame {
  Layout layout = Layout::Rgb;
  std::vector<uint8_t> pixels;      // tightly packed rows
  std::vector<uint8_t> paletteRgb;  // Indexed only: three bytes an entry
};

// Writes the frames (all width x height) into one file; the encoder may store them in another pixel
// format than they are handed over in, as it would for any program.
void WritePicture(const std::filesystem::path& path, Container container, uint32_t width, uint32_t height,
                  const std::vector<Frame>& frames);

// The pixel format the file's first frame is stored in, as its decoder reports it: "indexed", "grey",
// "rgb", "rgba", or "other".
std::string StoredFormatOf(const std::filesystem::path& path);

}  // namespace vesk::test
