#pragma once
// Private folders on a temporary directory that other users share (POSIX): what is there, and making
// one that nobody else can reach.

#include <string>

namespace vesk {

enum class FolderState {
  Private,      // a real folder (not a link to one), owned by the current user, closed to everybody else
  Unavailable,  // nothing is there and nothing could be created
  Foreign,      // something is there that is not such a folder
};

// Creates path (mode private to the user, parent not created) unless something exists there, then
// examines what is there. Never changes or removes what it finds.
FolderState EnsurePrivateDirectory(const std::u16string& path);

// Creates a new private folder named prefix + a unique suffix; empty when none could be made.
std::u16string CreateUniquePrivateDirectory(const std::u16string& prefix);

// A short text naming the current user, fit for a file name.
std::u16string CurrentUserTag();

}  // namespace vesk
