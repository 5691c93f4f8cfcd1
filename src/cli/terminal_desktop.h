// The desktop services of the command line: the message area's lines go to
// stdout as the run shows them, message boxes to stderr as "TITLE: TEXT",
// captions feed a progress line when stderr is a terminal, and there is no
// event loop, folder picker, text device or icon.
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

class TerminalDesktop final : public MessageBoxService, public RunView {
 public:
  // `out` receives the message lines, `err` boxes and progress; `progress`
  // enables the progress line.
  TerminalDesktop(std::FILE* out, std::FILE* err, bool progress);

  // The message buffer (`Session::Mensagens`) whose lines this view prints.
  // Its element 0, always empty, is never printed. `messages` must outlive
  // the view, or be followed no more (nullptr).
  void FollowMessages(const std::vector<std::string>* messages);

  // MessageBoxService. Prints the buffer's new lines first. The closing box
  // "FIM" is held back until ShowClosingBox.
  void Show(std::string_view text, std::string_view title, BoxIcon icon) override;
  void SetCaption(Caption which, std::string_view text) override;
  // The message area is shown: the buffer's lines not printed yet go to
  // `out`, which is flushed. The empty text (a button press clears the area)
  // starts the buffer over. The text itself is not printed: the buffer's
  // lines are, each as it is, one per line.
  void SetMessageText(std::string_view text) override;

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
  bool progress_;
  bool progress_shown_ = false;
  std::size_t error_boxes_ = 0;
  const std::vector<std::string>* messages_ = nullptr;
  std::size_t printed_ = 1;  // buffer lines below this index are printed
  std::string closing_title_;
  bool closing_held_ = false;
};

}  // namespace vkt::cli
