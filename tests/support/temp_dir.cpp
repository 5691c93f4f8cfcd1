#include "support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace vkt::testing {

namespace fs = std::filesystem;

namespace {

// A path from UTF-8 text and back, whatever the system's narrow encoding.
fs::path PathOf(std::string_view utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::string Utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

fs::path Below(const std::string& folder, std::string_view relative) {
  return PathOf(folder) / PathOf(relative);
}

// A new folder of a random name below the system's temporary folder.
std::string MakeTemporaryFolder() {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device random;
  std::error_code ec;
  const fs::path base = fs::temp_directory_path(ec);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "vkt-test-";
    for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    const fs::path folder = base / name;
    if (fs::create_directory(folder, ec)) return Utf8Of(folder);
  }
  // The test goes on (its writes then fail too), but says why first.
  ADD_FAILURE() << "cannot create a folder in " << Utf8Of(base) << ": " << ec.message();
  return Utf8Of(base / "vkt-test-failed");
}

}  // namespace

TempDir::TempDir() : path_(MakeTemporaryFolder()) {}

TempDir::~TempDir() {
  std::error_code ec;
  // Read-only files and folders must not keep the tree alive.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(path_, ec);
}

std::string TempDir::operator/(std::string_view relative) const {
  return path_ + "/" + std::string(relative);
}

void TempDir::Write(std::string_view relative, std::string_view bytes) const {
  const fs::path p = Below(path_, relative);
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void TempDir::MakeDir(std::string_view relative) const {
  fs::create_directories(Below(path_, relative));
}

std::string TempDir::Read(std::string_view relative) const {
  return ReadFileBytes(Utf8Of(Below(path_, relative)));
}

bool TempDir::Exists(std::string_view relative) const { return fs::exists(Below(path_, relative)); }

std::string ReadFileBytes(const std::string& posix_path) {
  std::ostringstream s;
  if (std::ifstream in{PathOf(posix_path), std::ios::binary}) s << in.rdbuf();
  return s.str();
}

void MakeReadOnly(const std::string& posix_path) {
  fs::permissions(PathOf(posix_path),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

bool OwnerCanWrite(const std::string& posix_path) {
  return (fs::status(PathOf(posix_path)).permissions() & fs::perms::owner_write) != fs::perms::none;
}

std::vector<std::string> FolderNames(const std::string& posix_folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = fs::directory_iterator(PathOf(posix_folder), ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    names.push_back(Utf8Of(it->path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::map<std::string, std::string> FilesBelow(const std::string& posix_folder) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(PathOf(posix_folder), ec);
       !ec && it != fs::end(it); it.increment(ec)) {
    if (it->is_regular_file()) {
      // "/" between components on every system, as the tests write them.
      const std::u8string relative =
          fs::relative(it->path(), PathOf(posix_folder)).generic_u8string();
      files[std::string(relative.begin(), relative.end())] = ReadFileBytes(Utf8Of(it->path()));
    }
  }
  return files;
}

#ifdef _WIN32
std::string ThreadUserName() {
  wchar_t name[257] = {};
  DWORD size = 257;
  if (!::GetUserNameW(name, &size)) return {};
  return Utf8Of(fs::path(std::wstring(name)));
}
#endif

}  // namespace vkt::testing
