// The text the window shows while no configuration is read, and where it
// finds the example it names.
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
    const ExamplePlace place = FindExample(folder);
    EXPECT_TRUE(place.installed) << folder;
    const std::string tail = "/share/doc/vktgera/examples/pedidos";
    ASSERT_GT(place.folder.size(), tail.size());
    EXPECT_EQ(place.folder.substr(place.folder.size() - tail.size()), tail);
    EXPECT_EQ(place.folder.front(), '/');
  }
}

TEST(FindExample, TheBuildFolderLeadsToTheRepositorysExample) {
  // This test program is built beside the window's executable.
  const ExamplePlace place = FindExample(platform::ExecutableFolder());
  EXPECT_EQ(place.folder,
            QFileInfo(VKT_SOURCE_DIR "/examples/pedidos").canonicalFilePath().toStdString());
  EXPECT_FALSE(place.installed);
}

// The text for an example of the build tree is pinned by form1_test.
TEST(FirstStepsText, NamesTheMenuItemTheShortcutAndTheExamplesConfiguration) {
  EXPECT_EQ(FirstStepsText({"/usr/share/doc/vktgera/examples/pedidos", true}),
            "Para abrir uma configuração: Arquivo › Abrir configuração… (Ctrl+O).\n"
            "Exemplo pronto: /usr/share/doc/vktgera/examples/pedidos/VKTGeraInstallBD.ini\n"
            "(pasta só de leitura: copie a pasta /usr/share/doc/vktgera/examples/pedidos para "
            "uma pasta sua e abra a cópia)");
}

}  // namespace
}  // namespace vkt::gui
