// Entry of the stand-in viewer on POSIX: the arguments arrive as bytes and are read as UTF-8.

#include <string>
#include <vector>

#include "platform/text.h"
#include "viewer_standin.h"

int main(int argc, char** argv) {
  std::vector<std::u16string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(vesk::FromUtf8(argv[i]));
  return vesk::RunViewerStandIn(arguments, {});
}
