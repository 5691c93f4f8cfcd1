// PLACEHOLDER until the real handler lands (it replaces this whole file): it
// only does what every button press does before and after the generation or
// numbering, so that the window and its tests link and behave sensibly.
#include "app/run_dispatch.h"

#include "services/desktop.h"

namespace vkt::app {

void cmdExecuta_Click(Session& session, const RunRequest&) {
  Desktop().view->SetMessageText("");
  session.ResetMessages();
  if (session.repository.empty()) {
    Desktop().boxes->Show("Selecione o Repositorio!!!", "VKTGeraInstallBD", BoxIcon::kNone);
    return;
  }
  Desktop().boxes->Show("FIM", "VKTGeraInstallBD", BoxIcon::kNone);
}

}  // namespace vkt::app
