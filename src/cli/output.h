// What `vktgera` writes on stdout and stderr, and how a write that fails
// reaches the exit status. The lines on stdout are a run's result (all that
// numbering gives), so output lost to a full disk or a closed descriptor must
// not pass for success. Every write and flush of the command line goes
// through here, which keeps the first error of each stream with its reason;
// FinishOutput turns it into a line on stderr and a failing status, as
// coreutils' close_stdout does.
#pragma once

#include <cstdio>
#include <string_view>

namespace vkt::cli {

// Notes a failed write or flush of `stream` when `ok` is false, with errno as
// its reason (only the first failure of a stream is kept). Call it right after
// the call that failed, before anything else can change errno.
void NoteWrite(std::FILE* stream, bool ok);

// Writes the bytes of `text` to `stream` as they are; a failure is noted.
void Write(std::FILE* stream, std::string_view text);

// Writes `text` and a line feed to `stream`, which carries UTF-8: text that
// is not valid UTF-8 (a path given on the command line) shows its invalid
// bytes as U+FFFD. A failure is noted.
void WriteLine(std::FILE* stream, std::string_view text);

// Flushes `stream`; a failure is noted.
void Flush(std::FILE* stream);

// Ends the program's output, to be called once, last: flushes and closes
// stdout, flushes stderr, and returns the exit status. When either stream
// could not be written (now, or earlier through the functions above) a
// `status` of 0 becomes 1; any other status stays. stdout's failure is told on
// stderr as "vktgera: cannot write to standard output: REASON". A stdout that
// was closed before the program started and was never written to is no
// failure.
int FinishOutput(int status);

}  // namespace vkt::cli
