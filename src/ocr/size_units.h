#pragma once
// Sizes in the columns of `df -h`, `du -h` and `ls -lh` ("190G") as a terminal's bitmap fonts draw
// them: the recogniser reads their G as a 6 ("1906").

#include <string>
#include <vector>

#include "ocr/det_box.h"

namespace vesk {

// Reads a line's text of two to five characters ending in a 6 ("1906", "5.16") as a size in gigabytes
// ("190G", "5.1G") where its nearest neighbour on its row, on one side or the other, is a size in
// gigabytes and at least two such sizes stand within eight of its heights (boxes whose middles lie
// within half its height of its own): such a listing prints every size with its unit. `texts[i]` is the
// text of `boxes[i]`.
void ReadSizeUnits(std::vector<std::string>& texts, const std::vector<const DetBox*>& boxes);

}  // namespace vesk
