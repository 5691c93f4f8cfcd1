// What the class tells of files: listings, existence, sizes and icons.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/icons.h"
#include "fs/platform/file_system.h"
#include "services/desktop.h"
#include "support/fake_desktop.h"
#include "support/temp_dir.h"

namespace vkt::fs {
namespace {

using vkt::testing::TempDir;
using List = std::vector<std::string>;

// Windows form of a test path: the folder as POSIX, the rest with "\".
std::string Win(const TempDir& dir, const std::string& rest) { return dir.path() + "\\" + rest; }

// Hidden and read-only files are listed; dot-named folders are listed but not
// entered; a subfolder's files come where the subfolder is listed; names match
// without regard to case.
TEST(Enumerations, ListInListingOrder) {
  TempDir dir;
  for (const char* name : {"f/z.ora", "f/.hidden.ora", "f/ro.ora", "f/A.sql", "f/Views/b.SQL",
                           "f/Views/c.txt", "f/.git/x.sql", "f/zz.sql"}) {
    dir.Write(name, "");
  }
  ASSERT_TRUE(platform::SetReadOnly(dir / "f/ro.ora", true).ok());
  const std::string f = Win(dir, "f");
  FileSystemObject fso;
  EXPECT_EQ(fso.EnumFiles(f + "\\*.ora"), (List{"", ".hidden.ora", "ro.ora", "z.ora"}));
  EXPECT_EQ(fso.EnumFiles(f + "\\*.*"),
            (List{"", ".hidden.ora", "A.sql", "ro.ora", "z.ora", "zz.sql"}));
  EXPECT_EQ(fso.EnumSubFolders(f + "\\*.*"), (List{"", ".git", "Views"}));
  EXPECT_EQ(fso.EnumSubFolders(Win(dir, "nothing\\*")), List{""});
  EXPECT_EQ(fso.EnumTypeFiles(f, "*.sql", true, true, true),
            (List{"", f + "\\A.sql", f + "\\Views\\b.SQL", f + "\\zz.sql"}));
  EXPECT_EQ(fso.EnumTypeFiles(f, "*.sql", false, true, true),
            (List{"", "A.sql", "b.SQL", "zz.sql"}));
}

// Windows wildcards ("*.*" takes names without a dot too), in lists split at
// ";" with blanks before each pattern dropped.
TEST(EnumTypeFiles, MatchesPatternLists) {
  struct Case {
    const char* name;
    const char* spec;
    bool match;
  } cases[] = {
      {"a.sql", "*.sql;*.txt", true},
      {"a.txt", "*.sql;*.txt", true},
      {"a.ora", "*.sql;*.txt", false},
      {"a.txt", "*.sql;  *.txt", true},
      {"a.txt", "*.sql;\t*.txt", true},
      {"A.SQL", "*.sql", true},
      {"a.sql", "", false},
      {"a.sql", "*.ora;", false},
      {"noext", "*.*", true},
      {"a.sql2005", "*.sql", false},
      {"abc", "a?c", true},
      {"ac", "a?c", false},
      {"\xC3\xA7\xC3\xA3o.txt", "\xC3\x87\xC3\x83O.*", true},
      {"x.tar.gz", "*.gz", true},
      // A character beyond the basic plane is one character.
      {"\xF0\x9F\x98\x80.sql", "?.sql", true},
      {"x\xF0\x9F\x98\x81.sql", "x\xF0\x9F\x98\x80*", false},
      {"x", "*", true},
  };
  TempDir dir;
  FileSystemObject fso;
  for (const auto& c : cases) {
    std::filesystem::remove_all(dir / "m");
    dir.Write(std::string("m/") + c.name, "");
    const List expected = c.match ? List{"", c.name} : List{""};
    EXPECT_EQ(fso.EnumTypeFiles(dir / "m", c.spec, false, false, true), expected)
        << c.name << " ~ " << c.spec;
  }
}

// FileExists: files, but not folders nor hidden files. PathExists: folders,
// after dropping one trailing separator.
TEST(Existence, OfFilesAndOfFolders) {
  TempDir dir;
  dir.Write("f/a.SQL", "");
  dir.Write("f/.h.sql", "");
  dir.MakeDir("f/Sub");
  FileSystemObject fso;
  const struct {
    std::string path;
    bool file, folder;
  } cases[] = {
      {Win(dir, "F\\A.sql"), true, false},
#ifndef _WIN32
      {Win(dir, "f\\.h.sql"), false, false},  // a dot-name is hidden here
#endif
      {Win(dir, "f\\missing.sql"), false, false},
      {Win(dir, "f\\a.SQL\\"), false, false},
      {Win(dir, "f"), false, true},
      {Win(dir, "f\\"), false, true},
      {Win(dir, "F/SUB/"), false, true},
      {Win(dir, "f\\sub"), false, true},
      {Win(dir, "f\\\\"), false, false},  // only one trailing separator is dropped
      {Win(dir, "missing"), false, false},
      {Win(dir, "f\\*"), true, true},  // "." and ".." are folders
      {"", false, false},
      {"/", false, true},  // the root has entries
      {"\\", false, true},
#ifndef _WIN32
      {"C:\\", false, false},  // a drive names nothing here
      {"C:", false, false},
#else
      {"C:\\", false, true},  // the root of a drive that exists
#endif
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fso.FileExists(c.path), c.file) << c.path;
    EXPECT_EQ(fso.PathExists(c.path), c.folder) << c.path;
  }
}

// The size of a file on every platform; the attribute word and the times are
// in attributes_posix_test.cpp and platform_win32_test.cpp.
TEST(GetFileSize, SplitsTheSizeIntoSignedHalves) {
  const struct {
    std::uintmax_t size;
    std::int32_t low, high;
  } cases[] = {
      {0, 0, 0},
      {5, 5, 0},
      {3'000'000'000ULL, -1'294'967'296, 0},
      {(1ULL << 32) + 1, 1, 1},
      {(1ULL << 33) + 0xFFFFFFFFULL, -1, 2},
  };
  TempDir dir;
  FileSystemObject fso;
  for (const auto& c : cases) {
    dir.Write("f.bin", "");
    std::filesystem::resize_file(dir / "f.bin", c.size);  // sparse: takes no room on disk
    std::int32_t high = 77;
    EXPECT_EQ(fso.GetFileSize(dir / "f.bin", high), c.low) << c.size;
    EXPECT_EQ(high, c.high) << c.size;
  }
  // Nothing readable: the high half stays as it was.
  dir.MakeDir("Folder");
  std::int32_t high = 77;
  EXPECT_EQ(fso.GetFileSize(dir / "missing", high), 0);
  EXPECT_EQ(fso.GetFileSize(dir / "Folder", high), 0);
  EXPECT_EQ(high, 77);
}

// ---- icons ----

IconImage Square(int size, std::uint32_t colour = 0xFF102030) {
  return IconImage{size, size,
                   std::vector<std::uint32_t>(static_cast<std::size_t>(size) * size, colour)};
}

// An icon service with one icon (index 3) for every name ending in ".txt".
class TxtIcons final : public IconService {
 public:
  bool IconIndex(std::string_view name, bool small, std::int32_t* index,
                 std::int32_t* list) override {
    if (!name.ends_with(".txt")) return false;
    *index = 3;
    *list = small ? 101 : 102;
    return true;
  }
  bool Icon(std::string_view name, int size, IconImage* image) override {
    sizes.push_back(size);
    if (!name.ends_with(".txt")) return false;
    *image = Square(size);
    // Wrong in one way only: width, height or the number of pixels.
    if (wrong == 1) image->width += 1;
    if (wrong == 2) image->height += 1;
    if (wrong == 3) image->argb.pop_back();
    return true;
  }
  std::vector<int> sizes;
  int wrong = 0;
};

TEST(Icons, GiveTheIndexListAndIconOfTheAskedSize) {
  FileSystemObject fso;
  std::int32_t small = 55;
  EXPECT_EQ(fso.GetIconIndex("a.txt", true, &small), 0);  // the command line has no icons
  EXPECT_EQ(small, 0);
  TxtIcons icons;
  fso = FileSystemObject({.icons = &icons});
  std::int32_t large = 0;
  EXPECT_EQ(fso.GetIconIndex("C:\\x\\a.txt", true, &small), 3);
  EXPECT_EQ(fso.GetIconIndex("C:\\x\\a.txt", false, &large), 3);
  EXPECT_EQ(small, 101);
  EXPECT_EQ(large, 102);
  EXPECT_EQ(fso.GetIconIndex("b.txt", true), 3);  // the list handle is optional
  // GetFileIcon gives an icon of the asked size and nothing else.
  EXPECT_EQ(fso.GetFileIcon("a.doc"), nullptr);
  for (const bool small : {false, true}) {
    const std::shared_ptr<Picture> icon = fso.GetFileIcon("a.txt", small);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->type, PictureType::kIcon);
    EXPECT_EQ(icon->Width(), small ? 16 : 32);
  }
  EXPECT_EQ(icons.sizes, (std::vector<int>{32, 32, 16}));
  for (icons.wrong = 1; icons.wrong <= 3; ++icons.wrong) {
    EXPECT_EQ(fso.GetFileIcon("a.txt"), nullptr) << icons.wrong;
  }
}

// An object reaches the desktop it was made with, never the one installed for
// the process.
class PickerOf final : public FolderPicker {
 public:
  explicit PickerOf(std::string folder) : folder_(std::move(folder)) {}
  std::string PickFolder(std::string_view, std::string_view) override { return folder_; }

 private:
  std::string folder_;
};

TEST(Services, AnObjectYieldsAndPicksThroughTheServicesItWasMadeWith) {
  TempDir dir;
  for (const char* name : {"f/a.sql", "f/b.sql", "f/c.ora"}) dir.Write(name, "");
  testing::FakeDesktop own;
  testing::FakeDesktop installed;  // installed last: the process's desktop, never reached
  PickerOf picker(Win(dir, "f\\"));
  DesktopServices services = own.services();
  services.picker = &picker;
  FileSystemObject fso(services);
  EXPECT_EQ(fso.EnumTypeFiles(Win(dir, "f"), "*.sql", false, false, true).size(), 3u);
  const int yields = own.yields;
  EXPECT_GE(yields, 3);  // one per entry listed
  EXPECT_EQ(fso.FolderBrowse(0, "T"), fso.GetAbsolutePathname(Win(dir, "f")));
  EXPECT_EQ(installed.yields, 0);
  // A default-made object has the do-nothing services.
  FileSystemObject quiet;
  EXPECT_EQ(quiet.EnumTypeFiles(Win(dir, "f"), "*.sql", false, false, true).size(), 3u);
  EXPECT_EQ(quiet.FolderBrowse(0, "T"), "");
  EXPECT_EQ(own.yields, yields);
  EXPECT_EQ(installed.yields, 0);
}

}  // namespace
}  // namespace vkt::fs
