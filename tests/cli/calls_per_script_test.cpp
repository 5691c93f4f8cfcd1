// What an installation costs in calls of the platform layer per listed
// script, counted through the layer's counting seam: installs of F and of
// 2F scripts per folder, the difference divided by the scripts added, so
// that the run's fixed calls (configuration, outputs, companions) drop out.
// Each call is a round trip under Wine and a filter driver's visit on
// Windows; a change that adds one per script fails here.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/options.h"
#include "cli/run_command.h"
#include "config/ini.h"
#include "fs/platform/call_count.h"
#include "fs/platform/file_system.h"
#include "support/test_repository.h"

namespace vkt::cli {
namespace {

using platform::SystemCall;
using platform::SystemCallCounts;
using testing::TestRepository;

// One data type (framed in blocks) and one code type, both database kinds.
constexpr const char* kTypes[][2] = {{"TABELAS", "Tabelas"}, {"PROCEDURES", "Procedures"}};
constexpr int kKinds = 2;

// The system clock's time `offset` from now, in nanoseconds since 1970.
std::int64_t NsFromNow(std::chrono::hours offset) {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(now + offset).count();
}

// A repository with `files` scripts per folder and database kind, every one
// listed.
void WriteScripts(const TestRepository& repo, int files) {
  std::string list;
  for (const auto& [keyword, folder] : kTypes) {
    list += std::string("[") + keyword + "]\r\nNUMFILES=" + std::to_string(files) + "\r\n";
    for (int i = 1; i <= files; ++i) {
      const std::string name = std::string(keyword) + "_" + std::to_string(i);
      list += "FILE" + std::to_string(i) + "=" + name + "\r\n";
      repo.Source(std::string(folder) + "/" + name + ".ora", "select " + name + " from dual;\r\n");
      repo.Source(std::string(folder) + "/" + name + ".sql", "select " + name + "\r\ngo\r\n");
    }
  }
  repo.FileList(list);
  repo.MainConfiguration(TestRepository::Paths::kAbsolute);
  // Written an hour ago: a file or folder changed just before it is read is
  // read again on every use (its clock's tick could hide a change), which
  // would make the count depend on how fast the run goes.
  const std::int64_t hour_ago = NsFromNow(std::chrono::hours(-1));
  for (const auto& entry : std::filesystem::recursive_directory_iterator(repo.dir.path())) {
    ASSERT_TRUE(platform::SetTimes(entry.path().string(), hour_ago, hour_ago, nullptr).ok());
  }
}

// The calls of one installation of a new repository of `files` scripts per
// folder and kind; the run must succeed.
SystemCallCounts CountInstall(int files) {
  TestRepository repo;
  WriteScripts(repo, files);
  const ParseResult parsed =
      ParseOptions({"--config", repo.Path("prog/VKTGeraInstallBD.ini"), "install", "--repo", "R1"});
  EXPECT_TRUE(parsed.ok) << parsed.error;
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  // Setting the times changed each file's change time to now, which the
  // shared parses of the file list would take for a change too recent to
  // keep: their clock goes an hour ahead.
  config::SetParseClockForTesting([] { return NsFromNow(std::chrono::hours(1)); });
  platform::StartCountingCalls();
  RunCommand(parsed.options, out, err, nullptr);
  const SystemCallCounts counts = platform::StopCountingCalls();
  config::SetParseClockForTesting(nullptr);
  std::fclose(out);
  std::fclose(err);
  // Both kinds of every type were written, each with its last script.
  const std::string last = std::string(kTypes[1][0]) + "_" + std::to_string(files);
  EXPECT_NE(repo.dir.Read("out/ORACLE/02-ATUALIZACAO/07-DBVKT_XYZ_Procedures.sql").find(last),
            std::string::npos);
  return counts;
}

TEST(CallsPerScript, AnInstallMakesAtMostFivePlatformCallsPerListedScript) {
  constexpr int kFiles = 25;
  CountInstall(1);  // what a process does once (tables, its own account) left behind
  const SystemCallCounts one = CountInstall(kFiles);
  const SystemCallCounts two = CountInstall(2 * kFiles);
  const double added = kFiles * kKinds * static_cast<double>(std::size(kTypes));
  std::string by_kind;
  for (std::size_t k = 0; k < platform::kSystemCallKinds; ++k) {
    const auto kind = static_cast<SystemCall>(k);
    by_kind += std::string(" ") + platform::SystemCallName(kind) + " " +
               std::to_string(static_cast<double>(two[kind] - one[kind]) / added);
  }
  const double per_script = static_cast<double>(two.Total() - one.Total()) / added;
  // In the XML report (--gtest_output=xml), for the figures of docs/development.md.
  RecordProperty("per_script", std::to_string(per_script) + ":" + by_kind);
  // Opening, reading (the text, then the end) and closing a script are
  // four; the fifth is the bound's margin.
  EXPECT_LE(per_script, 5.0) << "per script:" << by_kind;
  EXPECT_GE(per_script, 3.0) << "the seam counts too little:" << by_kind;
}

}  // namespace
}  // namespace vkt::cli
