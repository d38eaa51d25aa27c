#pragma once
// How closely the lines the worker read match the known text of a screenshot.
//
// Lines are compared as Unicode code points after whitespace normalisation (every run of white space
// becomes one space, leading and trailing white space goes), so a dropped space between two words is
// one error, and an extra space is one too.
//
// Two character error rates are computed, both as edits over the length of the reference text, where
// the reference text is the reference lines joined by "\n":
//
//   ordered    the edit distance between the reference text and the read lines joined by "\n" in the
//              order the worker gave them. A line put in the wrong place costs its length twice (once
//              deleted where it belongs, once inserted where it came out).
//
//   any order  the same distance, but with the read lines first put into the order that fits the
//              reference best: each read line is paired one-to-one with a reference line (the pairing
//              of least total edit distance, lines left unpaired costing their length), a paired line
//              goes to its reference line, an unpaired one (a piece of a line the detector split, or
//              text that is not on the page) goes to the reference line it fits best, and lines that
//              land on one reference line keep the order of where they fit in it. When the worker's
//              own order scores better, that is used. Every read character therefore still counts, so
//              reading text twice or reading text that is not there cannot lower the error, and the
//              figure is an upper bound of the distance under the best possible order.
//
// A reference line counts as read when the read line paired with it is within 10 % edits of it
// (edits * 10 <= its length), so a line of fewer than ten characters must be read exactly.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vesk::bench {

// Code points of UTF-8 text; a byte that does not start a valid sequence becomes U+FFFD.
std::u32string DecodeUtf8(std::string_view text);
std::string EncodeUtf8(std::u32string_view text);

// One space for every run of white space (Unicode white space, the ideographic space included),
// nothing at either end.
std::u32string NormaliseLine(std::u32string_view line);

// Levenshtein distance: insertions, deletions and substitutions of one code point cost 1.
size_t EditDistance(std::u32string_view a, std::u32string_view b);

// Where part fits best inside whole: the fewest edits that turn part into some run of whole (text of
// whole before and after that run is free), and the position in whole where the earliest such run starts.
struct Fit {
  size_t edits = 0;
  size_t start = 0;
};
Fit FitInside(std::u32string_view part, std::u32string_view whole);

// The one-to-one pairing of least total cost between reference and read lines, where a pair costs its
// edit distance and an unpaired line its length. Returns, per read line, the paired reference line or -1.
// Time grows with the cube of the line count: well under a second for the few hundred lines of a screen.
std::vector<int> PairLines(const std::vector<std::u32string>& reference, const std::vector<std::u32string>& read);

struct PageScore {
  size_t referenceChars = 0;  // code points of the reference text, the "\n" between lines included
  size_t orderedEdits = 0;
  size_t anyOrderEdits = 0;
  size_t referenceLines = 0;
  size_t linesRead = 0;    // reference lines read within 10 % edits
  size_t readLines = 0;    // non-empty lines the worker gave
  size_t falseLines = 0;   // of those, lines that match nothing (see IsFalseLine)
  std::vector<int> pairOfRead;  // per non-empty read line, its reference line or -1
};

// A read line matches nothing when every run of every reference line differs from it in more than half
// of its code points: a check box read as a character, a cursor or an icon read as a mark. A piece of
// a split line or a misread word still fits somewhere.
bool IsFalseLine(std::u32string_view read, const std::vector<std::u32string>& reference);

// Scores normalised lines; empty lines must already be gone (see NormaliseLines).
PageScore ScorePage(const std::vector<std::u32string>& reference, const std::vector<std::u32string>& read);

// Upside-down verdicts (orientation 180) against the reference lines known to be shown upside down.
struct TurnScore {
  size_t expected = 0;    // reference lines shown upside down
  size_t turned = 0;      // of those, read from a line the worker turned over
  size_t falseTurns = 0;  // read lines turned over that are not upside down on the page
};
// upsideDown: reference line indices; pairOfRead and orientations: per read line.
TurnScore ScoreTurns(const std::vector<size_t>& upsideDown, const std::vector<int>& pairOfRead,
                     const std::vector<int>& orientations);

// Decodes and normalises lines, dropping those that end up empty. keptIndex, when given, receives the
// index in lines of every line kept.
std::vector<std::u32string> NormaliseLines(const std::vector<std::string>& lines,
                                           std::vector<size_t>* keptIndex = nullptr);

}  // namespace vesk::bench
