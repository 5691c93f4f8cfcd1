// The numbering: the FILEn= key lines of an object type's folder.
#pragma once

#include <string_view>

#include "app/session.h"

namespace vkt::generate {

// Appends "FILE1=..." lines for the distinct base names of the object type's
// folder to `session.Mensagens` and shows them. `banco` has no influence.
void GeraNumeracao(app::Session& session, std::string_view tipo_objeto, std::string_view banco);

}  // namespace vkt::generate
