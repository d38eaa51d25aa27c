#pragma once
// Stand-in for the viewer in tests and the demo: implements its hand-off command line
//   --wait-file --wait-timeout=MS -- PATH
// Waits until PATH exists (at most MS milliseconds), then prints it to standard output and exits 0;
// on time-out says so and exits 1; a malformed command line exits 2.
// With VESK_VIEWER_RECORD set to a file path, it first writes its arguments there, one a line, in
// UTF-8; where the platform hands a program one command line (Windows), that text goes to the same
// path + ".cmdline". What it printed goes to that path + ".shown" as well, since a viewer started by
// the windowless worker on Windows prints into a console of its own that nobody else reads.

#include <string>
#include <vector>

namespace vesk {

// arguments excludes the program path; commandLine is the raw command line, empty where there is none.
int RunViewerStandIn(const std::vector<std::u16string>& arguments, const std::u16string& commandLine);

}  // namespace vesk
