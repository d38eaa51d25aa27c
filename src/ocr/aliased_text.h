#pragma once
// Small aliased text: what Windows programs draw with font smoothing off. Every pixel of a glyph is
// either ink or background, a stroke one pixel wide, and a menu item's access key is marked by a
// one-pixel line under its letter. Scaled up to the recogniser's height that line becomes a bar that
// changes the letter ("File" read "Eile", "View" "yiew", "Apply" "apply").

#include <cstdint>

#include "core/decoded_image.h"
#include "ocr/det_box.h"

namespace vesk {

// A piece of the screenshot cut along whole pixels, and where its top-left pixel stands.
struct PixelRegion {
  DecodedImage picture;
  int32_t left = 0;
  int32_t top = 0;
};

// The upright rectangle around `box` (as ExpandBox grows it by shares of its height) plus a frame of
// two pixels, cut out of the screenshot without resampling, so that a crop of the box taken from it
// is the crop the screenshot gives. Only when the box is upright within a pixel and at most maxHeight
// pixels high, and the rectangle holds aliased ink: nearly every pixel that is neither background nor
// the ink's main colour is other than the rim of an anti-aliased stroke. Otherwise false.
bool CutAliasedRegion(const DecodedImage& image, const DetBox& box, float marginY, float marginX, int32_t maxHeight,
                      PixelRegion& region);

// Paints over, in the background colour, every access-key underline of the line that stands between
// rows lineTop and lineTop + lineHeight of the picture: a one-pixel horizontal run of ink below the
// middle of the line, with no ink around it, at most a line height long, whose columns hold ink of a
// letter (at least 0.4 of a line height tall) above the blank row or two under the letter. An
// underscore stands between letters, under blank columns, and stays; a descender touches its letter;
// an equals sign's lower bar has no tall letter above it. Returns how many it painted over.
int32_t RemoveAccessKeyUnderlines(DecodedImage& picture, float lineTop, float lineHeight);

// Rows [top, bottom) of a picture.
struct RowSpan {
  int32_t top = 0;
  int32_t bottom = 0;
};

// The rows of the own ink of the line whose box spans columns [left, right) and rows lineTop to lineTop +
// lineHeight of the picture: the rows of ink around the box's middle, out to the two blank rows above and
// below that part them from any other ink in the picture (one would not do: an i's dot stands one blank
// row above its stem).
// A column with a run of ink longer than the box is high (a frame or rule beside the text) does not
// count. False when no ink lies near the middle, or when the ink reaches the picture's top or
// bottom without such a parting.
bool FindOwnRows(const DecodedImage& picture, int32_t left, int32_t right, float lineTop, float lineHeight,
                 RowSpan& rows);

// Fits `cut`, the upright box `box` grown for cutting (both in the picture's coordinates), to the own rows
// of a line of small aliased text in a proportional font, with `room` times the box's height above and
// below them; its sides stay. A detection box of such text is several pixels higher than its ink and
// reaches into the lines above and below, which stand two blank rows away; cut from the box, thin letters
// and spaces were lost ("ThistabisinkedtotheLibraries" for "This tab is linked to the Libraries"). Only
// when FindOwnRows parts the line from its neighbours and the line is long enough to tell its font
// (ProportionalRow, in the middle of its own rows): a terminal's bitmap font, whose short fields and lines
// without ascenders have own rows far lower than the font's, reads worse cut so. False, `cut` unchanged,
// otherwise.
bool FitToOwnRows(const DecodedImage& picture, const DetBox& box, float room, DetBox& cut);

// Paints over, in the background colour, the ink of the lines above and below that `cut` (the box `box`
// grown for cutting, both in the picture's coordinates) takes in: each piece of connected ink within the
// cut, at most a box height wide, that reaches no more than a pixel into the box, or that the cut's top
// or bottom edge cuts through and that ends in the box's top quarter or starts in its bottom quarter.
// Terminal rows stand two or three blank rows apart, and the recogniser read the feet of the letters
// above and the tops of those below beside a colon as an "s" ("modified:" as "modifieds").
// Longer pieces (a frame, a rule, an underline) stay, and so does a piece with ink within two rows below
// it (above it, for one below the box), or a dot of at most four pixels above the box with ink within
// three: an i's dot stands one or two blank rows above its stem, a neighbouring line's larger pieces
// two or more. Returns how many pieces it painted over.
int32_t ClearNeighbourInk(DecodedImage& picture, const DetBox& box, const DetBox& cut);

}  // namespace vesk
