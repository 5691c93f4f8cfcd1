#include "support/durability.h"

#include <sys/stat.h>

#include <cstdlib>

#include "fs/platform/file_system.h"

namespace vkt::testing {

ScopedTempRoot::ScopedTempRoot(const std::string& folder) {
  const char* old = std::getenv("TMPDIR");
  had_ = old != nullptr;
  if (had_) old_ = old;
  struct stat st {};
  if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    ::setenv("TMPDIR", folder.c_str(), 1);
}

ScopedTempRoot::~ScopedTempRoot() {
  if (had_) {
    ::setenv("TMPDIR", old_.c_str(), 1);
  } else {
    ::unsetenv("TMPDIR");
  }
}

void DurabilityRepository(const TestRepository& repo, int per_type, const std::string& version) {
  std::string list;
  for (const char* type : {"TABELAS", "VIEWS"}) {
    const std::string folder = std::string(type) == "TABELAS" ? "Tabelas/" : "Views/";
    list += "[" + std::string(type) + "]\r\nNUMFILES=" + std::to_string(per_type) + "\r\n";
    for (int i = 1; i <= per_type; ++i) {
      const std::string name = std::string(type) + "_" + std::to_string(i);
      list += "FILE" + std::to_string(i) + "=" + name + "\r\n";
      repo.Source(folder + name + ".ora", "SELECT '" + version + "' FROM DUAL;\r\n");
      repo.Source(folder + name + ".sql", "SELECT '" + version + "'\r\n");
    }
  }
  repo.FileList(list);
  repo.Companions();
  for (const char* doc : {"SQLSERVER/Roteiro_Atualizacao_XYZ_SQLServer.doc",
                          "ORACLE/Roteiro_Atualizacao_XYZ_Oracle.doc"}) {
    repo.Doc(doc, "doc " + version);
  }
}

std::map<std::string, std::string> WrittenFiles(const TestRepository& repo) {
  std::map<std::string, std::string> files;
  for (auto& [path, bytes] : FilesBelow(repo.Path("out"))) files["out/" + path] = bytes;
  files["files.ini"] = repo.dir.Read("files.ini");
  return files;
}

std::vector<std::string> TemporariesBelow(const std::string& posix_folder) {
  std::vector<std::string> found;
  for (const auto& entry : FilesBelow(posix_folder)) {
    const std::string& path = entry.first;
    const std::size_t slash = path.rfind('/');
    if (platform::IsTemporaryName(slash == std::string::npos ? path : path.substr(slash + 1))) {
      found.push_back(path);
    }
  }
  return found;
}

}  // namespace vkt::testing
