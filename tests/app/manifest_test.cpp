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
