#include "app/run_end.h"

namespace vkt::app {

std::string ProblemCountText(std::size_t problems) {
  if (problems == 0) return "nenhum problema";
  if (problems == 1) return "1 problema";
  return std::to_string(problems) + " problemas";
}

std::size_t RunProblemCount(const Session& session, std::size_t boxes) {
  const std::size_t lines = session.Mensagens.empty() ? 0 : session.Mensagens.size() - 1;
  return lines + boxes;
}

std::string EndLine(const RunEnd& end, std::size_t problems) {
  if (!end.ran) return {};
  const std::string count = " — " + ProblemCountText(problems);
  if (end.dry_run) return "Nenhum pacote gravado (verificação)" + count;
  std::string line = "Pacote: " + end.package_folder + count;
  if (!end.version_script.empty()) line += "; versão acrescentada a " + end.version_script;
  return line;
}

BoxCounter::BoxCounter() : next_(Desktop().boxes), scope_(DesktopWithBoxes(this)) {}

BoxCounter::~BoxCounter() = default;

void BoxCounter::Show(std::string_view text, std::string_view title, BoxIcon icon) {
  if (text != "FIM") ++boxes_;
  next_->Show(text, title, icon);
}

}  // namespace vkt::app
