// Where the Qt window finds the example it names while no configuration is
// read.
#include "gui/first_steps.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <string>

#include "fs/platform/file_system.h"
#include "support/temp_dir.h"

namespace vkt::gui {
namespace {

using testing::TempDir;

// The folder beside the executable, when it has the example, comes first:
// pinned with the window's text by form1_test (NothingFoundSaysWhatToDo...).
TEST(FindExample, ElseTheInstalledOneUnderTheDataDirectory) {
  TempDir dir;
  dir.MakeDir("bin/examples");
  for (const std::string& folder : {dir / "bin", std::string()}) {
    const app::ExamplePlace place = FindExample(folder);
    EXPECT_TRUE(place.installed) << folder;
    const std::string tail = "/share/doc/vktgera/examples/pedidos";
    ASSERT_GT(place.folder.size(), tail.size());
    EXPECT_EQ(place.folder.substr(place.folder.size() - tail.size()), tail);
    EXPECT_EQ(place.folder.front(), '/');
  }
}

TEST(FindExample, TheBuildFolderLeadsToTheRepositorysExample) {
  // This test program is built beside the window's executable.
  const app::ExamplePlace place = FindExample(platform::ExecutableFolder());
  EXPECT_EQ(place.folder,
            QFileInfo(VKT_SOURCE_DIR "/examples/pedidos").canonicalFilePath().toStdString());
  EXPECT_FALSE(place.installed);
}

}  // namespace
}  // namespace vkt::gui
