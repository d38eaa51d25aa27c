#include <windows.h>
#include <io.h>

#include <cstdio>

#include "app/console.h"
#include "platform/text.h"

namespace vesk {
namespace {

// Writes text and a newline to stream. On a console the text goes as UTF-16, so that every character
// shows whatever the console's code page; redirected to a file or pipe it stays UTF-8 bytes.
void WriteLine(FILE* stream, std::string_view text) {
  std::fflush(stream);
  const HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
  DWORD mode = 0;
  if (handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode)) {
    const std::u16string wide = FromUtf8(text) + u"\n";
    DWORD written = 0;
    ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fputc('\n', stream);
  std::fflush(stream);
}

}  // namespace

// A windowless program has no console of its own. It writes into its parent's console only when it
// can attach to one; otherwise (no parent console, or Wine, where attaching always fails) it keeps the
// standard handles it was given, such as redirected files or pipes.
void AttachParentConsole() {
  if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
  std::FILE* reopened = nullptr;
  ::_wfreopen_s(&reopened, L"CONOUT$", L"w", stdout);
  ::_wfreopen_s(&reopened, L"CONOUT$", L"w", stderr);
}

void WriteErrorLine(std::string_view text) { WriteLine(stderr, text); }

void WriteOutputLine(std::string_view text) { WriteLine(stdout, text); }

}  // namespace vesk
