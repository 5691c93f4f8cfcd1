#include "app/run_files.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "config/object_types.h"
#include "fs/platform/file_system.h"
#include "generate/call_plan.h"
#include "generate/docs_e_bats.h"
#include "text/letter_case.h"

namespace vkt::app {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Where `path` leads: the canonical path of its longest part that exists,
// then the rest of its components as the run would make them (upper-cased,
// since an existing entry is found without regard to letter case; "." and
// ".." taken as they read).
std::string Location(std::string_view path) {
  std::string known(path);
  std::vector<std::string> missing;  // beyond `known`, the last first
  std::string location;
  while (!platform::CanonicalPath(known.empty() ? "." : known, &location).ok()) {
    if (known.empty()) return std::string(path);  // not even the current folder
    while (known.size() > 1 && IsSeparator(known.back())) known.pop_back();
    const std::size_t cut = known.find_last_of("\\/");
    missing.push_back(cut == std::string::npos ? known : known.substr(cut + 1));
    known.resize(cut == std::string::npos ? 0 : cut + 1);
  }
  for (auto part = missing.rbegin(); part != missing.rend(); ++part) {
    if (part->empty() || *part == ".") continue;
    if (*part == "..") {
      const std::size_t cut = location.find_last_of(platform::kPathSeparator);
      if (cut != std::string::npos && cut > 0) location.resize(cut);
      continue;
    }
    if (location.empty() || location.back() != platform::kPathSeparator) {
      location += platform::kPathSeparator;
    }
    location += text::UpperCase(*part);
  }
  return location;
}

// Where writing `path` as a file puts it: a link at its name is replaced,
// never written through, so it is its own place; folders on the way are
// followed.
std::string PlaceOfOutput(std::string_view path) {
  if (!platform::IsSymbolicLink(path)) return Location(path);
  std::string folder(path);
  while (folder.size() > 1 && IsSeparator(folder.back())) folder.pop_back();
  const std::size_t cut = folder.find_last_of("\\/");
  const std::string name = cut == std::string::npos ? folder : folder.substr(cut + 1);
  folder.resize(cut == std::string::npos ? 0 : cut + 1);
  std::string place = Location(folder);
  if (place.empty() || place.back() != platform::kPathSeparator) place += platform::kPathSeparator;
  return place + text::UpperCase(name);
}

bool SamePlace(const std::string& a, const std::string& b) {
  return platform::IsSameOrInside(a, b) && platform::IsSameOrInside(b, a);
}

// The existing regular file `path` names, if any; for an output (`output`)
// a link at its name counts as none, since writing replaces it.
std::optional<platform::FileIdentity> IdentityOf(std::string_view path,
                                                 std::uint64_t* links = nullptr,
                                                 bool output = false) {
  platform::FileIdentity identity;
  std::uint64_t count = 0;
  if (!platform::GetFileIdentity(path, &identity, &count, !output).ok()) return std::nullopt;
  if (links != nullptr) *links = count;
  return identity;
}

bool IsScript(std::string_view path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string extension = text::UpperCase(path.substr(dot));
  return extension == ".ORA" || extension == ".SQL" || extension == ".SQL2005";
}

// A folder whose files are files of the run.
struct FolderOfFiles {
  std::string folder;
  RunFile file;
  bool scripts_only = false;
};

std::vector<FolderOfFiles> FoldersOfRun(const Session& session, bool install) {
  std::vector<FolderOfFiles> folders;
  const RunFile document{RunFile::Role::kInput, "a companion document"};
  const RunFile script{RunFile::Role::kInput, "a source script"};
  const RunFile package{RunFile::Role::kOutput, "a file of the package"};
  for (generate::DatabaseKind kind : generate::kDatabaseKinds) {
    folders.push_back({generate::PastaDocs(session, kind), document});
    if (install) {
      folders.push_back({generate::PlanCall(session.settings, "", kind).output_folder, package});
    }
  }
  for (const config::ObjectType& type : config::kObjectTypeTable) {
    for (std::string_view folder : {type.folder, config::NumberingFolder(type)}) {
      if (folder.empty()) continue;
      std::string path = session.settings.PathOrigem + std::string(folder);
      const bool listed = std::ranges::any_of(folders, [&](const FolderOfFiles& f) {
        return text::UpperCase(f.folder) == text::UpperCase(path);
      });
      if (!listed) folders.push_back({std::move(path), script, true});
    }
  }
  return folders;
}

// Whether a file of `folder` (scripts only where it says so) is the file
// `identity`.
bool HoldsFile(const FolderOfFiles& folder, const platform::FileIdentity& identity) {
  for (const platform::Entry& entry : platform::FindEntries(folder.folder + "\\*")) {
    if (entry.is_directory || (folder.scripts_only && !IsScript(entry.name))) continue;
    if (IdentityOf(folder.folder + "\\" + entry.name) == identity) return true;
  }
  return false;
}

}  // namespace

RunFile RunFileAt(const Session& session, bool install, std::string_view path) {
  const bool stream = platform::KindOfOutput(path) == platform::OutputKind::kStream;
  const std::string where = stream ? std::string() : PlaceOfOutput(path);
  std::uint64_t links = 0;
  const std::optional<platform::FileIdentity> identity = IdentityOf(path, &links, true);
  const std::array<std::pair<std::string, RunFile>, 2> files = {{
      {session.MainConfigPath(), {RunFile::Role::kInput, "the main configuration"}},
      {session.settings.ArqConfigIni, {RunFile::Role::kInput, "the file list"}},
  }};
  for (const auto& [file, role] : files) {
    if (file.empty()) continue;
    if ((!stream && SamePlace(where, Location(file))) ||
        (identity && IdentityOf(file) == identity)) {
      return role;
    }
  }
  const bool look_inside = identity && (links > 1 || stream);
  for (const FolderOfFiles& folder : FoldersOfRun(session, install)) {
    if (!stream && (!folder.scripts_only || IsScript(path)) &&
        platform::IsSameOrInside(where, Location(folder.folder))) {
      return folder.file;
    }
    if (look_inside && HoldsFile(folder, *identity)) return folder.file;
  }
  return {};
}

bool SameFile(std::string_view a, std::string_view b) {
  if (SamePlace(PlaceOfOutput(a), PlaceOfOutput(b))) return true;
  const std::optional<platform::FileIdentity> identity = IdentityOf(a, nullptr, true);
  return identity && IdentityOf(b, nullptr, true) == identity;
}

}  // namespace vkt::app
