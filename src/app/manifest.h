// Package manifests: a file "SHA256SUMS" in a package folder that lists every
// other file of the folder with its SHA-256, so that an operator can verify a
// package with `sha256sum -c SHA256SUMS` before running it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fs/platform/file_system.h"

namespace vkt::app {

inline constexpr std::string_view kManifestName = "SHA256SUMS";

struct ManifestLine {
  std::string name;    // the file's name as stored on disk
  std::string sha256;  // 64 lower-case hexadecimal digits
};

// The manifest's lines for `folder` (a program path): every regular file of
// the folder except the manifest itself (any letter case) and hidden files
// (names beginning with "."; an interrupted atomic write leaves such temporary
// files behind, and they are not part of a package), sorted by the bytes of
// their names. Names holding a "\" are left out: the program cannot address
// them, and it never creates them. A failure's status names the file or
// folder that could not be read.
platform::Status ManifestLines(std::string_view folder, std::vector<ManifestLine>* lines);

// The manifest text: one line per file, "<sha256>  <name>\n", in the format
// `sha256sum -c` reads. A name holding a line feed is written escaped as
// sha256sum does (the line starts with "\", "\" becomes "\\" and a line feed
// "\n").
std::string ManifestText(const std::vector<ManifestLine>& lines);

// Writes `folder`\SHA256SUMS atomically (a failure leaves any older manifest
// as it was). Returns the status of the first failure, which names the file
// concerned. `*replaced` (when given) tells what the replaced manifest had
// (platform::AtomicFile).
platform::Status WriteManifest(std::string_view folder, platform::Replaced* replaced = nullptr);

}  // namespace vkt::app
