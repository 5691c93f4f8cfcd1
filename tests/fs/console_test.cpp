// The command line's arguments and streams (fs/platform/console.h): the
// choices that no console under test can show.
#include "fs/platform/console.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vkt::platform {
namespace {

TEST(Console, OnlyAConsoleGetsText) {
  EXPECT_TRUE(WritesAsConsoleText(StreamKind::kConsole));
  // Pipes, files and NUL get the UTF-8 bytes as written.
  EXPECT_FALSE(WritesAsConsoleText(StreamKind::kPipe));
  EXPECT_FALSE(WritesAsConsoleText(StreamKind::kFile));
  EXPECT_FALSE(WritesAsConsoleText(StreamKind::kNone));
}

TEST(Console, WideArgumentsAreKeptAsUtf8) {
  const std::vector<std::u16string> wide = {
      u"vktgera.exe",
      u"--config",
      u"C:\\Usu\u00E1rios\\Jo\u00E3o\\VKTGeraInstallBD.ini",
      u"\u65E5\u672C",                      // outside every single-byte page
      u"\U0001F600",                        // a surrogate pair
      std::u16string(1, char16_t{0xD800}),  // an unpaired surrogate
      u""};
  const std::vector<std::string> expected = {
      "vktgera.exe",
      "--config",
      "C:\\Usu\xC3\xA1rios\\Jo\xC3\xA3o\\VKTGeraInstallBD.ini",
      "\xE6\x97\xA5\xE6\x9C\xAC",
      "\xF0\x9F\x98\x80",
      "\xEF\xBF\xBD",
      ""};
  EXPECT_EQ(ArgumentsFromUtf16(wide), expected);
}

TEST(Console, ProgramArgumentsStartWithTheProgram) {
  char program[] = "fs_tests";
  char* argv[] = {program, nullptr};
  const std::vector<std::string> arguments = ProgramArguments(1, argv);
  ASSERT_FALSE(arguments.empty());
#ifdef _WIN32
  // The system's own command line: this test program's.
  EXPECT_NE(arguments[0].find("fs_tests"), std::string::npos);
#else
  EXPECT_EQ(arguments, std::vector<std::string>{"fs_tests"});
#endif
}

}  // namespace
}  // namespace vkt::platform
