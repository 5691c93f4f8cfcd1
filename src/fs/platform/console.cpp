// What console.h chooses apart from the system, the same on every build.
#include "fs/platform/console.h"

#include "text/codepage.h"

namespace vkt::platform {

bool WritesAsConsoleText(StreamKind kind) { return kind == StreamKind::kConsole; }

std::vector<std::string> ArgumentsFromUtf16(const std::vector<std::u16string>& wide) {
  std::vector<std::string> arguments;
  arguments.reserve(wide.size());
  for (const std::u16string& argument : wide) arguments.push_back(text::Utf16ToUtf8(argument));
  return arguments;
}

}  // namespace vkt::platform
