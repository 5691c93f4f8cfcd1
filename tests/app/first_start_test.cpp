// The example a window offers at its first start: the installed one copied
// once into the user's documents folder, never over the user's copy, and no
// half copy when the copy fails.
#include "app/first_start.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "fs/platform/fault_seam.h"
#include "fs/platform/file_system.h"
#include "support/temp_dir.h"

namespace vkt::app {
namespace {

using testing::TempDir;

constexpr char kSep = platform::kPathSeparator;

// The names a folder holds, "." and ".." left out.
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const platform::Entry& entry : platform::FindEntries(folder + kSep + "*")) {
    if (entry.name != "." && entry.name != "..") names.push_back(entry.name);
  }
  return names;
}

class FirstStart : public ::testing::Test {
 protected:
  FirstStart() {
    dir_.Write("installed/pedidos/VKTGeraInstallBD.ini", "[GERAL]\nREPOSITORIO=PEDIDOS\n");
    dir_.Write("installed/pedidos/repositorio/TABELAS/PEDIDO.sql", "create table PEDIDO;\n");
    dir_.MakeDir("docs");
  }
  ~FirstStart() override { platform::DisarmFault(); }

  TempDir dir_;
  const ExamplePlace installed_{dir_ / "installed/pedidos", true};
  const std::string copy_ = dir_ / "docs" + kSep + "VKTGeraInstallBD" + kSep + "pedidos";
};

TEST_F(FirstStart, TheInstalledExampleIsCopiedOnceAndTheCopyIsOffered) {
  const ExampleOffer offer = OfferExample(installed_, dir_ / "docs");
  EXPECT_TRUE(offer.failure.ok()) << offer.failure.Text();
  EXPECT_EQ(offer.folder, copy_);
  EXPECT_EQ(dir_.Read("docs/VKTGeraInstallBD/pedidos/repositorio/TABELAS/PEDIDO.sql"),
            "create table PEDIDO;\n");
  EXPECT_EQ(Names(dir_ / "docs/VKTGeraInstallBD"), std::vector<std::string>{"pedidos"});
  EXPECT_EQ(FirstStepsText(offer),
            "Para abrir uma configuração: Arquivo › Abrir configuração… (Ctrl+O).\n"
            "Exemplo pronto: " +
                copy_ + kSep +
                "VKTGeraInstallBD.ini\n"
                "(uma cópia sua do exemplo instalado em " +
                installed_.folder + ")");

  // The user's copy, changed since, is offered as it is.
  dir_.Write("docs/VKTGeraInstallBD/pedidos/VKTGeraInstallBD.ini", "[GERAL]\nREPOSITORIO=MEU\n");
  EXPECT_EQ(OfferExample(installed_, dir_ / "docs").folder, copy_);
  EXPECT_EQ(dir_.Read("docs/VKTGeraInstallBD/pedidos/VKTGeraInstallBD.ini"),
            "[GERAL]\nREPOSITORIO=MEU\n");
}

TEST_F(FirstStart, AFailedCopyLeavesNothingBehindAndOffersTheInstalledExample) {
  // The second file's data: the first is copied by then.
  platform::ArmFault(platform::kFaultWrite, 2, ENOSPC);
  const ExampleOffer offer = OfferExample(installed_, dir_ / "docs");
  platform::DisarmFault();
  EXPECT_EQ(offer.failure.code, ENOSPC);
  EXPECT_TRUE(offer.read_only);
  EXPECT_EQ(offer.folder, installed_.folder);
  EXPECT_EQ(Names(dir_ / "docs/VKTGeraInstallBD"), std::vector<std::string>{});
  const std::string text = FirstStepsText(offer);
  EXPECT_NE(text.find("\nA cópia para " + copy_ + " não foi feita: "), std::string::npos) << text;

  // The next start makes it.
  EXPECT_EQ(OfferExample(installed_, dir_ / "docs").folder, copy_);
}

TEST_F(FirstStart, WithoutADocumentsFolderTheInstalledExampleIsOfferedToBeCopiedByHand) {
  const ExampleOffer offer = OfferExample(installed_, "");
  EXPECT_EQ(FirstStepsText(offer),
            "Para abrir uma configuração: Arquivo › Abrir configuração… (Ctrl+O).\n"
            "Exemplo pronto: " +
                installed_.folder + kSep +
                "VKTGeraInstallBD.ini\n"
                "(pasta só de leitura: copie a pasta " +
                installed_.folder + " para uma pasta sua e abra a cópia)");
  EXPECT_FALSE(dir_.Exists("docs/VKTGeraInstallBD"));
}

TEST_F(FirstStart, AnExampleUsersCanWriteIsOfferedAsItIs) {
  const ExampleOffer offer = OfferExample({installed_.folder, false}, dir_ / "docs");
  EXPECT_EQ(offer.folder, installed_.folder);
  EXPECT_FALSE(offer.read_only);
  EXPECT_FALSE(dir_.Exists("docs/VKTGeraInstallBD"));
  EXPECT_EQ(FirstStepsText(OfferExample({}, dir_ / "docs")),
            "Para abrir uma configuração: Arquivo › Abrir configuração… (Ctrl+O).");
}

}  // namespace
}  // namespace vkt::app
