#pragma once
// The recognition dictionary: the text of each class the recognition model emits.

#include <string>
#include <vector>

#include "core/status.h"

namespace vesk {

// Class texts indexed by class number: 0 is the CTC blank (empty), then the file's lines in order,
// then a space.
using Dictionary = std::vector<std::string>;

// The fewest dictionary lines accepted; the full list has 18,383.
inline constexpr size_t kMinDictionaryLines = 18000;

// Reads the dictionary file: one class text a line, its bytes kept as they are but for one "\r" before
// the line feed. Fails (FailureKind::ModelSetup) when it cannot be read or has fewer than
// kMinDictionaryLines lines.
Outcome<Dictionary> LoadDictionary(const std::u16string& path);

}  // namespace vesk
