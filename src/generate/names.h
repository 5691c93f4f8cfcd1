// Names of the generated and companion files, from the database kind and the
// system name.
#pragma once

#include <string>
#include <string_view>

#include "generate/database_kind.h"

namespace vkt::generate {

// The kind's schema ("SA" for SQL Server); under Oracle "KORVANI" for
// KORVANI-PELTS, "NOVASTRELLA" for NOVASTRELLA, else "DBVKT_" + sistema, the
// system compared and written upper-cased.
std::string NomeSchema(DatabaseKind kind, std::string_view sistema);
// The update roadmap's file name (no folder).
std::string NomeRoteiro(DatabaseKind kind, std::string_view sistema);
// "Roteiro_Atualizacao_" + sistema + the kind's document suffix
// ("_SQLServer.doc" / "_Oracle.doc").
std::string NomeDocumentoInstrucao(DatabaseKind kind, std::string_view sistema);
// "00-DBVKT_" + sistema + "_Adere_Politica_Seguranca.sql" (Oracle only).
std::string NomeScriptPolitica(std::string_view sistema);

}  // namespace vkt::generate
