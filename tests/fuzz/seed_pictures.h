#pragma once
// Valid pictures of every decoded format, in the variants the back-ends treat differently, as the
// starting points of mutation fuzzing.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vesk::test {

struct SeedPicture {
  std::string format;     // png, jpeg, bmp, gif, tiff or webp
  std::string extension;  // file name extension of the format
  std::string bytes;
};

// Writes the seeds into folder (which must exist) and returns them.
std::vector<SeedPicture> SeedPictures(const std::filesystem::path& folder);

}  // namespace vesk::test
