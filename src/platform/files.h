#pragma once
// File-system services of the platform.

#include <string>

namespace vesk {

enum class PathKind { Missing, File, Directory };

// What a path names, following symbolic links; Missing when it cannot be examined.
PathKind GetPathKind(const std::u16string& path);

}  // namespace vesk
