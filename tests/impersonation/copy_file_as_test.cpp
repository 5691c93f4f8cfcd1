// CopyFileAS and the account switch against cwrap's fake accounts (see
// CMakeLists.txt here): pam_matrix checks the passwords, nss_wrapper provides
// the user and group database, uid_wrapper takes the identity calls, so no real
// account is needed and the process never really changes identity.
#include <dlfcn.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "fs/platform/account.h"
#include "fs/recording_fso.h"
#include "support/fake_desktop.h"
#include "support/temp_dir.h"

namespace vkt::fs {
namespace {

using vkt::testing::FakeDesktop;
using vkt::testing::TempDir;

// Why the fakes are not usable here, or "" when they are.
std::string WhyNoFakeAccounts() {
#ifdef VKT_CWRAP_MISSING
  return VKT_CWRAP_MISSING;
#else
  for (const char* probe : {"pam_wrapper_enabled", "nss_wrapper_enabled", "uid_wrapper_enabled"}) {
    auto enabled = reinterpret_cast<bool (*)()>(::dlsym(RTLD_DEFAULT, probe));
    if (enabled == nullptr || !enabled()) {
      return std::string("cwrap could not be activated in this process (") + probe + ")";
    }
  }
  return {};
#endif
}

// Effective user, group and the sorted supplementary groups.
using Identity = std::tuple<uid_t, gid_t, std::vector<gid_t>>;

Identity CurrentIdentity() {
  std::vector<gid_t> groups(NGROUPS_MAX);
  groups.resize(static_cast<size_t>(std::max(0, ::getgroups(NGROUPS_MAX, groups.data()))));
  std::sort(groups.begin(), groups.end());
  return {::geteuid(), ::getegid(), groups};
}

class CopyFileAsAccount : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = WhyNoFakeAccounts();
    if (!why.empty()) GTEST_SKIP() << why;
    before_ = CurrentIdentity();
    ASSERT_EQ(std::get<0>(before_), 0u) << "uid_wrapper should present the process as root";
    dir_.Write("src/a.sql", "select 1 from dual;");
  }
  void TearDown() override {
    if (!IsSkipped()) {
      EXPECT_EQ(CurrentIdentity(), before_) << "identity not restored";
    }
  }

  std::string Source() const { return dir_.path() + "\\src\\a.sql"; }
  std::string Target() const { return dir_.path() + "\\dst.sql"; }

  TempDir dir_;
  Identity before_{};
  FakeDesktop desktop_;
  RecordingFso fso_;
};

// The ".ini" rule comes before the logon: nothing to copy, nothing to check.
TEST_F(CopyFileAsAccount, RightPasswordCopiesUnlessFailIfExists) {
  dir_.Write("src/vkt.ini", "new");
  dir_.Write("dst.sql", "old");
  EXPECT_TRUE(fso_.CopyFileAS(dir_ / "src/vkt.ini", Target(), "", "ana", "errada", false));
  EXPECT_EQ(dir_.Read("dst.sql"), "old");
  EXPECT_TRUE(fso_.calls.empty());
  EXPECT_FALSE(fso_.CopyFileAS(Source(), Target(), "", "ana", "Segredo-1", true));
  EXPECT_EQ(dir_.Read("dst.sql"), "old");
  EXPECT_TRUE(fso_.CopyFileAS(Source(), Target(), "", "ana", "Segredo-1", false));
  EXPECT_EQ(dir_.Read("dst.sql"), "select 1 from dual;");
  // A copy that fails is reported after going back: every hook call ran as
  // the program itself (uid 0), the failure included.
  const std::string missing = dir_.path() + "\\src\\missing.sql";
  fso_.calls.clear();
  EXPECT_FALSE(fso_.CopyFileAS(missing, dir_.path() + "\\new.sql", "", "ana", "Segredo-1", false));
  EXPECT_FALSE(dir_.Exists("new.sql"));
  EXPECT_EQ(fso_.calls, (std::vector<LogCall>{
                            Call("Copiando Arquivo: " + missing, "CopyFileAS"),
                            Call("Erro Copia de Arquivo: " + missing + " - ", "CopyFileAs", true),
                        }));
}

// ".", "" and this host's name mean the local account; another domain names
// the domain's account, with its own password. A wrong password, an unknown
// account, one not allowed for the program, one without an identity, one PAM
// asks what cannot be answered: each fails before anything is copied, naming
// the step that failed to the hook only.
TEST_F(CopyFileAsAccount, DomainsChooseTheAccountAndFailuresAreReportedByStep) {
  const struct {
    const char *domain, *user, *password, *message;
  } cases[] = {
      {"", "ana", "Segredo-1", nullptr},
      {".", "ana", "Segredo-1", nullptr},
      {"VKTHOST.EXAMPLE", "ana", "Segredo-1", nullptr},
      {"vkthost.example", "ana", "Segredo-1", nullptr},
      {"CORP", "ana", "Dominio-2", nullptr},
      {"CORP", "ana", "Segredo-1", "Erro LogonUser: ana;CORP;Segredo-1 - "},
      {"DOM", "ana", "errada", "Erro LogonUser: ana;DOM;errada - "},
      {"", "ninguem", "Segredo-1", "Erro LogonUser: ninguem;;Segredo-1 - "},
      {"", "beto", "Senha-4", "Erro LogonUser: beto;;Senha-4 - "},
      {"", "fantasma", "Boo-3", "Erro Token User: fantasma;;Boo-3 - "},
      {"", "curioso", "Hm-5", "Erro LogonUser: curioso;;Hm-5 - "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.domain) + "/" + c.user);
    fso_.calls.clear();
    std::vector<LogCall> expected{Call("Copiando Arquivo: " + Source(), "CopyFileAS")};
    if (c.message != nullptr) expected.push_back(Call(c.message, "CopyFileAS", true));
    EXPECT_EQ(fso_.CopyFileAS(Source(), Target(), c.domain, c.user, c.password, false),
              c.message == nullptr);
    EXPECT_EQ(dir_.Exists("dst.sql"), c.message == nullptr);
    EXPECT_EQ(fso_.calls, expected);
    std::filesystem::remove(dir_ / "dst.sql");
  }
  EXPECT_TRUE(desktop_.boxes.empty());
  EXPECT_TRUE(desktop_.message_text.empty());
}

TEST_F(CopyFileAsAccount, FailedSwitchReportsTheImpersonation) {
  // A process that is no longer privileged cannot take on another account.
  ASSERT_EQ(::seteuid(4002), 0);
  const Identity unprivileged = CurrentIdentity();
  const bool copied = fso_.CopyFileAS(Source(), Target(), "", "ana", "Segredo-1", false);
  const Identity after = CurrentIdentity();
  ASSERT_EQ(::seteuid(0), 0);
  EXPECT_FALSE(copied);
  EXPECT_EQ(after, unprivileged);
  EXPECT_FALSE(dir_.Exists("dst.sql"));
  ASSERT_EQ(fso_.calls.size(), 2u);
  EXPECT_EQ(fso_.calls[1], (LogCall{"Erro ImpersonateLoggedOnUser: ana;;Segredo-1 - ",
                                    platform::ExecutableName(), "CopyFileAS", true, false, 4002}));
}

TEST_F(CopyFileAsAccount, LookUpLogonAndSwitchTakeOnTheWholeAccountAndGoBack) {
  platform::Account account;
  ASSERT_TRUE(platform::LookUpAccount("ana", &account).ok());
  EXPECT_EQ(account.uid, 4001u);
  EXPECT_EQ(account.gid, 4001u);
  std::sort(account.groups.begin(), account.groups.end());
  EXPECT_EQ(account.groups, (std::vector<std::uint32_t>{4001, 4002}));
  {
    platform::IdentitySwitch identity;
    ASSERT_TRUE(identity.Assume(account).ok());
    EXPECT_EQ(CurrentIdentity(), (Identity{4001, 4001, {4001, 4002}}));
    // Dropped without Restore: the destructor goes back.
  }
  EXPECT_EQ(CurrentIdentity(), before_);
  platform::IdentitySwitch identity;
  ASSERT_TRUE(identity.Assume(account).ok());
  identity.Restore();
  EXPECT_FALSE(identity.active());
  EXPECT_EQ(CurrentIdentity(), before_);
  // Groups that are the account's own in another order are left as they are.
  const std::vector<gid_t> reversed(account.groups.rbegin(), account.groups.rend());
  ASSERT_EQ(::setgroups(reversed.size(), reversed.data()), 0);
  ASSERT_TRUE(identity.Assume(account).ok());
  std::vector<gid_t> groups(NGROUPS_MAX);
  groups.resize(static_cast<size_t>(std::max(0, ::getgroups(NGROUPS_MAX, groups.data()))));
  EXPECT_EQ(groups, reversed);
  identity.Restore();
  const std::vector<gid_t>& original = std::get<2>(before_);
  ASSERT_EQ(::setgroups(original.size(), original.data()), 0);
  ASSERT_TRUE(platform::LookUpAccount("longo", &account).ok());  // read in a larger buffer
  EXPECT_EQ(account.uid, 4005u);
  EXPECT_EQ(platform::LookUpAccount("ninguem", &account).code, ENOENT);
  EXPECT_EQ(platform::LookUpAccount("", &account).code, ENOENT);
  // Authentication checks the password only.
  EXPECT_TRUE(platform::Authenticate("ana", "Segredo-1").ok());
  EXPECT_FALSE(platform::Authenticate("ana", "segredo-1").ok());
  EXPECT_FALSE(platform::Authenticate("ana", "").ok());
  // PAM reads a password up to its first NUL character, and only that is sent.
  EXPECT_TRUE(platform::Authenticate("ana", std::string("Segredo-1\0x", 11)).ok());
  EXPECT_FALSE(platform::Authenticate("ana", std::string("Segredo\0-1", 10)).ok());
  EXPECT_FALSE(platform::Authenticate("", "Segredo-1").ok());
  EXPECT_FALSE(platform::Authenticate(std::string("ana\0x", 5), "Segredo-1").ok());
}

}  // namespace
}  // namespace vkt::fs

namespace {

// Starts this executable again with cwrap preloaded and pointed at the fake
// world, unless that was done already. Returns only when it cannot be done.
void ExecWithFakeAccounts(char** argv) {
#ifndef VKT_CWRAP_MISSING
  if (std::getenv("VKT_CWRAP_ACTIVE") != nullptr) return;
  const std::string world = VKT_CWRAP_WORLD;
  ::setenv("VKT_CWRAP_ACTIVE", "1", 1);
  ::setenv("LD_PRELOAD", VKT_CWRAP_PRELOAD, 1);
  ::setenv("PAM_WRAPPER", "1", 1);
  ::setenv("PAM_WRAPPER_SERVICE_DIR", (world + "/pam.d").c_str(), 1);
  ::setenv("NSS_WRAPPER_PASSWD", (world + "/passwd").c_str(), 1);
  ::setenv("NSS_WRAPPER_GROUP", (world + "/group").c_str(), 1);
  ::setenv("NSS_WRAPPER_HOSTNAME", "vkthost.example", 1);
  ::setenv("UID_WRAPPER", "1", 1);
  ::setenv("UID_WRAPPER_ROOT", "1", 1);
  ::execv("/proc/self/exe", argv);
  // Could not start again: the tests skip, saying why.
#else
  (void)argv;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  ExecWithFakeAccounts(argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
