#pragma once
// The folder under the temporary directory that holds the session files of every view.

#include <string>
#include <vector>

namespace vesk {

// Makes the session folder under tempDir (no trailing separator) and returns it: tempDir + "VeskOCR".
// POSIX shares the temporary directory between users, so there a folder of that name that is not the
// user's own closed one is left alone and a private folder of the user's is used instead. A folder that
// cannot be made is still returned: writes into it then fail and are reported as such.
//
// A run that found its folder unable to hold a report asks again with the folders it passed over: then
// the next folder of the user's own under tempDir is returned, or an empty text when none is left.
std::u16string ChooseSessionFolder(const std::u16string& tempDir, const std::vector<std::u16string>& passedOver = {});

}  // namespace vesk
