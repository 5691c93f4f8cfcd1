// The line that ends a run, after its box "FIM": where the package went, how
// many problems the run had and whether it appended to the SQL Server version
// script. The terminal prints it, both windows show it in their labels.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "app/session.h"
#include "services/desktop.h"

namespace vkt::app {

// "nenhum problema", "1 problema", "N problemas".
std::string ProblemCountText(std::size_t problems);

// The problems of a run as its exit status and its report count them: each
// line of the message buffer (its element 0, always empty, aside) and each
// box other than "FIM" (`boxes`).
std::size_t RunProblemCount(const Session& session, std::size_t boxes);

// The end line of `end` with `problems` problems:
//   "Pacote: FOLDER — N problemas", followed by
//   "; versão acrescentada a SCRIPT" when the run appended to that script
//   (named within the package folder, so that the line fits the window's
//   label);
//   for a dry run, which writes no package,
//   "Nenhum pacote gravado (verificação) — N problemas".
// Empty when `end.ran` is false (a numbering run, a run that did not start).
std::string EndLine(const RunEnd& end, std::size_t problems);

// Counts the boxes other than "FIM" shown while it lives, passing each on to
// the box service in use at its construction, which it replaces meanwhile.
class BoxCounter final : public MessageBoxService {
 public:
  BoxCounter();
  ~BoxCounter() override;
  BoxCounter(const BoxCounter&) = delete;
  BoxCounter& operator=(const BoxCounter&) = delete;

  void Show(std::string_view text, std::string_view title, BoxIcon icon) override;
  std::size_t boxes() const { return boxes_; }

 private:
  MessageBoxService* next_;
  std::size_t boxes_ = 0;
  ScopedDesktop scope_;
};

}  // namespace vkt::app
