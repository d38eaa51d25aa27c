#pragma once
// Check of the model files against the SHA-256 manifest beside them.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vesk {

// What the check found.
struct ModelCheck {
  std::string report;  // one line per finding, each ending in "\n"
  bool passed = true;  // false when a listed file cannot be read or its digest differs: the run must stop
};

// Checks the files named in fileNames, in that order, in modelsFolder against its manifest SHA256SUMS.
// A missing manifest or an unlisted file is only noted; the check stops at the first listed file that
// cannot be read or whose digest differs.
ModelCheck VerifyModels(const std::u16string& modelsFolder, const std::vector<std::u16string>& fileNames);

// Lower-cased file name -> lower-cased digest.
using ManifestEntries = std::map<std::string, std::string>;

// The entries of the manifest at manifestPath; none when it cannot be opened or read to its end.
std::optional<ManifestEntries> ReadSha256Sums(const std::u16string& manifestPath);

}  // namespace vesk
