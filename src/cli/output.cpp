#include "cli/output.h"

#include <cerrno>
#include <string>
#include <vector>

#include "fs/platform/console.h"
#include "fs/platform/file_system.h"
#include "text/codepage.h"

namespace vkt::cli {
namespace {

struct StreamError {
  std::FILE* stream;
  int error;  // errno of the first failure; 0 when the reason is not known
};

std::vector<StreamError>& Errors() {
  static std::vector<StreamError> errors;
  return errors;
}

const StreamError* FindError(std::FILE* stream) {
  for (const StreamError& e : Errors()) {
    if (e.stream == stream) return &e;
  }
  return nullptr;
}

void Note(std::FILE* stream, int error) {
  if (FindError(stream) == nullptr) Errors().push_back({stream, error});
}

}  // namespace

void NoteWrite(std::FILE* stream, bool ok) {
  if (!ok) Note(stream, errno);
}

void Write(std::FILE* stream, std::string_view text) {
  if (text.empty()) return;
  NoteWrite(stream, platform::WriteStandardStream(stream, text));
}

void WriteLine(std::FILE* stream, std::string_view text) {
  // Names from disk come decoded; what else may hold other bytes is shown
  // rather than passed on.
  std::string valid;
  if (!text::IsValidUtf8(text)) {
    valid = text::Utf16ToUtf8(text::Utf8ToUtf16(text));
    text = valid;
  }
  Write(stream, text);
  Write(stream, "\n");
}

void Flush(std::FILE* stream) { NoteWrite(stream, std::fflush(stream) == 0); }

int FinishOutput(int status) {
  // stdout is fully buffered when it is not a terminal: its last block, often
  // all of a short command's output, is written only now.
  Flush(stdout);
  // A stream whose error flag is set failed somewhere, even if not through
  // this file; its reason is then unknown.
  if (std::ferror(stdout)) Note(stdout, 0);
  const bool out_failed = FindError(stdout) != nullptr;
  // Closing is the last chance to learn of a failure (a file system that
  // reports errors on close). Once flushed, EBADF only means stdout was
  // closed from the start, and nothing was lost.
  if (std::fclose(stdout) != 0 && !out_failed && errno != EBADF) Note(stdout, errno);

  bool failed = false;
  if (const StreamError* e = FindError(stdout)) {
    std::string line = "vktgera: cannot write to standard output";
    if (e->error != 0) line += ": " + platform::Status::Errno(e->error).Text();
    Write(stderr, line + "\n");
    failed = true;
  }
  // stderr stays open: the C++ run-time and the sanitizers may still need it
  // on the way out. It is unbuffered, so its failures are known already.
  Flush(stderr);
  if (std::ferror(stderr)) Note(stderr, 0);
  if (FindError(stderr) != nullptr) failed = true;
  return failed && status == 0 ? 1 : status;
}

}  // namespace vkt::cli
