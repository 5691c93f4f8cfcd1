#include "cli/terminal_desktop.h"

#include "cli/output.h"
#include "cli/progress_line.h"
#include "fs/platform/console.h"
#include "fs/platform/file_system.h"

namespace vkt::cli {

StandardErrorTerminal::StandardErrorTerminal() {
  platform::PrepareTerminalLine(stderr);
  platform::SetInterruptNotice(kInterruptedNotice);
}

StandardErrorTerminal::~StandardErrorTerminal() {
  platform::SetInterruptNotice("");
  platform::EndTerminalLine(stderr);
}

int StandardErrorTerminal::Columns() { return platform::TerminalColumns(stderr); }

void StandardErrorTerminal::Rewrite(std::string_view line) {
  NoteWrite(stderr, platform::RewriteTerminalLine(stderr, line));
  Flush(stderr);
}

TerminalDesktop::TerminalDesktop(std::FILE* out, std::FILE* err, ProgressTerminal* terminal)
    : out_(out), err_(err), terminal_(terminal) {}

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

void TerminalDesktop::SetCaption(Caption, std::string_view) {}

void TerminalDesktop::ShowProgress(const ScriptProgress& progress) {
  if (terminal_ == nullptr) return;
  const std::size_t percent = progress.total == 0 ? 100 : progress.done * 100 / progress.total;
  const bool edge = progress.done == 0 || progress.done == progress.total;
  if (progress_shown_ && !edge && percent == shown_percent_) return;
  terminal_->Rewrite(ProgressLine(progress, terminal_->Columns()));
  progress_shown_ = true;
  shown_percent_ = percent;
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
  terminal_->Rewrite("");
  progress_shown_ = false;
}

}  // namespace vkt::cli
