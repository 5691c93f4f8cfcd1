// The desktop services of the command line: message boxes go to stderr as
// "TITLE: TEXT", captions feed a progress line when stderr is a terminal, and
// there is no event loop, folder picker, text device or icon.
#pragma once

#include <cstdio>
#include <string>

#include "services/desktop.h"

namespace vkt::cli {

class TerminalDesktop final : public MessageBoxService, public RunView {
 public:
  // `err` receives boxes and progress; `progress` enables the progress line.
  TerminalDesktop(std::FILE* err, bool progress);

  void Show(std::string_view text, std::string_view title, BoxIcon icon) override;
  void SetCaption(Caption which, std::string_view text) override;
  void SetMessageText(std::string_view) override {}

  int boxes_shown() const { return boxes_shown_; }
  // Number of boxes other than the closing "FIM".
  int error_boxes() const { return error_boxes_; }
  // Clears the progress line, if one is shown.
  void EndProgress();

 private:
  std::FILE* err_;
  bool progress_;
  bool progress_shown_ = false;
  int boxes_shown_ = 0;
  int error_boxes_ = 0;
};

}  // namespace vkt::cli
