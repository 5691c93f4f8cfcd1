#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "fs/open_files.h"
#include "fs/platform/file_system.h"
#include "fs/recording_fso.h"
#include "support/temp_dir.h"

namespace vkt::fs {
namespace {

using Lines = std::vector<std::string>;
using vkt::testing::TempDir;
using namespace std::string_literals;
namespace stdfs = std::filesystem;

// Runs each test inside a fresh current directory, where SetLines puts its
// temporary files.
class DocumentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = stdfs::current_path();
    stdfs::current_path(dir.path());
  }
  void TearDown() override {
    stdfs::current_path(previous_);
    open_files::CloseAll();
  }

  TempDir dir;

 private:
  stdfs::path previous_;
};

// The lines, UnixLineTerm and NoReturnLastLine GetLines gives for a file.
using Outcome = std::tuple<Lines, std::int32_t, bool>;

Outcome GetLinesOf(FileSystemObject& fso, const std::string& path) {
  Outcome r{{}, 77, false};
  std::get<0>(r) = fso.GetLines(path, std::get<1>(r), std::get<2>(r));
  return r;
}

// Nothing readable (fewer than two bytes, a missing file, a folder) leaves
// the outputs as they were (77 and false here) and no file open.
TEST_F(DocumentsTest, GetLinesReportsTheTerminatorsItMet) {
  struct Case {
    std::string bytes;
    Outcome outcome;
  };
  const Case cases[] = {
      {"a\nb\n", {{"a", "b", ""}, -1, true}},  // a final LF leaves an empty element
      {"a\nb", {{"a", "b"}, -1, true}},
      {"ab", {{"ab"}, -1, true}},
      {"a\r\nb\r\n", {{"a", "b"}, 1, false}},  // one element per CR LF line
      {"a\r\nb", {{"a", "b"}, 1, true}},
      {"a\rb\r", {{"a", "b"}, 0, false}},
      {"a\rb\r\nc", {{"a", "b", "c"}, 2, true}},
      {"a\r\n\nb", {{"a", "", "b"}, 1, true}},
      {"a\r\rb", {{"a", "", "b"}, 0, true}},
      {"\r\n", {{""}, 1, false}},
      {"a\r\n\r\n", {{"a", ""}, 1, false}},
      {"a\r\n\n", {{"a", "", ""}, 1, true}},
      {"\xE7\x80\n", {{"\xC3\xA7\xE2\x82\xAC", ""}, -1, true}},  // system code page
      {"a", {{}, 77, false}},
      {"", {{}, 77, false}},
  };
  FileSystemObject fso;
  for (const Case& c : cases) {
    dir.Write("doc.txt", c.bytes);
    EXPECT_EQ(GetLinesOf(fso, dir / "doc.txt"), c.outcome) << ::testing::PrintToString(c.bytes);
  }
  dir.MakeDir("folder");
  for (const char* name : {"missing.txt", "folder"}) {
    EXPECT_EQ(GetLinesOf(fso, dir / name), Outcome({}, 77, false)) << name;
  }
  EXPECT_FALSE(open_files::IsOpen(1));
}

TEST_F(DocumentsTest, SetLinesByteLayouts) {
  struct Case {
    bool unix_line_term;
    bool no_crlf;
    bool no_return_last_line;
    std::string bytes;
  };
  const Case cases[] = {
      {false, false, false, "a\r\nb\r\n"}, {false, false, true, "a\r\nb"},
      {true, false, false, "a\rb\r"},      {true, false, true, "a\rb"},
      {false, true, false, "ab"},          {true, true, true, "ab"},
  };
  FileSystemObject fso;
  for (const Case& c : cases) {
    fso.SetLines({"a", "b"}, dir / "out.txt", c.unix_line_term, c.no_crlf, c.no_return_last_line);
    EXPECT_EQ(dir.Read("out.txt"), c.bytes)
        << c.unix_line_term << c.no_crlf << c.no_return_last_line;
  }
  EXPECT_EQ(testing::FolderNames(dir.path()), Lines{"out.txt"});  // no temporary file is left
}

// The file named by a hook line "Movendo Arquivo: ..." or "Excluindo Arquivo: ...".
std::string LoggedFile(const std::string& line) {
  std::string path = line.substr(line.find(": ") + 2);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool Announces(const std::string& line, const std::string& what) {
  return line.rfind(what + " Arquivo: ", 0) == 0;
}

TEST_F(DocumentsTest, SetLinesGoesThroughATemporaryFileHereOrKeepsTheTarget) {
  dir.Write("docs/Out.txt", "old");
  RecordingFso fso;
  std::vector<stdfs::path> moved;
  fso.on_log = [&](const std::string& line) {
    if (Announces(line, "Movendo")) moved.emplace_back(LoggedFile(line));
  };
  fso.SetLines({"new"}, dir.path() + "\\docs\\OUT.TXT", false, false, true);
  EXPECT_EQ(dir.Read("docs/Out.txt"), "new");  // the existing file, whatever its case
  // The old content went aside first, then the temporary file took its place.
  ASSERT_EQ(moved.size(), 2u);
  EXPECT_EQ(moved[1].parent_path(), stdfs::current_path());
  EXPECT_TRUE(
      std::regex_match(moved[1].filename().string(), std::regex(R"(\$fso[0-9a-f]+\.T\$\$)")))
      << moved[1];
  EXPECT_EQ(testing::FolderNames(dir.path()), Lines{"docs"});
  EXPECT_EQ(testing::FolderNames(dir / "docs"), Lines{"Out.txt"});
  // A read-only target, or a temporary file that vanishes just before it
  // would be moved over the target: the old content stays, nothing is left.
  stdfs::remove_all(dir / "docs");
  for (const bool read_only : {true, false}) {
    dir.Write("out.txt", "old");
    if (read_only) ::chmod((dir / "out.txt").c_str(), 0444);
    RecordingFso failing;
    int moves = 0;
    failing.on_log = [&](const std::string& line) {
      if (read_only || !Announces(line, "Movendo") || ++moves != 2) return;
      EXPECT_EQ(vkt::testing::ReadFileBytes(LoggedFile(line)), "new\r\n");
      stdfs::remove(LoggedFile(line));
    };
    failing.SetLines({"new"}, dir / "out.txt", false, false, false);
    EXPECT_EQ(dir.Read("out.txt"), "old") << read_only;
    EXPECT_EQ(testing::FolderNames(dir.path()), Lines{"out.txt"}) << read_only;
    ::chmod((dir / "out.txt").c_str(), 0644);
  }
  // The old content set aside cannot be deleted: it goes back in place.
  platform::ArmFault(platform::kFaultRemove, 1, EIO);
  RecordingFso().SetLines({"new"}, dir / "out.txt", false, false, false);
  platform::DisarmFault();
  EXPECT_EQ(dir.Read("out.txt"), "old");
  EXPECT_EQ(testing::FolderNames(dir.path()), Lines{"out.txt"});
}

TEST_F(DocumentsTest, SetLinesFromTextCutsAtCarriageReturnLineFeed) {
  struct Case {
    std::string text;
    std::string bytes;
  };
  const Case cases[] = {
      {"a\r\nb", "a\r\nb"},
      {"a\r\nb\r\n", "a\r\nb\r\n"},
      {"\r\na", "\r\na"},
      {"a\r\n\r\nb", "a\r\n\r\nb"},
      {"x\ny", "xy"},  // lone LFs and CRs are no breaks and go
      {"x\ry\r\r\nz", "xy\r\nz"},
      {"a\0b\r\n\0"s, "ab\r\n"},
      {"\r\n", "\r\n"},
      {"", ""},
  };
  FileSystemObject fso;
  for (const Case& c : cases) {
    dir.Write("out.txt", "old content");
    fso.SetLinesFromText(c.text, dir / "out.txt", false);
    EXPECT_EQ(dir.Read("out.txt"), c.bytes) << ::testing::PrintToString(c.text);
  }
}

}  // namespace
}  // namespace vkt::fs
