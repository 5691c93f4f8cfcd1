#include "generate/names.h"

#include "text/letter_case.h"

namespace vkt::generate {
namespace {

// The two systems whose Oracle user is not "DBVKT_" + the system name.
bool HasOwnOracleUser(std::string_view sistema) {
  std::string upper = text::UpperCase(sistema);
  return upper == "KORVANI-PELTS" || upper == "NOVASTRELLA";
}

}  // namespace

std::string NomeSchema(DatabaseKind kind, std::string_view sistema) {
  const std::string_view schema = Describe(kind).schema;
  if (!schema.empty()) return std::string(schema);
  std::string upper = text::UpperCase(sistema);
  if (upper == "KORVANI-PELTS") return "KORVANI";
  if (upper == "NOVASTRELLA") return "NOVASTRELLA";
  return "DBVKT_" + upper;
}

std::string NomeRoteiro(DatabaseKind kind, std::string_view sistema) {
  std::string s;
  if (kind == DatabaseKind::kSqlServer) {
    s = "00-SA_Atualizacao_";
    s += sistema;
    s += ".bat";
    return s;
  }
  s = HasOwnOracleUser(sistema) ? "00-" : "00-DBVKT_";
  s += sistema;
  s += "_Atualizacao.sql";
  return s;
}

std::string NomeDocumentoInstrucao(DatabaseKind kind, std::string_view sistema) {
  std::string s = "Roteiro_Atualizacao_";
  s += sistema;
  s += Describe(kind).document_suffix;
  return s;
}

std::string NomeScriptPolitica(std::string_view sistema) {
  std::string s = "00-DBVKT_";
  s += sistema;
  s += "_Adere_Politica_Seguranca.sql";
  return s;
}

}  // namespace vkt::generate
