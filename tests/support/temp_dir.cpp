#include "support/temp_dir.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace vkt::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string templ = (fs::temp_directory_path() / "vkt-test-XXXXXX").string();
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  const char* made = ::mkdtemp(buf.data());
  path_ = made ? made : templ;
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
  fs::path p = fs::path(path_) / fs::path(std::string(relative));
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void TempDir::MakeDir(std::string_view relative) const {
  fs::create_directories(fs::path(path_) / fs::path(std::string(relative)));
}

std::string TempDir::Read(std::string_view relative) const {
  return ReadFileBytes((fs::path(path_) / fs::path(std::string(relative))).string());
}

bool TempDir::Exists(std::string_view relative) const {
  return fs::exists(fs::path(path_) / fs::path(std::string(relative)));
}

std::string ReadFileBytes(const std::string& posix_path) {
  std::ifstream in(posix_path, std::ios::binary);
  if (!in) return {};
  std::ostringstream s;
  s << in.rdbuf();
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
