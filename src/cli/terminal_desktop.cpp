#include "cli/terminal_desktop.h"

#include "cli/output.h"

namespace vkt::cli {

TerminalDesktop::TerminalDesktop(std::FILE* err, bool progress) : err_(err), progress_(progress) {}

void TerminalDesktop::Show(std::string_view text, std::string_view title, BoxIcon) {
  EndProgress();
  NoteWrite(err_, std::fprintf(err_, "%.*s: %.*s\n", static_cast<int>(title.size()), title.data(),
                               static_cast<int>(text.size()), text.data()) >= 0);
  Flush(err_);
  ++boxes_shown_;
  if (text != "FIM") ++error_boxes_;
}

void TerminalDesktop::SetCaption(Caption which, std::string_view text) {
  if (!progress_ || which != Caption::kDiretorioDestino || text.empty()) return;
  // One line, rewritten in place; long paths keep their tail.
  std::string shown(text);
  if (shown.size() > 100) shown = "..." + shown.substr(shown.size() - 97);
  NoteWrite(err_, std::fprintf(err_, "\r\033[K%s", shown.c_str()) >= 0);
  Flush(err_);
  progress_shown_ = true;
}

void TerminalDesktop::EndProgress() {
  if (!progress_shown_) return;
  Write(err_, "\r\033[K");
  Flush(err_);
  progress_shown_ = false;
}

}  // namespace vkt::cli
