#include "fuzz/mutator.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>

namespace vesk::test {
namespace {

constexpr uint32_t kBoundaries[] = {0,      1,      2,      7,          8,          15,         16,        127,
                                    128,    255,    256,    0x3FFF,     0x4000,     0x7FFF,     0x8000,    0xFFFF,
                                    0x10000, 16384, 16385, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};

size_t Below(std::mt19937_64& random, size_t bound) { return bound == 0 ? 0 : static_cast<size_t>(random() % bound); }

void MutateOnce(std::string& file, size_t keep, std::mt19937_64& random) {
  if (file.size() <= keep) {
    file.push_back(static_cast<char>(random()));
    return;
  }
  const size_t at = keep + Below(random, file.size() - keep);
  switch (random() % 8) {
    case 0:
      file[at] = static_cast<char>(file[at] ^ (1 << (random() % 8)));
      break;
    case 1:
      file[at] = static_cast<char>(random());
      break;
    case 2: {  // a boundary value as a 1-, 2- or 4-byte integer, either byte order
      const uint32_t value = kBoundaries[Below(random, std::size(kBoundaries))];
      const size_t width = size_t{1} << Below(random, 3);
      const bool bigEndian = random() % 2 != 0;
      for (size_t i = 0; i < width && at + i < file.size(); ++i) {
        const size_t shift = 8 * (bigEndian ? width - 1 - i : i);
        file[at + i] = static_cast<char>((value >> shift) & 0xFF);
      }
      break;
    }
    case 3:
      file.resize(at);
      break;
    case 4:
      file.erase(at, 1 + Below(random, 64));
      break;
    case 5: {  // a block of the file repeated elsewhere
      const size_t from = Below(random, file.size());
      const std::string block = file.substr(from, 1 + Below(random, 64));
      file.insert(at, block);
      break;
    }
    case 6: {
      std::string noise(1 + Below(random, 16), '\0');
      for (char& c : noise) c = static_cast<char>(random());
      file.insert(at, noise);
      break;
    }
    default:  // a run of one byte value
      std::fill_n(file.begin() + static_cast<std::ptrdiff_t>(at), std::min<size_t>(file.size() - at, 1 + Below(random, 32)),
                  static_cast<char>(random() % 2 ? 0xFF : 0x00));
      break;
  }
}

uint32_t BigEndian32(const std::string& file, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<uint8_t>(file[at + i]);
  return value;
}

}  // namespace

void FixPngChecksums(std::string& file) {
  constexpr size_t kSignature = 8;
  for (size_t at = kSignature; at + 12 <= file.size();) {
    const uint64_t length = BigEndian32(file, at);
    if (at + 12 + length > file.size()) break;
    const auto* typeAndData = reinterpret_cast<const Bytef*>(file.data() + at + 4);
    const auto crc = static_cast<uint32_t>(crc32(0, typeAndData, static_cast<uInt>(4 + length)));
    for (size_t i = 0; i < 4; ++i) file[at + 8 + length + i] = static_cast<char>(crc >> (24 - 8 * i));
    at += 12 + length;
  }
}

std::string Mutate(std::string file, std::mt19937_64& random) {
  const size_t keep = random() % 10 != 0 ? 4 : 0;
  const size_t count = 1 + Below(random, 8);
  for (size_t i = 0; i < count; ++i) MutateOnce(file, keep, random);
  return file;
}

}  // namespace vesk::test
