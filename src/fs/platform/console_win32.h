// The console line of the Windows platform layer (console.h's progress line
// and the interruption's notice), apart from the system: the console calls go
// through ConsoleApi, so that a test can play a console that takes virtual-
// terminal processing and one that refuses it. Not for use outside
// src/fs/platform (and its tests).
#pragma once

#include "fs/platform/win32_internal.h"

#include <string_view>

namespace vkt::platform::win32 {

// The console calls a line rewritten in place needs, each as Windows has it
// (true for a nonzero BOOL; the thread's last error tells why not).
class ConsoleApi {
 public:
  virtual ~ConsoleApi() = default;
  virtual bool GetMode(HANDLE console, DWORD* mode) = 0;
  virtual bool SetMode(HANDLE console, DWORD mode) = 0;
  virtual bool GetScreenBufferInfo(HANDLE console, CONSOLE_SCREEN_BUFFER_INFO* info) = 0;
  virtual bool SetCursorPosition(HANDLE console, COORD position) = 0;
  virtual bool FillOutputCharacter(HANDLE console, wchar_t character, DWORD length, COORD first,
                                   DWORD* written) = 0;
  virtual bool WriteText(HANDLE console, std::u16string_view text, DWORD* written) = 0;
};

// The system's console functions.
ConsoleApi& SystemConsole();

// The line of the console `console` that the cursor is on, emptied and
// written in place.
class ConsoleLine {
 public:
  ConsoleLine(ConsoleApi& api, HANDLE console) : api_(api), console_(console) {}

  // Turns on virtual-terminal processing (GetConsoleMode, SetConsoleMode),
  // where the console allows it: then "\r\x1b[K" clears the line. A console
  // that refuses it (older than Windows 10, or set to its legacy mode) is
  // cleared through the console calls instead. Returns whether escape
  // sequences are taken.
  bool EnableSequences();
  bool sequences() const { return sequences_; }
  // Gives the console back the mode EnableSequences changed, if it did.
  void RestoreMode();
  HANDLE console() const { return console_; }

  // The screen buffer's width (GetConsoleScreenBufferInfo); 0 when the
  // console does not tell.
  int Columns();

  // Empties the cursor's line, puts the cursor at its start and writes
  // `text` there. With escape sequences: "\r\x1b[K" and the text in one
  // write. Without: the line filled with blanks (FillConsoleOutputCharacterW),
  // the cursor put back at its start (SetConsoleCursorPosition), then the
  // text. False when a call failed, with errno telling why.
  bool Rewrite(std::u16string_view text);

 private:
  bool Write(std::u16string_view text);

  ConsoleApi& api_;
  HANDLE console_;
  bool sequences_ = false;
  bool mode_changed_ = false;
  DWORD original_mode_ = 0;
};

// The interruption's end on stderr's console (console_win32.cpp): its line
// emptied and the notice of SetInterruptNotice written, if one is set, and
// its mode given back. For
// the console control handler of InstallSignalCleanup; it waits for a
// rewrite in progress to end.
void WriteInterruptNotice();

}  // namespace vkt::platform::win32
