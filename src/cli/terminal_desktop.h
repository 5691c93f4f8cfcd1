// The desktop services of the command line: the message area's lines go to
// stdout as the run shows them, message boxes to stderr as "TITLE: TEXT",
// the run's progress feeds a progress line (cli/progress_line.h) when stderr
// is a terminal, and there is no event loop, folder picker, text device or
// icon.
//
// The two streams may be one terminal, file or pipe, so their order is kept
// by hand: stdout is flushed before anything goes to stderr, and a box comes
// after every line the run added before it (as in the run's report).
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "services/desktop.h"

namespace vkt::cli {

// The terminal line the progress line is drawn on.
class ProgressTerminal {
 public:
  virtual ~ProgressTerminal() = default;
  // Columns of the terminal's lines; 0 when it does not tell.
  virtual int Columns() = 0;
  // Empties the line the cursor is on and writes `line` there ("": the
  // line stays empty), the cursor behind it.
  virtual void Rewrite(std::string_view line) = 0;
};

// stderr's terminal (platform::TerminalColumns, platform::RewriteTerminalLine;
// a failed write is noted as every write is, cli/output.h). While it lives,
// an interruption clears the line and says "vktgera: interrompido" on a line
// of its own (platform::SetInterruptNotice); when it goes, the terminal gets
// its mode back (platform::EndTerminalLine). For a stderr that is a terminal.
class StandardErrorTerminal final : public ProgressTerminal {
 public:
  StandardErrorTerminal();
  ~StandardErrorTerminal() override;
  StandardErrorTerminal(const StandardErrorTerminal&) = delete;
  StandardErrorTerminal& operator=(const StandardErrorTerminal&) = delete;
  int Columns() override;
  void Rewrite(std::string_view line) override;
};

// What an interruption writes on a terminal after clearing its line.
inline constexpr std::string_view kInterruptedNotice = "vktgera: interrompido";

class TerminalDesktop final : public MessageBoxService, public RunView {
 public:
  // `out` receives the message lines, `err` boxes; `terminal` (stderr's, or
  // nullptr for none) the progress line.
  TerminalDesktop(std::FILE* out, std::FILE* err, ProgressTerminal* terminal);

  // The message buffer (`Session::Mensagens`) whose lines this view prints.
  // Its element 0, always empty, is never printed. `messages` must outlive
  // the view, or be followed no more (nullptr).
  void FollowMessages(const std::vector<std::string>* messages);

  // MessageBoxService. Prints the buffer's new lines first. The closing box
  // "FIM" is held back until ShowClosingBox.
  void Show(std::string_view text, std::string_view title, BoxIcon icon) override;
  // Captions have no place on a terminal.
  void SetCaption(Caption which, std::string_view text) override;
  // The message area is shown: the buffer's lines not printed yet go to
  // `out`, which is flushed. The empty text (a button press clears the area)
  // starts the buffer over. The text itself is not printed: the buffer's
  // lines are, each as it is, one per line.
  void SetMessageText(std::string_view text) override;
  // Draws the progress line (with a terminal): at the start and the end of a
  // script, and whenever the percentage done moves on, so that a call of
  // many thousand files costs a hundred rewrites, not one per file.
  void ShowProgress(const ScriptProgress& progress) override;

  // Prints the buffer's lines not printed yet and flushes `out`.
  void PrintNewMessages();
  // Shows the held closing box, if any, after what `out` holds: the command's
  // own lines after the run (check's findings) come before "FIM". Then
  // `end_line` (the run's end line, app/run_end.h), when not empty, as a line
  // of its own on `err`.
  void ShowClosingBox(std::string_view end_line = {});

  // Number of boxes other than the closing "FIM".
  std::size_t error_boxes() const { return error_boxes_; }
  // Clears the progress line, if one is shown.
  void EndProgress();

 private:
  void WriteBox(std::string_view text, std::string_view title);

  std::FILE* out_;
  std::FILE* err_;
  ProgressTerminal* terminal_;
  bool progress_shown_ = false;
  std::size_t shown_percent_ = 0;  // of the progress line shown
  std::size_t error_boxes_ = 0;
  const std::vector<std::string>* messages_ = nullptr;
  std::size_t printed_ = 1;  // buffer lines below this index are printed
  std::string closing_title_;
  bool closing_held_ = false;
};

}  // namespace vkt::cli
