// The handler of the window's two buttons (`cmdExecuta_Click`), shared by the
// window and the command line.
#pragma once

#include <string>

#include "app/session.h"

namespace vkt::app {

// What the window shows when a button is pressed.
struct RunRequest {
  int index = 1;              // 0 = "Gera Numeração", 1 = "Gera Install"
  std::string tipo_objeto;    // text of `CbObj` (upper-cased by the handler)
};

// Runs one button press: empties the message area and `Mensagens`, asks for a
// repository when `session.repository` is empty, otherwise runs the numbering
// or the installation (generation calls, version scripts) and ends with "FIM".
void cmdExecuta_Click(Session& session, const RunRequest& request);

}  // namespace vkt::app
