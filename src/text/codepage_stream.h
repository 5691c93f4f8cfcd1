// A code page's conversion to UTF-16 and back for text that comes and goes in
// blocks (the scripts' streaming readers and writer): a character split
// between two blocks is kept for the next call. The Linux build streams
// through ICU's converters (codepage_stream_icu.cpp), the Windows build
// through the system's (codepage_stream_win32.cpp); on both a character the
// page lacks is written as "?".
#pragma once

#include <cstdint>
#include <memory>

#include "text/codepage.h"

namespace vkt::text {

class StreamConverter {
 public:
  StreamConverter();
  ~StreamConverter();
  StreamConverter(const StreamConverter&) = delete;
  StreamConverter& operator=(const StreamConverter&) = delete;

  // Readies the converter for a new stream of `page` (which must outlive the
  // stream): the one already open is reset when it is of that page, else
  // replaced. False when the build cannot convert the page.
  bool Open(const CodePage& page);

  enum class Step : std::uint8_t {
    kDone,    // everything given was taken
    kFull,    // the output filled first: call again with what is left
    kFailed,  // the converter failed
  };
  // Converts from [*from, from_end) into [*to, to_end) and moves both
  // pointers past what was read and written. With `flush` the input ends
  // there: a character left incomplete is converted too (as U+FFFD, or "?").
  Step Decode(const char** from, const char* from_end, char16_t** to, char16_t* to_end, bool flush);
  Step Encode(const char16_t** from, const char16_t* from_end, char** to, char* to_end, bool flush);
  // The first character since Open that Encode wrote as "?" because the page
  // lacks it; 0 when none.
  char32_t missing() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace vkt::text
