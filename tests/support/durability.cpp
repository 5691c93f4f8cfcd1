#include "support/durability.h"

#include <cstdlib>
#include <filesystem>

#include "fs/platform/file_system.h"

namespace vkt::testing {
namespace {

void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
  ::_putenv_s(name, value == nullptr ? "" : value);  // "" removes it
#else
  if (value == nullptr) {
    ::unsetenv(name);
  } else {
    ::setenv(name, value, 1);
  }
#endif
}

}  // namespace

ScopedTempRoot::ScopedTempRoot(const std::string& folder) {
  const char* old = std::getenv("TMPDIR");
  had_ = old != nullptr;
  if (had_) old_ = old;
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec)) SetVariable("TMPDIR", folder.c_str());
}

ScopedTempRoot::~ScopedTempRoot() { SetVariable("TMPDIR", had_ ? old_.c_str() : nullptr); }

void DurabilityRepository(const TestRepository& repo, int per_type, const std::string& version) {
  std::string list;
  for (const std::string type : {"TABELAS", "VIEWS"}) {
    const std::string folder = type == "TABELAS" ? "Tabelas/" : "Views/";
    list += "[" + type + "]\r\nNUMFILES=" + std::to_string(per_type) + "\r\n";
    for (int i = 1; i <= per_type; ++i) {
      const std::string name = type + "_" + std::to_string(i);
      list += "FILE" + std::to_string(i) + "=" + name + "\r\n";
      repo.Source(folder + name + ".ora", "SELECT '" + version + "' FROM DUAL;\r\n");
      repo.Source(folder + name + ".sql", "SELECT '" + version + "'\r\n");
    }
  }
  repo.FileList(list);
  repo.Companions();
  repo.Doc("SQLSERVER/Roteiro_Atualizacao_XYZ_SQLServer.doc", "doc " + version);
  repo.Doc("ORACLE/Roteiro_Atualizacao_XYZ_Oracle.doc", "doc " + version);
}

std::map<std::string, std::string> WrittenFiles(const TestRepository& repo) {
  std::map<std::string, std::string> files;
  for (auto& [path, bytes] : FilesBelow(repo.Path("out"))) files["out/" + path] = bytes;
  files["files.ini"] = repo.dir.Read("files.ini");
  return files;
}

std::vector<std::string> TemporariesBelow(const std::string& posix_folder) {
  std::vector<std::string> found;
  for (const auto& [path, bytes] : FilesBelow(posix_folder)) {
    if (platform::IsTemporaryName(std::filesystem::path(path).filename().string())) {
      found.push_back(path);
    }
  }
  return found;
}

}  // namespace vkt::testing
