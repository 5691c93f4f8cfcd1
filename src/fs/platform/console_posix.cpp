// POSIX implementation of console.h: argv as it is, bytes as written, a
// terminal line cleared with escape sequences.
#include <sys/ioctl.h>
#include <unistd.h>

#include <string>

#include "fs/platform/console.h"

namespace vkt::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void PrepareStandardStreams() {}

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

bool WriteStandardStream(std::FILE* stream, std::string_view text) {
  return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
}

int TerminalColumns(std::FILE* stream) {
  winsize size{};
  if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

void PrepareTerminalLine(std::FILE*) {}

void EndTerminalLine(std::FILE*) {}

bool RewriteTerminalLine(std::FILE* stream, std::string_view text) {
  // One write: the line is never seen empty between two progress lines.
  std::string bytes = "\r\033[K";
  bytes += text;
  return WriteStandardStream(stream, bytes);
}

}  // namespace vkt::platform
