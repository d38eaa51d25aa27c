#pragma once
// Turning the argument list into RunOptions.

#include <string>
#include <vector>

#include "app/run_options.h"

namespace vesk {

inline constexpr char kUsageLine[] =
    "Usage: VeskOcrWorker.exe <screenshot> <veskviewer_exe> <input_file> [--ep=auto|cpu|dml] [--cls=0|1] "
    "[--barcode=0|1] [--wait-timeout=<ms>] [--console]";

// Parses the whole argument list; element 0 (the program path) is skipped. Never throws and does no I/O.
RunOptions ParseCommandLine(const std::vector<std::u16string>& args);

}  // namespace vesk
