#include "ocr/dictionary.h"

#include <fstream>

#include "platform/path.h"
#include "platform/text.h"

namespace vesk {

Outcome<Dictionary> LoadDictionary(const std::u16string& path) {
  Dictionary dictionary{""};
  std::ifstream in(NativePath(path), std::ios::binary);
  size_t count = 0;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    dictionary.push_back(line);
    ++count;
  }
  if (count < kMinDictionaryLines) {
    return Status::Failure(FailureKind::ModelSetup,
                           "Dictionary missing, unreadable, or truncated (expected the PP-OCRv5 18,383-entry list, "
                           "need at least " +
                               std::to_string(kMinDictionaryLines) + " entries): " + ToUtf8(path));
  }
  dictionary.emplace_back(" ");
  return dictionary;
}

}  // namespace vesk
