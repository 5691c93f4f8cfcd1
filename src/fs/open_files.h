// The process-wide table of open files: files named by a small number, as the
// run-time's numbered files were (Open ... As #n, Line Input, Print, Get, Put,
// LOF, Seek, EOF, Close).
//
// Numbers run from 1 to 255; Open always takes the lowest one that is free, so
// a number closed is the next one handed out again. A number stays in use until
// Close (or CloseAll) releases it; nothing closes files behind the caller.
//
// Sharing: every open lets other openers read the file but not write it. Inside
// the process the table enforces it: an open conflicts with the files already
// in the table that are the same file (same device and inode, whatever path or
// letter case named it) when either of the two writes (kTextOutput, kBytesWrite,
// kBytes); readers coexist. Towards other processes the same rule is carried by
// advisory locks (shared for readers, exclusive for writers), where the
// platform has them. A write open that conflicts fails before it empties the
// file.
//
// Text is UTF-8 inside the program and the system code page on disk
// (text::SystemCodePage()); byte access moves raw bytes and converts nothing.
//
// Nothing here throws. Every call on a number that is not open, or not open in
// a mode that allows the call, fails as its comment says. The table is guarded
// by a mutex, but the program uses it from one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fs/platform/file_system.h"

namespace vkt::fs {

enum class FileAccess {
  kLineInput,   // an existing file, read line by line (ReadLine, AtEnd)
  kTextOutput,  // created when missing, emptied when present; WriteText
  kBytesRead,   // an existing file, bytes, read only
  kBytesWrite,  // created when missing, emptied when present; bytes, write only
  kBytes,       // created when missing, kept when present; bytes, read and write
};

namespace open_files {

inline constexpr int kFirstNumber = 1;
inline constexpr int kLastNumber = 255;

// The lowest number not in use, or 0 when all 255 are taken (FreeFile).
int FreeNumber();

// Opens `path` (a Windows-form path, resolved by the platform layer) with the
// lowest free number and returns that number; the position is the start of the
// file. Returns 0 when nothing was opened: no free number (EMFILE), the file is
// missing for a reading access, a sharing conflict in the table or with another
// process (EWOULDBLOCK), or any error of the platform; `error` (when given)
// then tells why. The number handed out is the one FreeNumber() gave just
// before the call.
int Open(std::string_view path, FileAccess access, platform::Status* error = nullptr);

// Closes `number`. False when it was not open (nothing happens).
bool Close(int number);
// Closes every open number (end of a session; tests).
void CloseAll();

bool IsOpen(int number);
// The access `number` was opened with; empty when it is not open.
std::optional<FileAccess> AccessOf(int number);

// ---- lines (kLineInput) ----

// The next line without its terminator, decoded from the system code page. A
// line ends at a carriage return or a carriage return and line feed pair; a
// line feed alone stays in the text; a last line without terminator is a line.
// Empty optional when no byte remains (reading past the end), when `number` is
// not open for line input, or on a read error.
std::optional<std::string> ReadLine(int number);

// ---- text output (kTextOutput) ----

// Writes `utf8` in the system code page (characters it lacks become "?") at
// the end of what was written so far. WriteLine adds carriage return and line
// feed. False when `number` is not open for text output or the write failed.
bool WriteText(int number, std::string_view utf8);
bool WriteLine(int number, std::string_view utf8);

// ---- bytes (kBytesRead, kBytesWrite, kBytes) ----
// The position is counted from 1: Position() is the number of the next byte
// that a read gives or a write replaces; a fresh open stands at 1, and after
// the last byte of the file Position() is Length() + 1.

// Reads exactly `count` bytes at the position and moves past them. Empty
// optional, position unchanged, when fewer than `count` bytes remain, when
// `number` is not open for reading bytes, or on a read error. A count of 0
// gives the empty string. Never allocates more than the file holds.
std::optional<std::string> ReadBytes(int number, std::size_t count);
// One byte at the position, as ReadBytes(number, 1).
std::optional<unsigned char> ReadByte(int number);
// Writes `bytes` at the position (replacing or extending) and moves past them.
// False when `number` is not open for writing bytes or the write failed.
bool WriteBytes(int number, std::string_view bytes);

// The file's length in bytes (LOF); empty when `number` is not open.
std::optional<std::int64_t> Length(int number);
// The 1-based number of the next byte (Seek/Loc); empty when not open.
std::optional<std::int64_t> Position(int number);
// Sets the 1-based position (1 .. any; past the end reads fail and writes
// extend). False when `number` is not open for bytes or `position` < 1.
bool SetPosition(int number, std::int64_t position);
// Moves the position back by one byte. False at position 1, or when `number`
// is not open for bytes.
bool StepBack(int number);

// ---- any reading access ----

// True when no byte remains at the position (EOF), also when `number` is not
// open or not open for reading: a loop "while not AtEnd" always ends.
bool AtEnd(int number);

}  // namespace open_files
}  // namespace vkt::fs
