#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/platform/file_system.h"
#include "support/temp_dir.h"

namespace vkt::platform {
namespace {

using vkt::testing::ReadFileBytes;
using vkt::testing::TempDir;
namespace stdfs = std::filesystem;

// A folder in /dev/shm, on another file system than the test's temporary
// folder where the machine has one.
class OtherFileSystem {
 public:
  explicit OtherFileSystem(const TempDir& beside) {
    std::string templ = "/dev/shm/vkt-move-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()) == nullptr) return;
    path_ = buf.data();
    struct stat here {
    }, there{};
    if (::stat(beside.path().c_str(), &here) != 0 || ::stat(path_.c_str(), &there) != 0 ||
        here.st_dev == there.st_dev) {
      Remove();
    }
  }
  ~OtherFileSystem() { Remove(); }
  bool available() const { return !path_.empty(); }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  void Remove() {
    if (path_.empty()) return;
    std::error_code ec;
    stdfs::remove_all(path_, ec);
    path_.clear();
  }
  std::string path_;
};

TEST(MoveFile, CarriesAFileToAnotherFileSystem) {
  TempDir dir;
  OtherFileSystem other(dir);
  if (!other.available()) GTEST_SKIP() << "no second file system";
  dir.Write("a.txt", "content");
  ASSERT_TRUE(MoveFile(dir / "a.txt", other / "b.txt").ok());
  EXPECT_FALSE(dir.Exists("a.txt"));
  EXPECT_EQ(ReadFileBytes(other / "b.txt"), "content");
}

TEST(SetLines, WorksWhenTheCurrentDirectoryIsOnAnotherFileSystem) {
  TempDir dir;
  OtherFileSystem other(dir);
  if (!other.available()) GTEST_SKIP() << "no second file system";
  dir.Write("out.txt", "old");
  const stdfs::path previous = stdfs::current_path();
  stdfs::current_path(other.path());
  fs::FileSystemObject fso;
  fso.SetLines({"new"}, dir / "out.txt", false, false, true);
  stdfs::current_path(previous);
  EXPECT_EQ(dir.Read("out.txt"), "new");
  EXPECT_TRUE(stdfs::is_empty(other.path()));  // no temporary file left
  EXPECT_EQ(std::distance(stdfs::directory_iterator(dir.path()), stdfs::directory_iterator()), 1);
}

}  // namespace
}  // namespace vkt::platform
