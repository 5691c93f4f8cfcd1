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
//   === stdout / === stderr    exactly what the last run printed
//   === expect PATH [OPTIONS]  exact bytes of PATH
//   === absent PATH            PATH does not exist
//   === files DIR              every file below DIR, one relative path a line
// OPTIONS: crlf (lines end with CR LF, else LF), noeol (the last line has no
// terminator), utf16 (UTF-16LE with its byte-order mark). In contents,
// \x{HH} is the byte HH and $TMP the case's folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/test_repository.h"

namespace vkt::cli {
namespace {

namespace fs = std::filesystem;

struct Block {
  std::string kind;
  std::vector<std::string> args;
  std::string content;
};

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

bool Has(const std::vector<std::string>& args, const std::string& option) {
  return std::find(args.begin(), args.end(), option) != args.end();
}

// The bytes a block's content stands for.
std::string Bytes(const Block& b, const std::string& tmp) {
  std::string text;
  std::istringstream lines(b.content);
  std::vector<std::string> all;
  for (std::string line; std::getline(lines, line);) all.push_back(line);
  for (std::size_t i = 0; i < all.size(); ++i) {
    text += all[i];
    if (i + 1 < all.size() || !Has(b.args, "noeol")) text += Has(b.args, "crlf") ? "\r\n" : "\n";
  }
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 3, "\\x{") == 0 && i + 5 < text.size() && text[i + 5] == '}') {
      out += static_cast<char>(std::stoi(text.substr(i + 3, 2), nullptr, 16));
      i += 5;
    } else if (text.compare(i, 4, "$TMP") == 0) {
      out += tmp;
      i += 3;
    } else {
      out += text[i];
    }
  }
  return Has(b.args, "utf16") ? testing::Utf16File(out) : out;
}

const std::string kCases = std::string(VKT_SOURCE_DIR) + "/tests/cases/";

std::vector<Block> Parse(const std::string& path) {
  std::vector<Block> blocks;
  std::istringstream in(testing::ReadFileBytes(path));
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("=== ", 0) == 0) {
      std::vector<std::string> words = Words(line.substr(4));
      Block b{words.empty() ? "" : words[0], {}, ""};
      if (b.kind == "use") {
        for (Block& u : Parse(kCases + words.at(1) + ".setup")) blocks.push_back(u);
        continue;
      }
      if (b.kind == "run") {
        b.args = {line.substr(line.find("run") + 4)};
      } else if (!words.empty()) {
        b.args.assign(words.begin() + 1, words.end());
      }
      blocks.push_back(b);
    } else if (!blocks.empty()) {
      blocks.back().content += line + "\n";
    }
  }
  return blocks;
}

std::string FileList(const std::string& folder) {
  std::string list;
  for (const auto& [name, bytes] : testing::FilesBelow(folder)) list += name + "\n";
  return list;
}

struct Ran {
  int status = -1;  // -1 when the shell did not exit normally
  std::string out, err;
};

// Runs `command` with sh in `dir`, `vktgera` first on the PATH, without stdin.
Ran RunShell(const testing::TempDir& dir, const std::string& command) {
  std::string line = "cd '" + dir.path() + "' && export PATH='";
  line += fs::path(VKTGERA_EXE).parent_path().string();
  line += "':\"$PATH\" && (" + command + ") >.stdout 2>.stderr </dev/null";
  const int raw = std::system(line.c_str());
  Ran ran{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, dir.Read(".stdout"), dir.Read(".stderr")};
  std::remove((dir / ".stdout").c_str());
  std::remove((dir / ".stderr").c_str());
  return ran;
}

class Case : public ::testing::TestWithParam<std::string> {};

TEST_P(Case, Passes) {
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
    } else if (b.kind == "stdout") {
      EXPECT_EQ(last.out, Bytes(b, tmp));
    } else if (b.kind == "stderr") {
      EXPECT_EQ(last.err, Bytes(b, tmp));
    } else if (b.kind == "expect") {
      EXPECT_TRUE(dir.Exists(arg)) << arg;
      EXPECT_EQ(dir.Read(arg), Bytes(b, tmp)) << arg;
    } else if (b.kind == "absent") {
      EXPECT_FALSE(dir.Exists(arg)) << arg;
    } else if (b.kind == "files") {
      EXPECT_EQ(FileList(dir / arg), Bytes(b, tmp)) << arg;
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
