// Names of the generated and companion files, from the database kind and the
// system name.
#pragma once

#include <string>
#include <string_view>

namespace vkt::generate {

// "SA" for "SQLSERVER"; under Oracle "KORVANI" for KORVANI-PELTS, "NOVASTRELLA"
// for NOVASTRELLA, else "DBVKT_" + sistema.
std::string NomeSchema(std::string_view banco, std::string_view sistema);
// The update roadmap's file name (no folder).
std::string NomeRoteiro(std::string_view banco, std::string_view sistema);
// "Roteiro_Atualizacao_" + sistema + "_SQLServer.doc" / "_Oracle.doc".
std::string NomeDocumentoInstrucao(std::string_view banco, std::string_view sistema);
// "00-DBVKT_" + sistema + "_Adere_Politica_Seguranca.sql" (Oracle only).
std::string NomeScriptPolitica(std::string_view sistema);

}  // namespace vkt::generate
