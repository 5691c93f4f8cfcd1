// The ini files' encodings, line ends and odd file types: UTF-16LE and UTF-8
// files with byte-order marks, CR-only lines, and paths that name something
// other than a regular file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "config/ini.h"
#include "support/fake_desktop.h"
#include "support/temp_dir.h"
#include "support/test_repository.h"

namespace vkt::config {
namespace {

using testing::FakeDesktop;
using testing::TempDir;
using testing::Utf16File;

const char kNotRegular[] = " - n\xC3\xA3o \xC3\xA9 um arquivo comum";

class IniEncodingTest : public ::testing::Test {
 protected:
  void SetUp() override { ForgetIniErrors(); }
  INI At(const std::string& path, const std::string& section) {
    INI ini;
    ini.ININame(path);
    ini.Section(section);
    return ini;
  }
  INI Open(const std::string& bytes, const std::string& section) {
    dir_.Write("cfg.ini", bytes);
    return At(dir_ / "cfg.ini", section);
  }

  FakeDesktop desktop_;
  TempDir dir_;
};

TEST_F(IniEncodingTest, AUtf16FileThatWouldNotComeBackUnchangedIsNotWritten) {
  const std::string odd = Utf16File("[A]\r\nX=1\r\n") + "\x41";
  INI ini = Open(odd, "A");
  EXPECT_EQ(ini.ReadINISettings("X"), "1");
  EXPECT_FALSE(ini.WriteIniSettings("A", "Y", "2"));
  EXPECT_EQ(dir_.Read("cfg.ini"), odd);
}

TEST_F(IniEncodingTest, CrOnlyLinesAreLinesAndAddedLinesEndLikeTheFile) {
  struct Case {
    std::string before, section, key, after;
  } cases[] = {
      {"[A]\rX=1\r[B]\rY=2\r", "A", "K", "[A]\rX=1\rK=v\r[B]\rY=2\r"},
      {"[A]\rX=1\r", "A", "X", "[A]\rX=v\r"},
      {"[A]\rX=1\r", "C", "K", "[A]\rX=1\r\r[C]\rK=v\r"},
      {"[A]\rX=1", "A", "K", "[A]\rX=1\rK=v"},
      {"[A]\nX=1\rY=2\n", "A", "K", "[A]\nX=1\rY=2\nK=v\n"},
      {Utf16File("[A]\rX=1\r"), "A", "K", Utf16File("[A]\rX=1\rK=v\r")},
  };
  for (const Case& c : cases) {
    INI ini = Open(c.before, "A");
    EXPECT_EQ(ini.ReadINISettings("X"), "1") << c.before;
    EXPECT_TRUE(ini.WriteIniSettings(c.section, c.key, "v")) << c.before;
    EXPECT_EQ(dir_.Read("cfg.ini"), c.after) << c.before;
  }
  EXPECT_EQ(Open("[A]\nX=1\rY=2\n", "A").ReadINISettings("Y"), "2");
}

// The box names the file once until the next run; reads give the default
// and writes fail (tried only inside the test's folder: a write that got
// through must not replace a device).
TEST_F(IniEncodingTest, OnlyARegularFileIsReadAndAnythingElseIsNamedInTheBoxOnce) {
  dir_.MakeDir("folder.ini");
  ASSERT_EQ(::mkfifo((dir_ / "fifo.ini").c_str(), 0600), 0);
  const std::string paths[] = {dir_ / "folder.ini", dir_ / "fifo.ini", "/dev/zero"};
  for (int call = 0; call < 2; ++call) {
    for (const std::string& path : paths) {
      INI ini = At(path, "S");
      EXPECT_EQ(ini.ReadINISettings("K", IniValue(std::string("d"))), IniValue(std::string("d")));
      ini.Section("T");
      EXPECT_EQ(ini.ReadINISettings("K"), "");
      if (path != paths[2]) {
        EXPECT_FALSE(ini.WriteIniSettings("S", "K", "v")) << path;
      }
    }
  }
  ASSERT_EQ(desktop_.boxes.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(
        desktop_.boxes[i],
        (testing::BoxEvent{"Error Number: 1001\r\nError Description: " + paths[i] + kNotRegular,
                           "Initialization File Error", BoxIcon::kCritical}));
  }
  ForgetIniErrors();
  At(paths[0], "S").ReadINISettings("K");
  EXPECT_EQ(desktop_.boxes.size(), 4u);
}

TEST_F(IniEncodingTest, AFileLargerThan64MiBIsRefusedUnread) {
  dir_.Write("big.ini", "[S]\r\nK=v\r\n");
  std::filesystem::resize_file(dir_ / "big.ini", (std::uintmax_t{64} << 20) + 1);
  INI ini = At(dir_ / "big.ini", "S");
  EXPECT_EQ(ini.ReadINISettings("K"), "");
  ASSERT_EQ(desktop_.boxes.size(), 1u);
  EXPECT_EQ(desktop_.boxes[0].text, "Error Number: 27\r\nError Description: " + (dir_ / "big.ini") +
                                        " - arquivo maior que 64 MiB");
}

}  // namespace
}  // namespace vkt::config
