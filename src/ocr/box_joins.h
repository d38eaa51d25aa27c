#pragma once
// Pieces of one text line that detection split at narrow gaps, joined back into one box. A monospace
// font at a small size leaves a whole character cell between words, which the detector's map often
// opens at: a terminal line then falls apart into its words, each read and reported alone. Columns
// (two or more cells apart) and separate controls stand further apart and stay separate boxes.

#include <span>
#include <vector>

#include "core/decoded_image.h"
#include "ocr/det_box.h"

namespace vesk {

// Joins upright boxes that stand on one line (the smaller one's height lies for the most part inside
// the larger one's, and neither is much taller than the other) with at most `maxGap` times the taller
// one's height between them (overlaps included) and, in `image` (the screenshot the boxes were found
// in), at most one line height of blank between their letters, until no more join. A joined box is the rectangle
// around its pieces; its score is the mean of theirs, weighted by width. Other boxes are kept as they
// are, in their order; a joined box takes the place of its first piece. `uprightFits`, when given, holds
// for each box the box its region gives fitted upright: a turned box whose upright fit is upright joins
// as that fit (a short word's or a lone glyph's box is turned by the shape of its letters, not of the
// line), and stays as it is when it joins nothing.
// With a cellGap above 0, boxes up to that many heights apart also join when their letters are words of
// one monospace row with a single blank cell between them (see cell_grid.h): a single space of a
// terminal's font is as wide as a line's letters are high when they have no ascenders (a permission
// string, a lone digit), and its boxes stand further apart than those of words.
// With a cellSpan above 0 (and a cellGap), boxes of such a row up to that many heights apart also join
// when no blank between their middles is wider than one cell and they stand on the background of the
// stretch between them: the detector misses some of a row's letters (the dashes of "-rw-r--r--"), and
// the pieces around them are one field.
std::vector<DetBox> JoinLinePieces(std::vector<DetBox> boxes, float maxGap, const DecodedImage& image,
                                   std::span<const DetBox> uprightFits = {}, float cellGap = 0.0f,
                                   float cellSpan = 0.0f);

}  // namespace vesk
