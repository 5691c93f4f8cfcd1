// Runs that overlap or are stopped halfway, as separate vktgera processes:
// one writer at a time, and a killed run never leaves a broken package.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "support/durability.h"
#include "support/test_repository.h"

namespace vkt::cli {
namespace {

using testing::TestRepository;

const std::string kVersionScript = "out/sql_server/02-ATUALIZACAO/15-SA_Versao_Database.sql";
const std::string kLockBox = "VKTGeraInstallBD: Outra execução está gravando em: ";

// Starts vktgera in <tmp> of `repo` with the repository's main configuration;
// stderr goes to <tmp>/<err_name>.
pid_t Start(const TestRepository& repo, const std::vector<std::string>& args,
            const std::string& err_name = "stderr") {
  const std::string err = repo.Path(err_name);
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  if (::chdir(repo.dir.path().c_str()) != 0) ::_exit(127);
  const int null = ::open("/dev/null", O_RDWR);
  const int err_fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ::dup2(null, 0);
  ::dup2(null, 1);
  ::dup2(err_fd, 2);
  std::vector<std::string> all = {VKTGERA_EXE, "--config", "prog/VKTGeraInstallBD.ini"};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  argv.reserve(all.size() + 1);
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  ::execv(argv[0], argv.data());
  ::_exit(127);
}

int Wait(pid_t pid) {
  int raw = 0;
  ::waitpid(pid, &raw, 0);
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + WTERMSIG(raw);
}

void Configure(const TestRepository& repo, int per_type) {
  repo.MainConfiguration(TestRepository::Paths::kRelative);
  testing::DurabilityRepository(repo, per_type, "v1");
}

const std::vector<std::string> kInstall = {"install", "--repo", "R1", "--type", "TODOS"};

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(Concurrency, TwoInstallsIntoOneDestinationLoseNoVersionLine) {
  TestRepository repo;
  Configure(repo, 100);
  const pid_t a = Start(repo, kInstall, "err-a"), b = Start(repo, kInstall, "err-b");
  const int status[2] = {Wait(a), Wait(b)};
  int ran = 0;
  for (int i = 0; i < 2; ++i) {
    const std::string err = repo.dir.Read(i == 0 ? "err-a" : "err-b");
    if (status[i] == 2) {
      EXPECT_EQ(err, kLockBox + "out\n");
    } else {
      EXPECT_EQ(status[i], 1) << err;  // the types without a section are reported
      ++ran;
    }
  }
  EXPECT_GE(ran, 1);
  EXPECT_EQ(Count(repo.dir.Read(kVersionScript), "INSERT INTO VERSAO_DATABASE"), ran);
}

TEST(Concurrency, TwoNumberingWritesLoseNoKey) {
  TestRepository repo;
  Configure(repo, 100);
  repo.FileList("[TABELAS]\r\nNUMFILES=0\r\n[VIEWS]\r\nNUMFILES=0\r\n");
  const std::vector<std::string> types = {"TABELAS", "VIEWS"};
  std::vector<pid_t> pids;
  pids.reserve(types.size());
  for (const std::string& type : types) {
    pids.push_back(
        Start(repo, {"numbering", "--repo", "R1", "--type", type, "--write"}, "err-" + type));
  }
  std::vector<std::string> refused;
  for (std::size_t i = 0; i < types.size(); ++i) {
    const int status = Wait(pids[i]);
    if (status == 2) {
      EXPECT_EQ(repo.dir.Read("err-" + types[i]), kLockBox + ".\n");
      refused.push_back(types[i]);
    } else {
      EXPECT_EQ(status, 0);
    }
  }
  EXPECT_LT(refused.size(), types.size());
  for (const std::string& type : refused) {
    EXPECT_EQ(Wait(Start(repo, {"numbering", "--repo", "R1", "--type", type, "--write"})), 0);
  }
  const std::string list = repo.dir.Read("files.ini");
  EXPECT_EQ(Count(list, "NUMFILES=100"), 2) << list;
  EXPECT_EQ(Count(list, "=TABELAS_"), 100);
  EXPECT_EQ(Count(list, "=VIEWS_"), 100);
}

TEST(Concurrency, AnInstallStoppedAnywhereIsCompletedByTheNextRun) {
  testing::ScopedTempRoot in_memory("/dev/shm");  // no disk needed to stop a run
  TestRepository reference;
  Configure(reference, 600);
  // How long a whole run takes here only spreads the stops over it.
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(Wait(Start(reference, kInstall)), 1);
  const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::steady_clock::now() - started)
                         .count();
  std::map<std::string, std::string> expected = testing::WrittenFiles(reference);
  expected.erase(kVersionScript);
  const std::string version_lines = reference.dir.Read(kVersionScript);

  TestRepository repo;
  Configure(repo, 600);
  std::mt19937 random(13);  // the same points on every run of the test
  const int signals[] = {SIGKILL, SIGTERM, SIGINT, SIGKILL, SIGHUP};
  for (int sig : signals) {
    const pid_t pid = Start(repo, kInstall);
    ::usleep(std::uniform_int_distribution<useconds_t>(
        0, static_cast<useconds_t>(whole * 3 / 4))(random));
    ::kill(pid, sig);
    const int status = Wait(pid);
    SCOPED_TRACE("signal " + std::to_string(sig) + ", status " + std::to_string(status));
    if (sig != SIGKILL) {
      // Stopped in time, the run deletes its temporary file and says how it ended.
      EXPECT_TRUE(status == 128 + sig || status == 1000 + sig || status == 1);
      EXPECT_EQ(testing::TemporariesBelow(repo.dir.path()), std::vector<std::string>());
      continue;
    }
    ASSERT_EQ(Wait(Start(repo, kInstall)), 1);
    std::map<std::string, std::string> now = testing::WrittenFiles(repo);
    const std::string versions = now[kVersionScript];
    now.erase(kVersionScript);
    EXPECT_EQ(now, expected);
    // The version script holds whole runs' lines only.
    ASSERT_FALSE(versions.empty());
    EXPECT_EQ(versions.size() % version_lines.size(), 0u);
    EXPECT_EQ(versions.substr(0, version_lines.size()), version_lines);
    EXPECT_EQ(testing::TemporariesBelow(repo.dir.path()), std::vector<std::string>());
  }
}

}  // namespace
}  // namespace vkt::cli
