#pragma once
// Screenshots with known text: NAME.png (or any picture the worker reads) beside NAME.txt, which holds
// the text in reading order, one line per visually continuous run of text, UTF-8 with LF line ends.
// NAME.rotated.txt, when present, lists the 0-based indices of the lines shown upside down.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vesk::bench {

struct Screenshot {
  std::string name;
  std::filesystem::path picture;
  int32_t width = 0;   // from the PNG header; 0 for other formats
  int32_t height = 0;
  std::vector<std::string> lines;
  std::vector<size_t> upsideDown;
};

// Every NAME.png with NAME.txt in a folder (in name order), or the pictures named; false with a message
// when a picture lacks its text or a text file is not clean (a blank line, a carriage return, an
// upside-down index out of range).
bool LoadScreenshots(const std::vector<std::filesystem::path>& sources, std::vector<Screenshot>& out,
                     std::string& error);

// Splits known text into its lines; false when a line is blank or the text holds a carriage return.
bool SplitKnownText(const std::string& text, std::vector<std::string>& lines, std::string& error);

}  // namespace vesk::bench
