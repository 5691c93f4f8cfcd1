// The console line of the Windows platform layer on a console played by a
// test: one that takes virtual-terminal processing (the line is cleared with
// "\r\x1b[K") and one that refuses it (cleared through the console calls).
// Wine's console differs from Windows' in both, which is why the console is
// played here.
#include "fs/platform/console_win32.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace vkt::platform::win32 {
namespace {

// A console screen of a few rows: what is written lands at the cursor; with
// virtual-terminal processing on, "\r" and "\x1b[K" act, else ESC shows as a
// character, as on a console that takes no sequences.
class FakeConsole final : public ConsoleApi {
 public:
  FakeConsole(bool takes_sequences, SHORT width)
      : takes_sequences_(takes_sequences), rows_(4, std::u16string(width, u' ')) {}

  bool GetMode(HANDLE, DWORD* mode) override {
    *mode = mode_;
    return true;
  }
  bool SetMode(HANDLE, DWORD mode) override {
    if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 && !takes_sequences_) {
      ::SetLastError(ERROR_INVALID_PARAMETER);
      return false;
    }
    mode_ = mode;
    return true;
  }
  bool GetScreenBufferInfo(HANDLE, CONSOLE_SCREEN_BUFFER_INFO* info) override {
    *info = {};
    info->dwSize = {static_cast<SHORT>(rows_[0].size()), static_cast<SHORT>(rows_.size())};
    info->dwCursorPosition = cursor_;
    return true;
  }
  bool SetCursorPosition(HANDLE, COORD position) override {
    cursor_ = position;
    ++calls_;
    return true;
  }
  bool FillOutputCharacter(HANDLE, wchar_t character, DWORD length, COORD first,
                           DWORD* written) override {
    std::u16string& row = rows_[first.Y];
    *written = 0;
    for (auto x = static_cast<std::size_t>(first.X); x < row.size() && *written < length; ++x) {
      row[x] = static_cast<char16_t>(character);
      ++*written;
    }
    ++calls_;
    return true;
  }
  bool WriteText(HANDLE, std::u16string_view text, DWORD* written) override {
    const bool sequences = (mode_ & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (sequences && text[i] == u'\r') {
        cursor_.X = 0;
      } else if (sequences && text.substr(i, 3) == u"\x1b[K") {
        std::u16string& row = rows_[cursor_.Y];
        row.replace(cursor_.X, row.size() - cursor_.X, row.size() - cursor_.X, u' ');
        i += 2;
      } else {
        rows_[cursor_.Y][cursor_.X++] = text[i];
      }
    }
    *written = static_cast<DWORD>(text.size());
    return true;
  }

  // The cursor's row, without the blanks at its end.
  std::u16string Row() const {
    std::u16string row = rows_[cursor_.Y];
    row.erase(row.find_last_not_of(u' ') + 1);
    return row;
  }
  SHORT cursor_x() const { return cursor_.X; }
  DWORD mode() const { return mode_; }
  int console_calls() const { return calls_; }

 private:
  bool takes_sequences_;
  DWORD mode_ = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
  std::vector<std::u16string> rows_;
  COORD cursor_{0, 2};
  int calls_ = 0;  // cursor moves and fills
};

const HANDLE kConsole = std::bit_cast<HANDLE>(std::intptr_t{0x40});

// Where the console takes escape sequences they alone clear the line; where
// it refuses them, the console's calls do, and no ESC[K shows. Either way
// nothing of a longer line before stays, and the console's mode is kept and
// given back as it was found.
TEST(ConsoleLine, RewritesTheLineWithTheSequencesOrTheConsoleCalls) {
  for (const bool takes_sequences : {true, false}) {
    SCOPED_TRACE(takes_sequences ? "sequences" : "console calls");
    FakeConsole console(takes_sequences, 60);
    ConsoleLine line(console, kConsole);
    EXPECT_EQ(line.EnableSequences(), takes_sequences);
    EXPECT_EQ((console.mode() & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0, takes_sequences);
    EXPECT_NE(console.mode() & ENABLE_PROCESSED_OUTPUT, 0u);
    ASSERT_TRUE(line.Rewrite(u"VIEWS ORACLE 1/20 C:\\pkg\\ORACLE\\02-ATUALIZACAO\\x.sql"));
    ASSERT_TRUE(line.Rewrite(u"VIEWS ORACLE 2/20"));
    EXPECT_EQ(console.Row(), u"VIEWS ORACLE 2/20");
    EXPECT_EQ(console.cursor_x(), 17);
    EXPECT_EQ(console.console_calls() > 0, !takes_sequences);
    ASSERT_TRUE(line.Rewrite(u""));
    EXPECT_EQ(console.Row(), u"");
    EXPECT_EQ(console.cursor_x(), 0);
    line.RestoreMode();
    EXPECT_EQ(console.mode(),
              static_cast<DWORD>(ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT));
  }
}

TEST(ConsoleLine, ColumnsAreTheScreenBuffersWidth) {
  FakeConsole console(/*takes_sequences=*/false, 132);
  EXPECT_EQ(ConsoleLine(console, kConsole).Columns(), 132);
}

}  // namespace
}  // namespace vkt::platform::win32
