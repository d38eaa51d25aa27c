#include "accuracy_metrics.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <numeric>
#include <tuple>
#include <utility>

namespace vesk::bench {
namespace {

bool IsWhiteSpace(char32_t c) {
  return c == U' ' || (c >= U'\t' && c <= U'\r') || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

std::u32string Join(const std::vector<std::u32string>& lines, const std::vector<size_t>& order) {
  std::u32string text;
  for (size_t i = 0; i < order.size(); ++i) {
    if (i > 0) text += U'\n';
    text += lines[order[i]];
  }
  return text;
}

std::vector<size_t> Identity(size_t n) {
  std::vector<size_t> order(n);
  std::iota(order.begin(), order.end(), size_t{0});
  return order;
}

// Least-cost assignment of every row to a distinct column of a square cost matrix (the Hungarian
// method with potentials, O(n^3)). Returns the column of every row.
std::vector<size_t> Assign(const std::vector<int64_t>& cost, size_t n) {
  constexpr int64_t kInf = std::numeric_limits<int64_t>::max() / 4;
  // 1-based as in the textbook formulation; row 0 and column 0 are the virtual start.
  std::vector<int64_t> u(n + 1, 0), v(n + 1, 0);
  std::vector<size_t> rowOfColumn(n + 1, 0), way(n + 1, 0);
  for (size_t row = 1; row <= n; ++row) {
    rowOfColumn[0] = row;
    size_t column = 0;
    std::vector<int64_t> minSlack(n + 1, kInf);
    std::vector<bool> used(n + 1, false);
    do {
      used[column] = true;
      const size_t r = rowOfColumn[column];
      int64_t delta = kInf;
      size_t next = 0;
      for (size_t c = 1; c <= n; ++c) {
        if (used[c]) continue;
        const int64_t slack = cost[(r - 1) * n + (c - 1)] - u[r] - v[c];
        if (slack < minSlack[c]) {
          minSlack[c] = slack;
          way[c] = column;
        }
        if (minSlack[c] < delta) {
          delta = minSlack[c];
          next = c;
        }
      }
      for (size_t c = 0; c <= n; ++c) {
        if (used[c]) {
          u[rowOfColumn[c]] += delta;
          v[c] -= delta;
        } else {
          minSlack[c] -= delta;
        }
      }
      column = next;
    } while (rowOfColumn[column] != 0);
    do {
      const size_t previous = way[column];
      rowOfColumn[column] = rowOfColumn[previous];
      column = previous;
    } while (column != 0);
  }
  std::vector<size_t> columnOfRow(n, 0);
  for (size_t c = 1; c <= n; ++c) columnOfRow[rowOfColumn[c] - 1] = c - 1;
  return columnOfRow;
}

}  // namespace

std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (b < 0x80) {
      length = 1;
      c = b;
    } else if (b >= 0xC2 && b <= 0xDF) {
      length = 2;
      c = b & 0x1F;
      minimum = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3;
      c = b & 0x0F;
      minimum = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4;
      c = b & 0x07;
      minimum = 0x10000;
    }
    bool valid = length > 0 && i + length <= text.size();
    for (size_t k = 1; valid && k < length; ++k) {
      const auto cont = static_cast<unsigned char>(text[i + k]);
      if ((cont & 0xC0) != 0x80) valid = false;
      c = (c << 6) | (cont & 0x3F);
    }
    if (valid && (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) valid = false;
    if (valid) {
      out += c;
      i += length;
    } else {
      out += U'\uFFFD';
      ++i;
    }
  }
  return out;
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char32_t c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u32string NormaliseLine(std::u32string_view line) {
  std::u32string out;
  out.reserve(line.size());
  bool pendingSpace = false;
  for (const char32_t c : line) {
    if (IsWhiteSpace(c)) {
      pendingSpace = !out.empty();
      continue;
    }
    if (pendingSpace) out += U' ';
    pendingSpace = false;
    out += c;
  }
  return out;
}

size_t EditDistance(std::u32string_view a, std::u32string_view b) {
  if (a.size() < b.size()) std::swap(a, b);
  // One row over the shorter string.
  std::vector<size_t> row(b.size() + 1);
  std::iota(row.begin(), row.end(), size_t{0});
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

Fit FitInside(std::u32string_view part, std::u32string_view whole) {
  if (part.empty()) return {};
  // cost[j]: fewest edits turning the part read so far into a run of whole ending before j; start[j]:
  // where that run begins. A run may begin anywhere, so the first row costs nothing.
  std::vector<size_t> cost(whole.size() + 1, 0), start(whole.size() + 1);
  std::iota(start.begin(), start.end(), size_t{0});
  for (size_t i = 1; i <= part.size(); ++i) {
    size_t diagonalCost = cost[0];
    size_t diagonalStart = start[0];
    cost[0] = i;
    start[0] = 0;
    for (size_t j = 1; j <= whole.size(); ++j) {
      const size_t aboveCost = cost[j];
      const size_t aboveStart = start[j];
      std::pair<size_t, size_t> best{diagonalCost + (part[i - 1] == whole[j - 1] ? 0 : 1), diagonalStart};
      best = std::min(best, {aboveCost + 1, aboveStart});
      best = std::min(best, {cost[j - 1] + 1, start[j - 1]});
      cost[j] = best.first;
      start[j] = best.second;
      diagonalCost = aboveCost;
      diagonalStart = aboveStart;
    }
  }
  Fit fit{cost[0], start[0]};
  for (size_t j = 1; j <= whole.size(); ++j) {
    if (std::pair{cost[j], start[j]} < std::pair{fit.edits, fit.start}) fit = {cost[j], start[j]};
  }
  return fit;
}

std::vector<int> PairLines(const std::vector<std::u32string>& reference, const std::vector<std::u32string>& read) {
  const size_t r = reference.size();
  const size_t k = read.size();
  // Square matrix: reference rows and one spare row per read line, read columns and one spare column
  // per reference line; a line assigned to a spare stays unpaired and costs its length.
  const size_t n = r + k;
  std::vector<int64_t> cost(n * n, 0);
  for (size_t i = 0; i < n; ++i) {
    for (size_t j = 0; j < n; ++j) {
      int64_t c = 0;
      if (i < r && j < k) {
        c = static_cast<int64_t>(EditDistance(reference[i], read[j]));
      } else if (i < r) {
        c = static_cast<int64_t>(reference[i].size());
      } else if (j < k) {
        c = static_cast<int64_t>(read[j].size());
      }
      cost[i * n + j] = c;
    }
  }
  std::vector<int> pair(k, -1);
  if (n == 0) return pair;
  const std::vector<size_t> columnOfRow = Assign(cost, n);
  for (size_t i = 0; i < r; ++i) {
    if (columnOfRow[i] < k) pair[columnOfRow[i]] = static_cast<int>(i);
  }
  return pair;
}

bool IsFalseLine(std::u32string_view read, const std::vector<std::u32string>& reference) {
  for (const std::u32string& line : reference) {
    if (FitInside(read, line).edits * 2 <= read.size()) return false;
  }
  return true;
}

PageScore ScorePage(const std::vector<std::u32string>& reference, const std::vector<std::u32string>& read) {
  PageScore score;
  score.referenceLines = reference.size();
  score.readLines = read.size();
  const std::u32string referenceText = Join(reference, Identity(reference.size()));
  score.referenceChars = referenceText.size();
  score.orderedEdits = EditDistance(referenceText, Join(read, Identity(read.size())));
  score.pairOfRead = PairLines(reference, read);
  for (const std::u32string& line : read) score.falseLines += IsFalseLine(line, reference) ? 1 : 0;

  // Where every read line goes in the best order: its reference line and the position it fits there.
  struct Place {
    size_t line = 0;
    size_t start = 0;
    size_t readIndex = 0;
  };
  std::vector<Place> places;
  places.reserve(read.size());
  for (size_t j = 0; j < read.size(); ++j) {
    Place place{0, 0, j};
    if (score.pairOfRead[j] >= 0) {
      place.line = static_cast<size_t>(score.pairOfRead[j]);
      place.start = FitInside(read[j], reference[place.line]).start;
    } else if (!reference.empty()) {
      // The reference line it fits best, the closer whole-line match breaking ties.
      std::pair<size_t, size_t> best{SIZE_MAX, SIZE_MAX};
      for (size_t i = 0; i < reference.size(); ++i) {
        const Fit fit = FitInside(read[j], reference[i]);
        if (fit.edits > best.first) continue;
        const std::pair<size_t, size_t> key{fit.edits, EditDistance(read[j], reference[i])};
        if (key < best) {
          best = key;
          place.line = i;
          place.start = fit.start;
        }
      }
    }
    places.push_back(place);
  }
  std::stable_sort(places.begin(), places.end(), [](const Place& a, const Place& b) {
    return std::tie(a.line, a.start, a.readIndex) < std::tie(b.line, b.start, b.readIndex);
  });
  std::vector<size_t> bestOrder;
  bestOrder.reserve(places.size());
  for (const Place& place : places) bestOrder.push_back(place.readIndex);
  score.anyOrderEdits = std::min(score.orderedEdits, EditDistance(referenceText, Join(read, bestOrder)));

  for (size_t j = 0; j < read.size(); ++j) {
    const int i = score.pairOfRead[j];
    if (i >= 0 && EditDistance(reference[static_cast<size_t>(i)], read[j]) * 10 <=
                      reference[static_cast<size_t>(i)].size()) {
      ++score.linesRead;
    }
  }
  return score;
}

TurnScore ScoreTurns(const std::vector<size_t>& upsideDown, const std::vector<int>& pairOfRead,
                     const std::vector<int>& orientations) {
  TurnScore score;
  score.expected = upsideDown.size();
  std::vector<bool> counted(upsideDown.size(), false);
  for (size_t j = 0; j < orientations.size() && j < pairOfRead.size(); ++j) {
    if (orientations[j] != 180) continue;
    const auto it = std::find(upsideDown.begin(), upsideDown.end(), static_cast<size_t>(pairOfRead[j]));
    if (pairOfRead[j] < 0 || it == upsideDown.end()) {
      ++score.falseTurns;
    } else if (!counted[static_cast<size_t>(it - upsideDown.begin())]) {
      counted[static_cast<size_t>(it - upsideDown.begin())] = true;
      ++score.turned;
    }
  }
  return score;
}

std::vector<std::u32string> NormaliseLines(const std::vector<std::string>& lines, std::vector<size_t>* keptIndex) {
  std::vector<std::u32string> out;
  out.reserve(lines.size());
  if (keptIndex) keptIndex->clear();
  for (size_t i = 0; i < lines.size(); ++i) {
    std::u32string line = NormaliseLine(DecodeUtf8(lines[i]));
    if (line.empty()) continue;
    out.push_back(std::move(line));
    if (keptIndex) keptIndex->push_back(i);
  }
  return out;
}

}  // namespace vesk::bench
