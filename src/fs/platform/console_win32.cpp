// Windows implementation of console.h: the wide command line, binary
// standard streams, WriteConsoleW for a console.
#include "fs/platform/win32_internal.h"
// After windows.h (win32_internal.h).
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <bit>
#include <cerrno>

#include "fs/platform/console.h"
#include "text/codepage.h"

namespace vkt::platform {

using namespace win32;

namespace {

HANDLE StandardHandle(std::FILE* stream) {
  return std::bit_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
}

StreamKind KindOf(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return StreamKind::kNone;
  DWORD mode = 0;
  if (::GetConsoleMode(handle, &mode)) return StreamKind::kConsole;
  switch (::GetFileType(handle)) {
    case FILE_TYPE_DISK:
    case FILE_TYPE_CHAR:
      return StreamKind::kFile;
    case FILE_TYPE_PIPE:
      return StreamKind::kPipe;
    default:
      return StreamKind::kNone;
  }
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::u16string> units;
  units.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) units.emplace_back(reinterpret_cast<const char16_t*>(wide[i]));
  ::LocalFree(wide);
  return ArgumentsFromUtf16(units);
}

void PrepareStandardStreams() {
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
}

bool IsTerminal(std::FILE* stream) {
  return KindOf(StandardHandle(stream)) == StreamKind::kConsole;
}

bool WriteStandardStream(std::FILE* stream, std::string_view text) {
  const HANDLE handle = StandardHandle(stream);
  if (!WritesAsConsoleText(KindOf(handle))) {
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
  }
  if (std::fflush(stream) != 0) return false;
  const std::u16string units = text::Utf8ToUtf16(text);
  std::size_t done = 0;
  while (done < units.size()) {
    // WriteConsoleW takes a DWORD count; consoles write short pieces best.
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(units.size() - done, 8192));
    DWORD written = 0;
    if (!::WriteConsoleW(handle, units.data() + done, piece, &written, nullptr) || written == 0) {
      errno = ErrnoFromWindows(::GetLastError());
      return false;
    }
    done += written;
  }
  return true;
}

}  // namespace vkt::platform
