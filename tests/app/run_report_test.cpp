#include "app/run_report.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vkt::app {
namespace {

TEST(ClassifyMessage, TellsTheRunsMessagesApart) {
  const std::pair<const char*, std::string_view> cases[] = {
      {"Nao existe a seção: VIEWS no arquivo ini", problem_kind::kMissingSection},
      {"Valor invalido de NUMFILES na seção: VIEWS no arquivo ini", problem_kind::kInvalidNumfiles},
      {"Arquivo Nao esta no ini: C.ora", problem_kind::kNotInList},
      {"Arquivo não encontrado: /src/Tabelas/.ora", problem_kind::kMissingFile},
      {"Erro ao ler o arquivo: /src/a.ora - Permission denied", problem_kind::kReadError},
      {"Erro ao gravar o arquivo: /out/x.sql - No space left", problem_kind::kWriteError},
      {"Erro ao criar a pasta: /out/ORACLE - Not a directory", problem_kind::kFolderError},
      {"Arquivo Roteiro_Atualizacao_XYZ_Oracle.doc nao encontrado!",
       problem_kind::kMissingDocument},
      {"FILE1=CRIA_A", problem_kind::kMessage},
  };
  for (const auto& [line, kind] : cases) EXPECT_EQ(ClassifyMessage(line), kind) << line;
}

}  // namespace
}  // namespace vkt::app
