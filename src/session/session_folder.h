#pragma once
// The folder under the temporary directory that holds the session files of every view.

#include <string>

namespace vesk {

// Makes the session folder under tempDir (no trailing separator) and returns it: tempDir + "VeskOCR".
// POSIX shares the temporary directory between users, so there a folder of that name that is not the
// user's own closed one is left alone and a private folder of the user's is used instead. A folder that
// cannot be made is still returned: writes into it then fail and are reported as such.
std::u16string ChooseSessionFolder(const std::u16string& tempDir);

}  // namespace vesk
