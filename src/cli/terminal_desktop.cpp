#include "cli/terminal_desktop.h"

#include "cli/output.h"

namespace vkt::cli {

TerminalDesktop::TerminalDesktop(std::FILE* out, std::FILE* err, bool progress)
    : out_(out), err_(err), progress_(progress) {}

void TerminalDesktop::FollowMessages(const std::vector<std::string>* messages) {
  messages_ = messages;
  printed_ = 1;
}

void TerminalDesktop::Show(std::string_view text, std::string_view title, BoxIcon) {
  PrintNewMessages();
  if (text == "FIM") {
    closing_title_ = title;
    closing_held_ = true;
    return;
  }
  ++error_boxes_;
  WriteBox(text, title);
}

void TerminalDesktop::ShowClosingBox(std::string_view end_line) {
  if (closing_held_) {
    closing_held_ = false;
    WriteBox("FIM", closing_title_);
  }
  if (end_line.empty()) return;
  WriteLine(err_, end_line);
  Flush(err_);
}

void TerminalDesktop::WriteBox(std::string_view text, std::string_view title) {
  EndProgress();
  Flush(out_);
  NoteWrite(err_, std::fprintf(err_, "%.*s: %.*s\n", static_cast<int>(title.size()), title.data(),
                               static_cast<int>(text.size()), text.data()) >= 0);
  Flush(err_);
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

void TerminalDesktop::SetMessageText(std::string_view text) {
  if (text.empty()) {
    printed_ = 1;
    return;
  }
  PrintNewMessages();
}

void TerminalDesktop::PrintNewMessages() {
  if (messages_ == nullptr) return;
  // A buffer shorter than what was printed was started over unseen.
  if (printed_ > messages_->size()) printed_ = 1;
  if (printed_ == messages_->size()) return;
  // The progress line would otherwise run into the first line on a terminal.
  EndProgress();
  for (; printed_ < messages_->size(); ++printed_) WriteLine(out_, (*messages_)[printed_]);
  Flush(out_);
}

void TerminalDesktop::EndProgress() {
  if (!progress_shown_) return;
  Write(err_, "\r\033[K");
  Flush(err_);
  progress_shown_ = false;
}

}  // namespace vkt::cli
