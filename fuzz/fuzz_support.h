// Helpers shared by the fuzz targets: a scratch folder for the files the
// targets hand to the code under test, whole-file reads and writes, and the
// check that turns a broken invariant into a crash libFuzzer reports.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "text/codepage.h"

namespace vkt::fuzz {

// Aborts with `what` on stderr when `ok` is false. Not assert(): the targets
// must check in every build type.
#define VKT_FUZZ_CHECK(ok, what)                                                       \
  do {                                                                                 \
    if (!(ok)) {                                                                       \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, what); \
      __builtin_trap();                                                                \
    }                                                                                  \
  } while (0)

// The process's scratch folder (created on first use under $TMPDIR or /tmp,
// removed at exit) joined with `name`.
std::string ScratchPath(std::string_view name);

// Replaces the file at `path` with `bytes`; aborts when it cannot.
void WriteFileBytes(const std::string& path, std::string_view bytes);
// The bytes of the file at `path`; aborts when it cannot be read.
std::string ReadFileBytes(const std::string& path);

// The code page `name` (text::CodePage::Named); aborts when it is unknown.
const text::CodePage& CodePageNamed(const char* name);

}  // namespace vkt::fuzz
