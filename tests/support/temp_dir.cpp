#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vkt::testing {

namespace fs = std::filesystem;

namespace {

fs::path Below(const std::string& folder, std::string_view relative) {
  return fs::path(folder) / fs::path(std::string(relative));
}

}  // namespace

TempDir::TempDir() : path_((fs::temp_directory_path() / "vkt-test-XXXXXX").string()) {
  // The test goes on (its writes then fail too), but says why first.
  if (::mkdtemp(path_.data()) == nullptr) {
    ADD_FAILURE() << "cannot create " << path_ << ": " << std::strerror(errno);
  }
}

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
  return ReadFileBytes(Below(path_, relative).string());
}

bool TempDir::Exists(std::string_view relative) const { return fs::exists(Below(path_, relative)); }

std::string ReadFileBytes(const std::string& posix_path) {
  std::ostringstream s;
  if (std::ifstream in{posix_path, std::ios::binary}) s << in.rdbuf();
  return s.str();
}

void MakeReadOnly(const std::string& posix_path) {
  fs::permissions(posix_path,
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

bool OwnerCanWrite(const std::string& posix_path) {
  return (fs::status(posix_path).permissions() & fs::perms::owner_write) != fs::perms::none;
}

std::vector<std::string> FolderNames(const std::string& posix_folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = fs::directory_iterator(posix_folder, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::map<std::string, std::string> FilesBelow(const std::string& posix_folder) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(posix_folder, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    if (it->is_regular_file()) {
      files[fs::relative(it->path(), posix_folder).string()] = ReadFileBytes(it->path().string());
    }
  }
  return files;
}

}  // namespace vkt::testing
