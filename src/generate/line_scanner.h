// How the readers and the writer of scripts split source text into lines
// (script_io.h): the one rule, a scanner that applies it block by block, and
// the search for what stops a run of bytes copied as they are.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace vkt::generate::internal {

inline constexpr char16_t kCr = u'\r';
inline constexpr char16_t kLf = u'\n';

// The one rule of every source line in the program: CR or CR LF ends a line
// and is dropped; a LF alone stays inside the line; a last line without a
// terminator is a line. The scanner works on blocks of code units (bytes, or
// UTF-16 units for multi-byte code pages) and keeps the state that crosses a
// block boundary: a CR at the end of a block whose LF may start the next one,
// and whether a line has begun without being ended yet.

inline const unsigned char* FindCr(const unsigned char* p, const unsigned char* end) {
  const void* found = std::memchr(p, '\r', static_cast<size_t>(end - p));
  return found ? static_cast<const unsigned char*>(found) : end;
}

inline const char16_t* FindCr(const char16_t* p, const char16_t* end) {
  return std::find(p, end, kCr);
}

template <typename T>
class LineScanner {
 public:
  void Reset() {
    skip_lf_ = false;
    line_open_ = false;
  }

  // Starts a block: a LF that completes the CR ending the previous block is
  // consumed here.
  void Begin(const T* p, const T* end, const T** pos) {
    *pos = p;
    if (skip_lf_ && p != end) {
      skip_lf_ = false;
      if (*p == static_cast<T>(kLf)) ++*pos;
    }
  }

  // The next piece of the block from `*pos`: the units [*start, *start + *len)
  // of one line, and `*terminated` when a CR ended that line here. Returns
  // false when the block is used up.
  bool Next(const T* end, const T** pos, const T** start, size_t* len, bool* terminated) {
    const T* p = *pos;
    if (p == end) return false;
    const T* cr = FindCr(p, end);
    *start = p;
    *len = static_cast<size_t>(cr - p);
    if (cr == end) {
      *terminated = false;
      line_open_ = true;
      *pos = end;
      return true;
    }
    *terminated = true;
    line_open_ = false;
    const T* after = cr + 1;
    if (after == end) {
      skip_lf_ = true;
    } else if (*after == static_cast<T>(kLf)) {
      ++after;
    }
    *pos = after;
    return true;
  }

  // At the end of the input: true when a last line without terminator is
  // still to be finished.
  bool Finish() {
    bool open = line_open_;
    Reset();
    return open;
  }

  // For the block-at-once path: the state after the whole raw block
  // `p[0..n)`, given to RememberSkip before Begin was called for it.
  void AfterBlock(const T* p, size_t n) {
    if (n == 0) return;
    const T last = p[n - 1];
    if (last == static_cast<T>(kCr)) {
      skip_lf_ = true;
      line_open_ = false;
      return;
    }
    skip_lf_ = false;
    if (last == static_cast<T>(kLf)) {
      const bool after_cr = n >= 2 ? p[n - 2] == static_cast<T>(kCr) : was_cr_;
      line_open_ = !after_cr;
      return;
    }
    line_open_ = true;
  }
  void RememberSkip() { was_cr_ = skip_lf_; }

 private:
  bool skip_lf_ = false;
  bool line_open_ = false;
  bool was_cr_ = false;
};

// The first byte in [p, end) where a block that is copied in runs must stop:
// a CR that no LF follows (a CR that ends the range counts as lone), or a byte
// 0xFE or 0xFF (read as U+00FE / U+00FF, which are dropped); `end` when there
// is none. CR LF pairs, the common case, need no change, so they are skipped
// sixty-four bytes at a time without a call per line.
const unsigned char* FindStop(const unsigned char* p, const unsigned char* end);

}  // namespace vkt::generate::internal
