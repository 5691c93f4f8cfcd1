// Windows implementation of console.h: the wide command line, binary
// standard streams, WriteConsoleW for a console, the console's line
// rewritten in place (console_win32.h).
#include "fs/platform/console_win32.h"
// After windows.h (win32_internal.h).
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <memory>
#include <mutex>

#include "fs/platform/console.h"
#include "text/codepage.h"

namespace vkt::platform {

using namespace win32;

namespace win32 {
namespace {

class SystemConsoleApi final : public ConsoleApi {
 public:
  bool GetMode(HANDLE console, DWORD* mode) override {
    return ::GetConsoleMode(console, mode) != 0;
  }
  bool SetMode(HANDLE console, DWORD mode) override { return ::SetConsoleMode(console, mode) != 0; }
  bool GetScreenBufferInfo(HANDLE console, CONSOLE_SCREEN_BUFFER_INFO* info) override {
    return ::GetConsoleScreenBufferInfo(console, info) != 0;
  }
  bool SetCursorPosition(HANDLE console, COORD position) override {
    return ::SetConsoleCursorPosition(console, position) != 0;
  }
  bool FillOutputCharacter(HANDLE console, wchar_t character, DWORD length, COORD first,
                           DWORD* written) override {
    return ::FillConsoleOutputCharacterW(console, character, length, first, written) != 0;
  }
  bool WriteText(HANDLE console, std::u16string_view text, DWORD* written) override {
    return ::WriteConsoleW(console, text.data(), static_cast<DWORD>(text.size()), written,
                           nullptr) != 0;
  }
};

// The last error as errno, for a console call that failed: false.
bool Failed() {
  errno = ErrnoFromWindows(::GetLastError());
  return false;
}

// All of `text` through `api`, in pieces a console writes best.
bool WriteAllText(ConsoleApi& api, HANDLE console, std::u16string_view text) {
  while (!text.empty()) {
    DWORD written = 0;
    if (!api.WriteText(console, text.substr(0, 8192), &written)) return Failed();
    if (written == 0) {
      errno = EIO;
      return false;
    }
    text.remove_prefix(std::min<std::size_t>(written, text.size()));
  }
  return true;
}

}  // namespace

ConsoleApi& SystemConsole() {
  static SystemConsoleApi api;
  return api;
}

bool ConsoleLine::EnableSequences() {
  if (!api_.GetMode(console_, &original_mode_)) return sequences_ = false;
  sequences_ = (original_mode_ & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
  if (!sequences_) {
    mode_changed_ = api_.SetMode(console_, original_mode_ | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    sequences_ = mode_changed_;
  }
  return sequences_;
}

void ConsoleLine::RestoreMode() {
  if (!mode_changed_) return;
  api_.SetMode(console_, original_mode_);
  mode_changed_ = false;
  sequences_ = false;
}

int ConsoleLine::Columns() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  return api_.GetScreenBufferInfo(console_, &info) ? std::max<int>(info.dwSize.X, 0) : 0;
}

bool ConsoleLine::Rewrite(std::u16string_view text) {
  if (sequences_) {
    std::u16string line = u"\r\x1b[K";
    line += text;
    return Write(line);
  }
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!api_.GetScreenBufferInfo(console_, &info)) return Failed();
  const COORD start{0, info.dwCursorPosition.Y};
  DWORD filled = 0;
  if (!api_.FillOutputCharacter(
          console_, L' ', static_cast<DWORD>(std::max<SHORT>(info.dwSize.X, 0)), start, &filled) ||
      !api_.SetCursorPosition(console_, start)) {
    return Failed();
  }
  return Write(text);
}

bool ConsoleLine::Write(std::u16string_view text) { return WriteAllText(api_, console_, text); }

}  // namespace win32

namespace {

// Taken by every write to a console: the interruption's notice waits for a
// line in progress, and no line starts once it is written.
std::mutex& ConsoleMutex() {
  static std::mutex mutex;
  return mutex;
}

// The lines PrepareTerminalLine made ready, one per console handle (under
// ConsoleMutex).
ConsoleLine& LineOf(HANDLE console) {
  static std::vector<std::unique_ptr<ConsoleLine>> lines;
  for (const std::unique_ptr<ConsoleLine>& line : lines) {
    if (line->console() == console) return *line;
  }
  lines.push_back(std::make_unique<ConsoleLine>(SystemConsole(), console));
  lines.back()->EnableSequences();
  return *lines.back();
}

// The notice of SetInterruptNotice, line end included (under ConsoleMutex).
std::u16string& Notice() {
  static std::u16string notice;
  return notice;
}

HANDLE StandardHandle(std::FILE* stream) {
  return std::bit_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
}

StreamKind KindOf(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr) return StreamKind::kNone;
  DWORD mode = 0;
  if (::GetConsoleMode(handle, &mode)) return StreamKind::kConsole;
  switch (sys::GetFileType(handle)) {
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
  const std::lock_guard lock(ConsoleMutex());
  return WriteAllText(SystemConsole(), handle, text::Utf8ToUtf16(text));
}

int TerminalColumns(std::FILE* stream) {
  const HANDLE handle = StandardHandle(stream);
  if (KindOf(handle) != StreamKind::kConsole) return 0;
  return ConsoleLine(SystemConsole(), handle).Columns();
}

void PrepareTerminalLine(std::FILE* stream) {
  const HANDLE handle = StandardHandle(stream);
  if (KindOf(handle) != StreamKind::kConsole) return;
  const std::lock_guard lock(ConsoleMutex());
  LineOf(handle);
}

bool RewriteTerminalLine(std::FILE* stream, std::string_view text) {
  const HANDLE handle = StandardHandle(stream);
  if (KindOf(handle) != StreamKind::kConsole) {
    return WriteStandardStream(stream, "\r\033[K" + std::string(text));
  }
  if (std::fflush(stream) != 0) return false;
  const std::lock_guard lock(ConsoleMutex());
  return LineOf(handle).Rewrite(text::Utf8ToUtf16(text));
}

void EndTerminalLine(std::FILE* stream) {
  const HANDLE handle = StandardHandle(stream);
  if (KindOf(handle) != StreamKind::kConsole) return;
  const std::lock_guard lock(ConsoleMutex());
  LineOf(handle).RestoreMode();
}

void SetInterruptNotice(std::string_view notice) {
  const std::lock_guard lock(ConsoleMutex());
  Notice() = notice.empty() ? std::u16string()
                            : text::Utf8ToUtf16(notice.substr(0, kInterruptNoticeMax)) + u"\n";
}

void win32::WriteInterruptNotice() {
  // Kept: the process ends right after.
  ConsoleMutex().lock();
  const HANDLE handle = StandardHandle(stderr);
  if (Notice().empty() || KindOf(handle) != StreamKind::kConsole) return;
  LineOf(handle).Rewrite(Notice());
  LineOf(handle).RestoreMode();
}

}  // namespace vkt::platform
