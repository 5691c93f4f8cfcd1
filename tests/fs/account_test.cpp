#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "fs/platform/account.h"
#include "fs/platform/file_system.h"
#include "support/temp_dir.h"

namespace vkt::platform {
namespace {

using vkt::testing::TempDir;

// The real switch, without fakes: only a privileged process can make it.
TEST(IdentitySwitch, FileAccessFollowsTheAccountUntilRestored) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to take on another account";
  Account nobody;
  ASSERT_TRUE(LookUpAccount("nobody", &nobody).ok());
  ASSERT_NE(nobody.uid, 0u);
  TempDir dir;  // created by root, mode 0700
  File file;
  {
    IdentitySwitch identity;
    ASSERT_TRUE(identity.Assume(nobody).ok());
    EXPECT_EQ(::geteuid(), nobody.uid);
    EXPECT_EQ(File::Open(dir / "as-nobody.txt", File::Mode::kWrite, &file).code, EACCES);
    identity.Restore();
    EXPECT_FALSE(identity.active());
  }
  EXPECT_EQ(::geteuid(), 0u);
  EXPECT_EQ(::getegid(), 0u);
  EXPECT_TRUE(File::Open(dir / "as-root.txt", File::Mode::kWrite, &file).ok());
}

TEST(LookUpAccount, UnknownUsersAreNotFound) {
  Account account;
  EXPECT_EQ(LookUpAccount("no-such-user-vkt", &account).code, ENOENT);
  EXPECT_EQ(LookUpAccount("", &account).code, ENOENT);
}

}  // namespace
}  // namespace vkt::platform
