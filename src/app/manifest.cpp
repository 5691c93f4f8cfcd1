#include "app/manifest.h"

#include <algorithm>
#include <cerrno>

#include "fs/sha256_file.h"
#include "text/letter_case.h"

namespace vkt::app {
namespace {

std::string Child(std::string_view folder, std::string_view name) {
  std::string path(folder);
  path += '\\';
  path += name;
  return path;
}

}  // namespace

platform::Status ManifestLines(std::string_view folder, std::vector<ManifestLine>* lines) {
  lines->clear();
  if (!platform::IsDirectory(folder)) {
    return platform::Status::Errno(ENOENT, platform::Operation::kReadFolder, folder);
  }
  const std::string manifest_upper = text::UpperCase(kManifestName);
  std::vector<std::string> names;
  for (const platform::Entry& entry : platform::FindEntries(Child(folder, "*"))) {
    if (entry.is_directory || entry.name.empty() || entry.name.front() == '.') continue;
    if (entry.name.find('\\') != std::string::npos) continue;
    if (text::UpperCase(entry.name) == manifest_upper) continue;
    // The search reports symbolic links by their targets' kind only for
    // folders; make sure a name stands for a regular file.
    if (!platform::IsRegularFile(Child(folder, entry.name))) continue;
    names.push_back(entry.name);
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    ManifestLine line;
    line.name = name;
    const std::string path = Child(folder, name);
    platform::Status status = fs::Sha256File(path, &line.sha256);
    if (!status.ok()) {
      lines->clear();
      return status.About(platform::Operation::kReadFile, path);
    }
    lines->push_back(std::move(line));
  }
  return platform::Status::Ok();
}

std::string ManifestText(const std::vector<ManifestLine>& lines) {
  std::string out;
  for (const ManifestLine& line : lines) {
    const bool escaped =
        line.name.find('\n') != std::string::npos || line.name.find('\\') != std::string::npos;
    if (escaped) out += '\\';
    out += line.sha256;
    out += "  ";
    if (!escaped) {
      out += line.name;
    } else {
      for (char c : line.name) {
        if (c == '\\') {
          out += "\\\\";
        } else if (c == '\n') {
          out += "\\n";
        } else {
          out += c;
        }
      }
    }
    out += '\n';
  }
  return out;
}

platform::Status WriteManifest(std::string_view folder, platform::Replaced* replaced) {
  std::vector<ManifestLine> lines;
  platform::Status status = ManifestLines(folder, &lines);
  if (!status.ok()) return status;
  const std::string text = ManifestText(lines);
  const std::string target = Child(folder, kManifestName);
  platform::AtomicFile file;
  status = file.Create(target);
  if (status.ok()) status = file.Write(text.data(), text.size());
  if (status.ok()) status = file.Commit();
  if (replaced) *replaced = {file.replaced_other_links(), file.replaced_other_owner()};
  return status;
}

}  // namespace vkt::app
