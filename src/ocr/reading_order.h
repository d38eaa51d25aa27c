#pragma once

#include <cstdint>

namespace vesk {

// How the detected lines are put into reading order.
enum class ReadingOrder : int32_t {
  Columns = 0,  // split at the widest vertical gap in the middle of the page, else rows
  Layout = 1,   // bars, panes, text columns and table rows the way a person reads a screen
};

}  // namespace vesk
