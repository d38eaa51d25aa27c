#include "support/known_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "support/temp_dir.h"

namespace vesk::test {
namespace {

std::string WithoutSpaces(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != ' ') out.push_back(c);
  }
  return out;
}

size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::vector<std::string> KnownLines(const std::string& name) {
  std::ifstream in(TestDataDir() / "samples" / (name + ".txt"), std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

void ExpectCloseText(const std::string& actual, const std::string& expected) {
  const std::string a = WithoutSpaces(actual);
  const std::string e = WithoutSpaces(expected);
  EXPECT_LE(EditDistance(a, e), 2 + e.size() / 50) << "read \"" << actual << "\", expected \"" << expected << "\"";
}

}  // namespace vesk::test
