#include "app/manifest.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "support/temp_dir.h"
#include "text/sha256.h"

namespace vkt::app {
namespace {

using vkt::testing::TempDir;

// Runs the system's sha256sum on the manifest of `folder`; its exit status.
int VerifyWithSha256sum(const std::string& folder) {
  std::string command = "cd '" + folder + "' && /usr/bin/sha256sum --strict --quiet -c " +
                        std::string(kManifestName) + " >/dev/null 2>&1";
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Manifest, ListsEveryOtherFileSortedByNameInSha256sumFormat) {
  TempDir dir;
  dir.Write("pkg/b.sql", "b");
  dir.Write("pkg/A.sql", "a");
  dir.Write("pkg/15-SA_Versao_Database.sql", "");
  dir.Write("pkg/sub/inner.sql", "not listed: folders are not entered");
  dir.Write("pkg/.b.sql.tmp-Ab12cd", "left over by an interrupted write");
  dir.Write("pkg/SHA256SUMS", "stale manifest");
  std::string failed;
  ASSERT_TRUE(WriteManifest(dir.path() + "\\PKG\\", &failed).ok()) << failed;
  EXPECT_EQ(dir.Read("pkg/SHA256SUMS"), text::Sha256Hex("") + "  15-SA_Versao_Database.sql\n" +
                                            text::Sha256Hex("a") + "  A.sql\n" +
                                            text::Sha256Hex("b") + "  b.sql\n");
  EXPECT_EQ(VerifyWithSha256sum(dir / "pkg"), 0);
}

TEST(Manifest, PassesSha256sumWithUnusualNames) {
  TempDir dir;
  dir.Write("pkg/Roteiro Atualização.doc", std::string("\xD0\xCF\x11\xE0 binary\0\r\n", 15));
  dir.Write("pkg/line\nfeed.sql", "odd but possible");
  dir.Write("pkg/02-SA_Tabelas.sql", std::string("\xFF\xFE"
                                                 "G\0O\0",
                                                 6));
  ASSERT_TRUE(WriteManifest(dir / "pkg").ok());
  EXPECT_NE(dir.Read("pkg/SHA256SUMS")
                .find("\\" + text::Sha256Hex("odd but possible") + "  line\\nfeed.sql\n"),
            std::string::npos);
  EXPECT_EQ(VerifyWithSha256sum(dir / "pkg"), 0);
}

TEST(Manifest, ShowsAChangedFileToSha256sum) {
  TempDir dir;
  dir.Write("pkg/a.sql", "original");
  ASSERT_TRUE(WriteManifest(dir / "pkg").ok());
  dir.Write("pkg/a.sql", "tampered");
  EXPECT_NE(VerifyWithSha256sum(dir / "pkg"), 0);
}

TEST(Manifest, IsTheSameForTheSameFiles) {
  TempDir dir;
  dir.Write("pkg/x.sql", "x");
  dir.Write("pkg/y.sql", "y");
  ASSERT_TRUE(WriteManifest(dir / "pkg").ok());
  const std::string first = dir.Read("pkg/SHA256SUMS");
  ASSERT_TRUE(WriteManifest(dir / "pkg").ok());
  EXPECT_EQ(dir.Read("pkg/SHA256SUMS"), first);
}

TEST(Manifest, AnEmptyFolderGetsAnEmptyManifest) {
  TempDir dir;
  dir.MakeDir("pkg");
  ASSERT_TRUE(WriteManifest(dir / "pkg").ok());
  EXPECT_TRUE(dir.Exists("pkg/SHA256SUMS"));
  EXPECT_EQ(dir.Read("pkg/SHA256SUMS"), "");
}

TEST(Manifest, FailsOnAMissingFolderAndNamesIt) {
  TempDir dir;
  std::string failed;
  platform::Status status = WriteManifest(dir / "nope", &failed);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(failed, dir / "nope");
}

TEST(Manifest, FailsOnAnUnreadableFileAndKeepsTheOldManifest) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  TempDir dir;
  dir.Write("pkg/a.sql", "a");
  dir.Write("pkg/SHA256SUMS", "old");
  ASSERT_EQ(std::system(("chmod 000 '" + dir / "pkg/a.sql" + "'").c_str()), 0);
  std::string failed;
  EXPECT_FALSE(WriteManifest(dir / "pkg", &failed).ok());
  EXPECT_EQ(failed, dir / "pkg" + "\\a.sql");
  EXPECT_EQ(dir.Read("pkg/SHA256SUMS"), "old");
}

TEST(Manifest, FailsWhenTheManifestCannotBeWrittenAndNamesIt) {
  TempDir dir;
  dir.Write("pkg/a.sql", "a");
  dir.MakeDir("pkg/sha256sums");  // a folder where the manifest should go
  std::string failed;
  platform::Status status = WriteManifest(dir / "pkg", &failed);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(failed, dir / "pkg" + "\\SHA256SUMS");
}

}  // namespace
}  // namespace vkt::app
