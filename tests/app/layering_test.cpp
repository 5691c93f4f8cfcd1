// The folders of src/ are floors, and includes point down: services (the
// desktop's interfaces and the build's facts) < text < fs < config < generate
// < app < the fronts (cli, gui, win), which never include one another. Below
// app nothing reaches the process-wide desktop: what a call may use of the
// front end is handed to it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vkt {
namespace {

constexpr int kFrontFloor = 6;

// The floor of a folder of src/; empty optional for one that is no floor.
std::optional<int> FloorOf(std::string_view folder) {
  static constexpr std::array<std::pair<std::string_view, int>, 9> kFloors{{
      {"services", 0},
      {"text", 1},
      {"fs", 2},
      {"config", 3},
      {"generate", 4},
      {"app", 5},
      {"cli", kFrontFloor},
      {"gui", kFrontFloor},
      {"win", kFrontFloor},
  }};
  for (const auto& [name, floor] : kFloors) {
    if (name == folder) return floor;
  }
  return std::nullopt;
}

// The folder an `#include "..."` line names ("fs" for "fs/platform/x.h"),
// or "" for another line or a name without a folder.
std::string IncludedFolder(std::string_view line) {
  constexpr std::string_view kInclude = "#include \"";
  const std::size_t start = line.find_first_not_of(" \t");
  if (start == std::string_view::npos || line.substr(start, kInclude.size()) != kInclude) return {};
  const std::string_view name = line.substr(start + kInclude.size());
  const std::size_t slash = name.find('/');
  const std::size_t quote = name.find('"');
  if (slash == std::string_view::npos || quote == std::string_view::npos || quote < slash)
    return {};
  return std::string(name.substr(0, slash));
}

// Whether a file of `from` may include one of `to`.
bool MayInclude(std::string_view from, std::string_view to) {
  const std::optional<int> a = FloorOf(from);
  const std::optional<int> b = FloorOf(to);
  if (!a || !b) return true;
  if (*b == kFrontFloor) return from == to;
  return *b <= *a;
}

struct SourceLine {
  std::string folder;  // of src/
  std::string where;   // "src/fs/x.cpp:12"
  std::string text;
};

std::vector<SourceLine> SourceLines() {
  namespace fs = std::filesystem;
  const fs::path src = fs::path(VKT_SOURCE_DIR) / "src";
  std::vector<SourceLine> lines;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(src)) {
    const std::string extension = entry.path().extension().string();
    if (!entry.is_regular_file() ||
        (extension != ".h" && extension != ".cpp" && extension != ".in" && extension != ".inc")) {
      continue;
    }
    const fs::path relative = entry.path().lexically_relative(src);
    const std::string folder = relative.begin()->string();
    std::ifstream in(entry.path());
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
      lines.push_back(
          {folder, "src/" + relative.generic_string() + ":" + std::to_string(number), text});
    }
  }
  return lines;
}

TEST(Layering, TheRuleRefusesAnIncludeFromAFloorAbove) {
  EXPECT_EQ(IncludedFolder("#include \"fs/platform/file_system.h\""), "fs");
  EXPECT_EQ(IncludedFolder("  #include \"app/version.h\"  // why"), "app");
  EXPECT_EQ(IncludedFolder("#include <string>"), "");
  EXPECT_EQ(IncludedFolder("#include \"windows_api.h\""), "");
  EXPECT_FALSE(MayInclude("text", "fs"));
  EXPECT_FALSE(MayInclude("fs", "app"));
  EXPECT_FALSE(MayInclude("generate", "app"));
  EXPECT_FALSE(MayInclude("services", "text"));
  EXPECT_FALSE(MayInclude("cli", "gui"));
  EXPECT_TRUE(MayInclude("fs", "text"));
  EXPECT_TRUE(MayInclude("text", "services"));
  EXPECT_TRUE(MayInclude("gui", "app"));
  EXPECT_TRUE(MayInclude("win", "win"));
}

TEST(Layering, IncludesPointDown) {
  const std::vector<SourceLine> lines = SourceLines();
  std::vector<std::string> folders;
  std::vector<std::string> wrong;
  for (const SourceLine& line : lines) {
    if (std::find(folders.begin(), folders.end(), line.folder) == folders.end()) {
      folders.push_back(line.folder);
    }
    const std::string to = IncludedFolder(line.text);
    if (!to.empty() && !MayInclude(line.folder, to)) wrong.push_back(line.where + " " + line.text);
  }
  // Every floor was read.
  for (const char* floor : {"services", "text", "fs", "config", "generate", "app", "cli"}) {
    EXPECT_NE(std::find(folders.begin(), folders.end(), floor), folders.end()) << floor;
  }
  EXPECT_EQ(wrong, std::vector<std::string>{});
}

TEST(Layering, NothingBelowAppReachesTheProcessWideDesktop) {
  std::vector<std::string> wrong;
  for (const SourceLine& line : SourceLines()) {
    const std::optional<int> floor = FloorOf(line.folder);
    if (!floor || *floor == 0 || *floor >= *FloorOf("app")) continue;
    if (line.text.find("Desktop()") != std::string::npos) wrong.push_back(line.where);
  }
  EXPECT_EQ(wrong, std::vector<std::string>{});
}

}  // namespace
}  // namespace vkt
