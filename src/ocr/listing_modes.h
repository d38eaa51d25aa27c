#pragma once
// File modes in the first column of an `ls -l` listing as a terminal's bitmap fonts draw them: the
// recogniser loses some of a mode's places or reads them apart ("drwxr-xr-x" as "drx-x-x" or
// "druxr-x -x"), where a mode read place by place (see ReadFileModes) cannot tell what was lost. The
// listing's other rows can: its modes are few, and most of its rows read whole.

#include <string>
#include <vector>

#include "ocr/det_box.h"

namespace vesk {

// Reads a line's text that is a mode with places lost as the mode of the listing it stands in: a text
// of at least four of a mode's characters (a type, dashes and r, w, x, s, t, with the recogniser's u or
// v for w, n for r, 1, I or | for a link's l, and spaces) that is no mode itself, whose box starts
// where boxes holding whole modes start (within half its height) and is as wide as theirs (within a
// tenth), with such a box within twenty of its heights above or below. It reads as the one mode among
// those of that type from which it can be had by dropping places; with two or more such modes (or
// none), it stays as read. `texts[i]` is the text of `boxes[i]`.
void ReadListingModes(std::vector<std::string>& texts, const std::vector<const DetBox*>& boxes);

}  // namespace vesk
