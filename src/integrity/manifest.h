#pragma once
// Check of the model files against the SHA-256 manifest beside them.

#include <map>
#include <string>
#include <vector>

namespace vesk {

// Appends one line per finding to report; true when the run may go on.
bool VerifyModels(const std::u16string& modelsFolder, const std::vector<std::u16string>& fileNames,
                  std::string& report);

// Fills entries (lower-cased name -> lower-cased digest); false only when the file cannot be opened.
bool ReadSha256Sums(const std::u16string& manifestPath, std::map<std::string, std::string>& entries);

}  // namespace vesk
