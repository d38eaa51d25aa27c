#pragma once
// The known text of the sample screenshots, and how closely a reading must match it.

#include <string>
#include <vector>

namespace vesk::test {

// The lines of samples/<name>.txt, in reading order.
std::vector<std::string> KnownLines(const std::string& name);

// The substitute recognition model often drops the spaces between words, so texts are compared
// without them, and a few other characters may differ: at most 2 + 1 per 50 characters.
void ExpectCloseText(const std::string& actual, const std::string& expected);

}  // namespace vesk::test
