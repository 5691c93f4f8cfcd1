#include "app/first_start.h"

#include <cerrno>

#include "app/config_lookup.h"
#include "generate/framing.h"

namespace vkt::app {
namespace {

std::string Join(const std::string& folder, std::string_view name) {
  std::string joined = folder;
  if (!joined.empty() && joined.back() != '\\' && joined.back() != '/') {
    joined += platform::kPathSeparator;
  }
  return joined.append(name);
}

std::string LastComponent(std::string path) {
  while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  const std::size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? path : path.substr(separator + 1);
}

bool IsDotEntry(const platform::Entry& entry) { return entry.name == "." || entry.name == ".."; }

// Removes `folder` and everything below it: a folder of the copy's own
// temporary name, which this run created, holds nothing but what it copied.
void RemoveCopy(const std::string& folder) {
  for (const platform::Entry& entry : platform::FindEntries(Join(folder, "*"))) {
    if (IsDotEntry(entry)) continue;
    const std::string path = Join(folder, entry.name);
    if (entry.is_directory && !entry.is_link) {
      RemoveCopy(path);
    } else {
      platform::DeleteFile(path);
    }
  }
  platform::RemoveDirectory(folder);
}

// Copies what `from` holds into the existing folder `to`.
platform::Status CopyTree(const std::string& from, const std::string& to) {
  const std::string search = Join(from, "*");
  if (platform::Status readable = platform::CheckFolderReadable(from); !readable.ok()) {
    return readable.About(platform::Operation::kReadFolder, from);
  }
  for (const platform::Entry& entry : platform::FindEntries(search)) {
    if (IsDotEntry(entry) || entry.is_link) continue;
    const std::string source = Join(from, entry.name);
    const std::string target = Join(to, entry.name);
    platform::Status status;
    if (entry.type == platform::EntryType::kDirectory) {
      status = platform::CreateDirectory(target);
      if (status.ok()) status = CopyTree(source, target);
    } else if (entry.type == platform::EntryType::kRegular) {
      status = platform::CopyFile(source, target, /*fail_if_exists=*/true);
      // The installed files may be marked read-only; the user's copy is to be
      // edited and written into.
      platform::FileInfo info;
      if (status.ok() && platform::GetInfo(target, &info).ok() &&
          (info.attributes & platform::kAttrReadOnly) != 0) {
        status = platform::SetReadOnly(target, false);
      }
      status.About(platform::Operation::kWriteFile, target);
    }
    if (!status.ok()) return status;
  }
  return platform::Status::Ok();
}

// A folder of a name of its own beside `place`, created empty.
platform::Status CreateTemporaryFolder(const std::string& place, std::string* temporary) {
  const std::size_t separator = place.find_last_of("\\/");
  const std::string parent = place.substr(0, separator);
  const std::string name = "~" + place.substr(separator + 1) + ".copia";
  for (int n = 1; n <= 100; ++n) {
    *temporary = Join(parent, name + std::to_string(n));
    platform::Status status = platform::CreateDirectory(*temporary);
    if (status.code != EEXIST) return status;
  }
  return platform::Status::Errno(EEXIST, platform::Operation::kCreateFolder, *temporary);
}

// Makes the copy of `installed` at `place`; on failure nothing of it stays.
platform::Status MakeCopy(const std::string& installed, const std::string& place) {
  const std::string parent = place.substr(0, place.find_last_of("\\/"));
  if (!platform::IsDirectory(parent)) {
    if (platform::Status created = platform::CreateDirectory(parent); !created.ok()) return created;
  }
  std::string temporary;
  if (platform::Status created = CreateTemporaryFolder(place, &temporary); !created.ok()) {
    return created;
  }
  platform::Status status = CopyTree(installed, temporary);
  if (status.ok()) {
    status = platform::MoveFile(temporary, place).About(platform::Operation::kCreateFolder, place);
  }
  if (!status.ok()) RemoveCopy(temporary);
  return status;
}

}  // namespace

std::string ExampleCopyFolder(const std::string& documents, const std::string& example) {
  if (documents.empty()) return {};
  return Join(Join(documents, kExampleCopyFolder), LastComponent(example));
}

ExampleOffer OfferExample(const ExamplePlace& place, const std::string& documents) {
  ExampleOffer offer;
  offer.folder = place.folder;
  if (place.folder.empty() || !place.installed) return offer;
  offer.copy_folder = ExampleCopyFolder(documents, place.folder);
  offer.read_only = true;
  if (offer.copy_folder.empty()) return offer;
  if (!platform::IsDirectory(offer.copy_folder)) {
    offer.failure = MakeCopy(place.folder, offer.copy_folder);
    // Another start may have made it meanwhile: then it is there all the same.
    if (!offer.failure.ok() && !platform::IsDirectory(offer.copy_folder)) return offer;
    offer.failure = platform::Status::Ok();
  }
  offer.read_only = false;
  offer.installed = place.folder;
  offer.folder = offer.copy_folder;
  return offer;
}

std::string FirstStepsText(const ExampleOffer& offer) {
  std::string text = "Para abrir uma configuração: Arquivo › Abrir configuração… (Ctrl+O).";
  if (offer.folder.empty()) return text;
  text += "\nExemplo pronto: " + Join(offer.folder, kMainConfigName);
  if (!offer.installed.empty()) {
    text += "\n(uma cópia sua do exemplo instalado em " + offer.installed + ")";
  }
  // Users cannot write in the installed copy, and the example writes its
  // package relative to its own folder.
  if (offer.read_only) {
    text += "\n(pasta só de leitura: copie a pasta " + offer.folder +
            " para uma pasta sua e abra a cópia)";
    if (!offer.failure.ok()) {
      text += "\nA cópia para " + offer.copy_folder +
              " não foi feita: " + generate::LinhaDeErro(offer.failure);
    }
  }
  return text;
}

}  // namespace vkt::app
