#pragma once
// Stand-in for the viewer in tests and the demo: implements its hand-off command line
//   --wait-file --wait-timeout=MS -- PATH
// Waits until PATH exists (at most MS milliseconds), then shows it and exits 0; on time-out says so and
// exits 1; a malformed command line exits 2.
// It shows on standard output, or, with VESK_VIEWER_OUTPUT set to a file path, in that file: the worker
// starts it with no standard streams of its own to share, so the demo and the tests name a file.
// With VESK_VIEWER_RECORD set to a file path, it first writes its arguments there, one a line, in UTF-8;
// where the platform hands a program one command line (Windows), that text goes to the same path +
// ".cmdline".

#include <string>
#include <vector>

namespace vesk {

// arguments excludes the program path; commandLine is the raw command line, empty where there is none.
int RunViewerStandIn(const std::vector<std::u16string>& arguments, const std::u16string& commandLine);

}  // namespace vesk
