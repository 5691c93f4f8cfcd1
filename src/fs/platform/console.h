// The program's own arguments and standard streams, as the command line
// needs them on each system. Part of the platform layer (see file_system.h);
// nothing throws.
//
// POSIX: the arguments are argv's bytes (UTF-8 by the locale's convention),
// and the streams carry bytes as written.
// Windows: the arguments are the process's UTF-16 command line
// (GetCommandLineW, CommandLineToArgvW) turned into UTF-8; the standard
// streams are in binary mode (no CR is added before a line feed), a pipe or
// file receives the UTF-8 bytes as written, and a console gets the text
// through WriteConsoleW, so that it shows every character whatever its code
// page.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vkt::platform {

// The program's arguments, the program's name first, in UTF-8. `argc` and
// `argv` are main's (POSIX uses them; Windows reads its wide command line).
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Readies stdout and stderr for WriteStandardStream: on Windows binary mode;
// nothing to do on POSIX.
void PrepareStandardStreams();

// True when `stream` (stdout or stderr) shows on a terminal: a tty on POSIX,
// a console on Windows.
bool IsTerminal(std::FILE* stream);

// Writes the UTF-8 `text` to `stream` (stdout or stderr): its bytes, or on a
// Windows console its characters (the stream is flushed first, so that the
// order holds). False when the write failed, with errno telling why.
bool WriteStandardStream(std::FILE* stream, std::string_view text);

// ---- a line rewritten in place (a progress line) ----

// Columns of the terminal `stream` (stdout or stderr) shows on: its window's
// on POSIX, the screen buffer's width on a Windows console. 0 when the
// system does not tell (no terminal, or one of unknown size).
int TerminalColumns(std::FILE* stream);

// Readies the terminal `stream` for RewriteTerminalLine. Windows: turns on
// the console's virtual-terminal processing (escape sequences) where the
// console allows it; an older console keeps its mode. POSIX: nothing to do.
void PrepareTerminalLine(std::FILE* stream);

// Empties the line of the terminal `stream` the cursor is on, puts the
// cursor at its start and writes the UTF-8 `text` there ("": the line stays
// empty). A terminal that takes escape sequences gets "\r\x1b[K" and the text
// in one write; an older Windows console is cleared through its own calls.
// False when a write failed, told as WriteStandardStream tells it.
bool RewriteTerminalLine(std::FILE* stream, std::string_view text);

// Gives the terminal `stream` back the mode PrepareTerminalLine found, for
// the programs that use the console after this one. Nothing to do on POSIX.
void EndTerminalLine(std::FILE* stream);

// ---- the choices behind the above, apart from the system (tested alone) ----

// What a standard handle leads to, as the system reports it.
enum class StreamKind : std::uint8_t {
  kConsole,  // a console (GetConsoleMode succeeds)
  kFile,     // a disk file (or a character device that is no console: NUL)
  kPipe,     // a pipe
  kNone,     // no handle, or one the system cannot tell
};

// Whether text for a stream of `kind` goes through WriteConsoleW (a console)
// or as UTF-8 bytes (everything else).
bool WritesAsConsoleText(StreamKind kind);

// Arguments as the system gave them in UTF-16, in UTF-8 (an unpaired
// surrogate, which no UTF-8 can hold, becomes U+FFFD).
std::vector<std::string> ArgumentsFromUtf16(const std::vector<std::u16string>& wide);

}  // namespace vkt::platform
