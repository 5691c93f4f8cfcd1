// Runs the end-to-end cases of tests/cases: each *.case file is one scenario
// of `vktgera` on a repository written to a temporary folder, with the exact
// bytes of what it must print and write.
//
// A case is a list of blocks; a block starts with a line "=== KIND ARGS" and
// its content runs to the next such line. Text before the first block
// describes the case.
//   === file PATH [OPTIONS]    writes PATH (below the case's folder)
//   === mkdir PATH             makes a folder
//   === copy FROM TO           copies FROM (below the source tree) to TO
//   === use NAME               the blocks of tests/cases/NAME.setup
//   === run COMMAND            runs a shell command in the case's folder;
//                              `vktgera` is the program under test; lines
//                              below it are more lines of the same script
//   === status N               exit status of the last run
//   === stdout / === stderr    exactly what the last run printed; with
//                              "linux" or "windows" on that system only,
//                              where the two print differently (Linux shows
//                              folders as they are on disk)
//   === expect PATH [OPTIONS]  exact bytes of PATH ("linux", "windows": as above)
//   === absent PATH            PATH does not exist
//   === files DIR              every file below DIR, one relative path a line
// OPTIONS: crlf (lines end with CR LF, else LF), noeol (the last line has no
// terminator), utf16 (UTF-16LE with its byte-order mark). In contents,
// \x{HH} is the byte HH, $TMP the case's folder and $OBJECT_TYPE_LIST the
// window's list of object types ("TODOS, TYPESRULESDEFAULTS, ..."); runs
// find the same types but "TODOS", separated by blanks, in $OBJECT_TYPE_WORDS.
// A case that is not about the object types names them through these, so
// that a new type changes none of its expectations.
//
// The Windows build: with VKT_CASES_WRAPPER naming a command (scripts/
// vktgera-wine, which runs vktgera.exe under Wine), `vktgera` in the runs is
// that command. A case that holds only on Linux (POSIX modes and owners,
// `ln -s`, names that are not UTF-8, signals, the seam program, the XDG
// folders) says so in its description with a line "platforms: linux (WHY)"; under
// the wrapper it is skipped (default: "platforms: linux windows"). Paths in
// the program's messages are the system's: under the wrapper, each line of
// stdout and stderr that names the case's folder, in Wine's form
// ("Z:\tmp\vkt-test-...", which becomes $TMP) or as $TMP (a path the case
// wrote into a configuration), has every "\" turned into "/", so that the
// same expectations hold on both. Cases whose lines carry the system's own
// error texts, ICU's code pages or a terminal are Linux's only.
//
// A case that validates reports against their published schemas says
// "needs: schemas"; its runs find them in the folder $SCHEMAS
// (VKT_SCHEMA_DIR). Where the schemas or their validators (/usr/bin/xmllint,
// /usr/bin/jsonschema) are missing, it is skipped, or fails with VKT_REQUIRE_SCHEMAS.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/startup.h"
#include "support/temp_dir.h"
#include "support/test_repository.h"

namespace vkt::cli {
namespace {

namespace fs = std::filesystem;

const std::string kCases = std::string(VKT_SOURCE_DIR) + "/tests/cases/";

struct Block {
  std::string kind;
  std::vector<std::string> args;  // a run's whole command line
  std::string content;            // every line ends with "\n"
  bool Has(const std::string& option) const {
    return std::find(args.begin(), args.end(), option) != args.end();
  }
};

// The window's object types from the `first`th on, separated by `separator`.
std::string ObjectTypes(std::size_t first, std::string_view separator) {
  std::string list;
  for (std::size_t i = first; i < app::kObjectTypes.size(); ++i) {
    if (i > first) list += separator;
    list += app::kObjectTypes[i];
  }
  return list;
}

constexpr std::string_view kObjectTypeList = "$OBJECT_TYPE_LIST";

// The bytes a block's content stands for.
std::string Bytes(const Block& b, const std::string& tmp) {
  std::string text = b.content;
  if (b.Has("noeol") && !text.empty()) text.pop_back();
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 3, "\\x{") == 0 && i + 5 < text.size() && text[i + 5] == '}') {
      out += static_cast<char>(std::stoi(text.substr(i + 3, 2), nullptr, 16));
      i += 5;
    } else if (text.compare(i, 4, "$TMP") == 0) {
      out += tmp;
      i += 3;
    } else if (text.compare(i, kObjectTypeList.size(), kObjectTypeList) == 0) {
      out += ObjectTypes(0, ", ");
      i += kObjectTypeList.size() - 1;
    } else {
      out += text[i] == '\n' && b.Has("crlf") ? "\r\n" : text.substr(i, 1);
    }
  }
  return b.Has("utf16") ? testing::Utf16File(out) : out;
}

// The platforms a case names in its description ("platforms: linux"); both
// when it names none.
std::string Platforms(const std::string& path) {
  std::istringstream in(testing::ReadFileBytes(path));
  for (std::string line; std::getline(in, line) && line.rfind("=== ", 0) != 0;) {
    // "platforms: linux (why)": the names before the parenthesis.
    if (line.rfind("platforms:", 0) == 0) return line.substr(10, line.find('(') - 10);
  }
  return "linux windows";
}

// What a case needs beyond the program ("needs: schemas"), or "".
std::string Needs(const std::string& path) {
  std::istringstream in(testing::ReadFileBytes(path));
  for (std::string line; std::getline(in, line) && line.rfind("=== ", 0) != 0;) {
    if (line.rfind("needs: ", 0) == 0) return line.substr(7);
  }
  return "";
}

// Why the schemas' cases cannot run here, or "".
std::string SchemasMissing() {
  for (const char* schema : {"jenkins-junit.xsd", "sarif-2.1.0.json"}) {
    const std::string path = std::string(VKT_SCHEMA_DIR) + "/" + schema;
    if (!fs::exists(path)) return "no " + path + " (scripts/fetch-schemas)";
  }
  // Debian's, by their paths: another jsonschema may come first on the PATH.
  for (const char* tool : {"/usr/bin/xmllint", "/usr/bin/jsonschema"}) {
    if (!fs::exists(tool)) return std::string("no ") + tool + " (scripts/setup-deps)";
  }
  return "";
}

std::vector<Block> Parse(const std::string& path) {
  std::vector<Block> blocks;
  std::istringstream in(testing::ReadFileBytes(path));
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("=== ", 0) != 0) {
      if (!blocks.empty()) blocks.back().content += line + "\n";
      continue;
    }
    std::istringstream words(line.substr(4));
    Block b;
    words >> b.kind >> std::ws;
    if (b.kind == "run") {
      b.args.emplace_back(std::istreambuf_iterator<char>(words), std::istreambuf_iterator<char>());
    } else {
      for (std::string word; words >> word;) b.args.push_back(word);
    }
    if (b.kind != "use") {
      blocks.push_back(b);
      continue;
    }
    for (const Block& used : Parse(kCases + b.args.at(0) + ".setup")) blocks.push_back(used);
  }
  return blocks;
}

struct Ran {
  int status = -1;  // -1 when the shell did not exit normally
  std::string out, err;
};

// The command that runs the program under test in place of `vktgera`
// (VKT_CASES_WRAPPER), or "" for VKTGERA_EXE itself.
std::string Wrapper() {
  const char* wrapper = std::getenv("VKT_CASES_WRAPPER");
  return wrapper == nullptr ? "" : wrapper;
}

// True for a block that names the other system than the one under test
// ("=== stdout windows" on Linux).
bool ForOtherSystem(const Block& b) { return b.Has(Wrapper().empty() ? "windows" : "linux"); }

// The folder put first on the PATH of every run: VKTGERA_EXE's, or under the
// wrapper one made once for the process, holding `vktgera` as a link to it.
std::string ProgramFolder() {
  static const std::string folder = [] {
    if (Wrapper().empty()) return fs::path(VKTGERA_EXE).parent_path().string();
    const fs::path made =
        fs::temp_directory_path() / ("vkt-cases-wrapper-" + std::to_string(::getpid()));
    fs::create_directories(made);
    fs::remove(made / "vktgera");
    fs::create_symlink(fs::absolute(Wrapper()), made / "vktgera");
    static const fs::path to_remove = made;
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(to_remove, ignored);
    });
    return made.string();
  }();
  return folder;
}

// Under the wrapper: `text` with each line that names the folder `tmp` as
// Wine shows it ("Z:" and "\" separators) in the form the expectations use.
std::string AsOnLinux(std::string text, const std::string& tmp) {
  if (Wrapper().empty()) return text;
  std::string wine = "Z:" + tmp;
  std::replace(wine.begin(), wine.end(), '/', '\\');
  // The same in a JSON string (the reports), where "\\" is written twice.
  std::string json;
  for (char c : wine) json += c == '\\' ? "\\\\" : std::string(1, c);
  const auto replace_all = [](std::string* line, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = line->find(from, at)) != std::string::npos; at += to.size()) {
      line->replace(at, from.size(), to);
    }
  };
  std::string out;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.find(json) != std::string::npos) {
      replace_all(&line, json, tmp);
      replace_all(&line, "\\\\", "/");
    } else if (line.find(wine) != std::string::npos || line.find(tmp) != std::string::npos) {
      replace_all(&line, wine, tmp);
      std::replace(line.begin(), line.end(), '\\', '/');
    }
    out += line + "\n";
  }
  if (!text.empty() && text.back() != '\n') out.pop_back();
  return out;
}

// Runs `script` with sh in `dir`, `vktgera` first on the PATH, without stdin.
Ran RunShell(const testing::TempDir& dir, const std::string& script) {
  std::string line = "cd '" + dir.path() + "' && export PATH='";
  line += ProgramFolder();
  line += "':\"$PATH\" && export SCHEMAS='" + std::string(VKT_SCHEMA_DIR) +
          "' OBJECT_TYPE_WORDS='" + ObjectTypes(1, " ") + "' && (" + script +
          ") >.stdout 2>.stderr </dev/null";
  const int raw = std::system(line.c_str());
  Ran ran{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, AsOnLinux(dir.Read(".stdout"), dir.path()),
          AsOnLinux(dir.Read(".stderr"), dir.path())};
  std::remove((dir / ".stdout").c_str());
  std::remove((dir / ".stderr").c_str());
  return ran;
}

class Case : public ::testing::TestWithParam<std::string> {};

TEST_P(Case, Passes) {
  if (!Wrapper().empty() && Platforms(kCases + GetParam()).find("windows") == std::string::npos) {
    GTEST_SKIP() << "Linux only";
  }
  if (Needs(kCases + GetParam()) == "schemas") {
    const std::string missing = SchemasMissing();
    if (!missing.empty() && VKT_REQUIRE_SCHEMAS) FAIL() << "VKT_REQUIRE_SCHEMAS: " << missing;
    if (!missing.empty())
      GTEST_SKIP() << "the published report schemas cannot be used: " << missing;
  }
  testing::TempDir dir;
  const std::string& tmp = dir.path();
  Ran last;
  for (const Block& b : Parse(kCases + GetParam())) {
    const std::string arg = b.args.empty() ? "" : b.args[0];
    if (b.kind == "file") {
      dir.Write(arg, Bytes(b, tmp));
    } else if (b.kind == "mkdir") {
      dir.MakeDir(arg);
    } else if (b.kind == "copy") {
      fs::create_directories(fs::path(dir / b.args[1]).parent_path());
      fs::copy(std::string(VKT_SOURCE_DIR) + "/" + arg, dir / b.args[1],
               fs::copy_options::recursive);
    } else if (b.kind == "run") {
      last = RunShell(dir, arg + "\n" + b.content);
    } else if (b.kind == "status") {
      EXPECT_EQ(last.status, std::stoi(arg));
    } else if (b.kind == "stdout" || b.kind == "stderr") {
      if (ForOtherSystem(b)) continue;
      EXPECT_EQ(b.kind == "stdout" ? last.out : last.err, Bytes(b, tmp)) << b.kind;
    } else if (b.kind == "expect") {
      if (ForOtherSystem(b)) continue;
      EXPECT_TRUE(dir.Exists(arg)) << arg;
      EXPECT_EQ(dir.Read(arg), Bytes(b, tmp)) << arg;
    } else if (b.kind == "absent") {
      EXPECT_FALSE(dir.Exists(arg)) << arg;
    } else if (b.kind == "files") {
      std::string list;
      for (const auto& file : testing::FilesBelow(dir / arg)) list += file.first + "\n";
      EXPECT_EQ(list, Bytes(b, tmp)) << arg;
    } else {
      ADD_FAILURE() << "unknown block \"" << b.kind << "\"";
    }
  }
}

std::vector<std::string> CaseNames() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(kCases)) {
    if (e.path().extension() == ".case") names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = info.param.substr(0, info.param.size() - 5);
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, Case, ::testing::ValuesIn(CaseNames()), TestName);

}  // namespace
}  // namespace vkt::cli
