#include "generate/script_io.h"

#include <unicode/ucnv.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "text/codepage.h"

namespace vkt::generate {
namespace {

using platform::Status;

constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';

// ---- line splitting -------------------------------------------------------
//
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
const unsigned char* FindStop(const unsigned char* p, const unsigned char* end) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i fe = _mm_set1_epi8(static_cast<char>(0xFE));
  // The stops among the sixteen bytes at `q`: a CR whose next byte is no LF,
  // or a byte whose maximum with 0xFE is itself (0xFE or 0xFF).
  auto stops = [&](const unsigned char* q) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 1));
    const __m128i lone = _mm_andnot_si128(_mm_cmpeq_epi8(next, lf), _mm_cmpeq_epi8(here, cr));
    return _mm_or_si128(lone, _mm_cmpeq_epi8(_mm_max_epu8(here, fe), here));
  };
  // Each step reads 65 bytes: sixty-four candidates and the byte after them.
  while (end - p > 64) {
    const __m128i any = _mm_or_si128(_mm_or_si128(stops(p), stops(p + 16)),
                                     _mm_or_si128(stops(p + 32), stops(p + 48)));
    if (_mm_movemask_epi8(any) != 0) break;
    p += 64;
  }
  while (end - p > 16) {
    const int found = _mm_movemask_epi8(stops(p));
    if (found != 0) return p + __builtin_ctz(static_cast<unsigned>(found));
    p += 16;
  }
#endif
  for (; p != end; ++p) {
    if (*p >= 0xFE) return p;
    if (*p == '\r' && (p + 1 == end || p[1] != '\n')) return p;
  }
  return end;
}

// ---- code-page tables -------------------------------------------------------

// What the program needs of the system code page, built once per stream.
struct Tables {
  const text::CodePage* page = nullptr;
  // Single-byte code pages with CR and LF at their ASCII places: source bytes
  // are converted through these tables and ICU is never called.
  bool byte_path = false;
  std::array<std::uint8_t, 256> keep{};      // 0 for bytes read as U+00FE / U+00FF
  std::array<std::uint8_t, 256> out_byte{};  // the byte written under the code page
  std::array<char16_t, 256> unit{};          // the UTF-16 unit read
  std::array<std::uint16_t, 256> unit_le{};  // the same as stored in UTF-16LE
  // The code page maps every byte to itself except U+00FE/U+00FF at 0xFE/0xFF
  // (Windows-1252, Latin-1): Oracle copies are then plain byte copies.
  bool identity_fe_ff = false;
  // Only the bytes 0xFE and 0xFF are read as U+00FE / U+00FF, so a block
  // without them has nothing to drop.
  bool drops_are_fe_ff = false;
  // ASCII is written as itself (WriteLine fast path).
  bool ascii_identity = false;
  // Single-byte page whose bytes 0xA0-0xFF read as U+00A0-U+00FF.
  bool latin1_upper = false;

  void Build(const text::CodePage& cp) {
    page = &cp;
    byte_path = cp.single_byte() && cp.Unit('\r') == kCr && cp.Unit('\n') == kLf;
    ascii_identity = cp.single_byte();
    if (!cp.single_byte()) {
      // UTF-8 and the like keep ASCII as it is; others go through ICU.
      std::string probe = cp.Encode("azAZ09 '();-_.:\\/");
      ascii_identity = probe == "azAZ09 '();-_.:\\/";
      identity_fe_ff = false;
      latin1_upper = false;
      return;
    }
    identity_fe_ff = true;
    drops_are_fe_ff = true;
    latin1_upper = true;
    for (int b = 0; b < 256; ++b) {
      const char16_t u = cp.Unit(static_cast<unsigned char>(b));
      unit[b] = u;
      const unsigned char le[2] = {static_cast<unsigned char>(u & 0xFF),
                                   static_cast<unsigned char>(u >> 8)};
      std::memcpy(&unit_le[b], le, 2);
      keep[b] = (u == 0xFE || u == 0xFF) ? 0 : 1;
      const int back = u == 0xFFFD ? -1 : cp.Byte(u);
      out_byte[b] = static_cast<std::uint8_t>(back < 0 ? '?' : back);
      if (b < 0x80 && u != b) ascii_identity = false;
      if (b >= 0xA0 && u != b) latin1_upper = false;
      const bool should_drop = b >= 0xFE;
      if (should_drop == (keep[b] != 0)) drops_are_fe_ff = false;
      if (should_drop ? keep[b] != 0 : (keep[b] == 0 || out_byte[b] != b)) identity_fe_ff = false;
    }
  }
};

// A streaming ICU converter for the multi-byte path, opened on first use.
class Converter {
 public:
  ~Converter() { Close(); }
  // Readies the converter of code page `name` for a new stream: the one
  // already open is reset when it is of that name, else replaced (the code
  // page may change between two runs served by the same writer or reader).
  // False when ICU does not know the name.
  bool Open(const std::string& name) {
    if (cnv_ && name == name_) {
      ucnv_reset(cnv_);
      return true;
    }
    Close();
    UErrorCode status = U_ZERO_ERROR;
    cnv_ = ucnv_open(name.c_str(), &status);
    if (U_FAILURE(status)) {
      cnv_ = nullptr;
      return false;
    }
    name_ = name;
    status = U_ZERO_ERROR;
    ucnv_setSubstChars(cnv_, "?", 1, &status);
    return true;
  }
  UConverter* get() const { return cnv_; }

 private:
  void Close() {
    if (cnv_) ucnv_close(cnv_);
    cnv_ = nullptr;
    name_.clear();
  }
  UConverter* cnv_ = nullptr;
  std::string name_;  // the code page `cnv_` converts
};

// Decodes `bytes` into `units` (kBlockSize units of room) with `cnv`,
// calling `sink(units, n)` whenever the room fills or the input is used up.
// Characters split across calls are kept in the converter.
template <typename Sink>
void DecodeBlock(UConverter* cnv, std::string_view bytes, bool flush, char16_t* units, size_t room,
                 Sink&& sink) {
  static const char kNothing = 0;
  const char* src = bytes.empty() ? &kNothing : bytes.data();
  const char* src_end = src + bytes.size();
  for (;;) {
    UChar* target = reinterpret_cast<UChar*>(units);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(cnv, &target, reinterpret_cast<UChar*>(units) + room, &src, src_end, nullptr,
                   flush, &status);
    size_t n = static_cast<size_t>(target - reinterpret_cast<UChar*>(units));
    if (n > 0) sink(units, n);
    if (status != U_BUFFER_OVERFLOW_ERROR) return;
  }
}

void AppendUtf8(std::string* out, char32_t c) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

// ---- SourceFile -----------------------------------------------------------

struct SourceFile::Impl {
  platform::File file;
  std::unique_ptr<char[]> buffer;
  size_t capacity = 0;
  size_t first_length = 0;
  bool first_pending = false;
  bool at_end = true;
  bool empty = true;
  Status status;

  void EnsureCapacity(size_t want) {
    if (capacity >= want) return;
    buffer.reset(new char[want]);
    capacity = want;
  }

  // One read into the buffer; 0 at the end or on an error.
  size_t Fill() {
    size_t got = 0;
    Status s = file.Read(buffer.get(), capacity, &got);
    if (!s.ok()) {
      status = s;
      at_end = true;
      return 0;
    }
    if (got == 0) at_end = true;
    return got;
  }
};

SourceFile::SourceFile() : impl_(std::make_unique<Impl>()) {}
SourceFile::~SourceFile() = default;

Status SourceFile::Open(const std::string& path) {
  Close();
  Status s = platform::File::Open(path, platform::File::Mode::kRead, &impl_->file);
  return s.ok() ? ReadFirstBlock() : s;
}

Status SourceFile::Open(const platform::ListedFolder& folder, std::size_t entry) {
  Close();
  Status s = folder.OpenEntry(entry, &impl_->file);
  return s.ok() ? ReadFirstBlock() : s;
}

Status SourceFile::ReadFirstBlock() {
  Impl& m = *impl_;
  // One block, whatever the file's size: asking for its size would cost a
  // system call per file, and a small file is read whole by the first read.
  m.EnsureCapacity(kBlockSize);
  m.at_end = false;
  m.status = Status::Ok();
  m.first_length = m.Fill();
  if (!m.status.ok()) {
    Status error = m.status;
    Close();
    return error;
  }
  m.first_pending = true;
  m.empty = m.first_length == 0;
  return Status::Ok();
}

bool SourceFile::empty() const { return impl_->empty; }

Status SourceFile::CanonicalPath(std::string* canonical) const {
  return impl_->file.CanonicalPath(canonical);
}

Status SourceFile::status() const { return impl_->status; }

void SourceFile::Close() {
  Impl& m = *impl_;
  m.file.Close();
  m.first_pending = false;
  m.first_length = 0;
  m.at_end = true;
  m.empty = true;
}

std::string_view SourceFile::NextBlock() {
  Impl& m = *impl_;
  if (m.first_pending) {
    m.first_pending = false;
    return {m.buffer.get(), m.first_length};
  }
  if (m.at_end) return {};
  size_t got = m.Fill();
  return {m.buffer.get(), got};
}

// ---- ScriptWriter -----------------------------------------------------------

struct ScriptWriter::Impl {
  platform::AtomicFile file;
  ScriptEncoding encoding = ScriptEncoding::kCodePage;
  bool open = false;
  Status error;  // sticky
  std::unique_ptr<char[]> out;
  size_t length = 0;
  Tables tables;
  // Multi-byte path only.
  Converter decoder;
  Converter encoder;
  std::unique_ptr<char16_t[]> units;
  std::unique_ptr<char16_t[]> cleaned;

  bool Flush() {
    if (!error.ok()) return false;
    if (length > 0) {
      Status s = file.Write(out.get(), length);
      length = 0;
      if (!s.ok()) {
        error = s;
        return false;
      }
    }
    return true;
  }

  // Room for `n` more bytes in the buffer (n <= kBlockSize).
  bool Reserve(size_t n) { return kBlockSize - length >= n || Flush(); }

  bool AppendBytes(const char* p, size_t n) {
    while (n > 0) {
      if (length == kBlockSize && !Flush()) return false;
      size_t k = std::min(n, kBlockSize - length);
      std::memcpy(out.get() + length, p, k);
      length += k;
      p += k;
      n -= k;
    }
    return error.ok();
  }

  bool AppendUnits(const char16_t* p, size_t n) {
    while (n > 0) {
      if (!Reserve(2)) return false;
      size_t k = std::min(n, (kBlockSize - length) / 2);
      char* o = out.get() + length;
      for (size_t i = 0; i < k; ++i) {
        o[2 * i] = static_cast<char>(p[i] & 0xFF);
        o[2 * i + 1] = static_cast<char>(p[i] >> 8);
      }
      length += 2 * k;
      p += k;
      n -= k;
    }
    return error.ok();
  }

  bool Newline() {
    if (encoding == ScriptEncoding::kUtf16Le) {
      static constexpr char kCrLf16[] = {'\r', 0, '\n', 0};
      return AppendBytes(kCrLf16, 4);
    }
    return AppendBytes("\r\n", 2);
  }

  // ---- single-byte paths ----

  // Oracle, byte to byte: bytes read as U+00FE/U+00FF are dropped.
  bool ContentBytes(const unsigned char* p, size_t n) {
    while (n > 0) {
      if (!Reserve(1)) return false;
      size_t k = std::min(n, kBlockSize - length);
      char* o = out.get() + length;
      size_t w = 0;
      for (size_t i = 0; i < k; ++i) {
        o[w] = static_cast<char>(tables.out_byte[p[i]]);
        w += tables.keep[p[i]];
      }
      length += w;
      p += k;
      n -= k;
    }
    return error.ok();
  }

  // SQL Server, byte to UTF-16LE unit.
  bool ContentUnitsFromBytes(const unsigned char* p, size_t n) {
    while (n > 0) {
      if (!Reserve(2)) return false;
      size_t k = std::min(n, (kBlockSize - length) / 2);
      char* o = out.get() + length;
      size_t w = 0;
      for (size_t i = 0; i < k; ++i) {
        const char16_t u = tables.unit[p[i]];
        o[w] = static_cast<char>(u & 0xFF);
        o[w + 1] = static_cast<char>(u >> 8);
        w += size_t{2} * tables.keep[p[i]];
      }
      length += w;
      p += k;
      n -= k;
    }
    return error.ok();
  }

  // SQL Server, for a block known to hold nothing to drop.
  bool ContentUnitsFromBytesNoDrop(const unsigned char* p, size_t n) {
    while (n > 0) {
      if (!Reserve(2)) return false;
      size_t k = std::min(n, (kBlockSize - length) / 2);
      char* o = out.get() + length;
      size_t i = 0;
#if defined(__SSE2__)
      if (tables.ascii_identity) {
        // Sixteen bytes at a time become sixteen units by zero extension when
        // they read as themselves: ASCII, and under a page whose upper half is
        // Latin-1 (Windows-1252) everything but 0x80-0x9F.
        const __m128i zero = _mm_setzero_si128();
        const __m128i top3 = _mm_set1_epi8(static_cast<char>(0xE0));
        const __m128i c1 = _mm_set1_epi8(static_cast<char>(0x80));
        for (; i + 16 <= k; i += 16) {
          __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
          const int mixed = tables.latin1_upper
                                ? _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(bytes, top3), c1))
                                : _mm_movemask_epi8(bytes);
          if (mixed != 0) {
            for (size_t j = i; j < i + 16; ++j) std::memcpy(o + 2 * j, &tables.unit_le[p[j]], 2);
            continue;
          }
          _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 2 * i), _mm_unpacklo_epi8(bytes, zero));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 2 * i + 16),
                           _mm_unpackhi_epi8(bytes, zero));
        }
      }
#endif
      for (; i < k; ++i) std::memcpy(o + 2 * i, &tables.unit_le[p[i]], 2);
      length += 2 * k;
      p += k;
      n -= k;
    }
    return error.ok();
  }

  // Oracle under a code page that copies bytes as they are: only lone CRs
  // need an LF, so CR LF files go out in runs as long as the block.
  // Writes `n` bytes that need no change; long runs go to the file straight
  // from the source block instead of through the buffer.
  bool AppendRun(const char* p, size_t n) {
    if (n < kBlockSize / 4) return AppendBytes(p, n);
    if (!Flush()) return false;
    Status s = file.Write(p, n);
    if (!s.ok()) error = s;
    return error.ok();
  }

  // A block under a page where only the bytes 0xFE and 0xFF are dropped: its
  // CR LF pairs and lone LFs stay as they are, so whole runs between lone CRs
  // are written at once by `run` (bytes for Oracle, widened units for SQL
  // Server) and a lone CR gets its LF. From a line with a byte to drop on, the
  // rest of the block goes line by line through `content`.
  template <typename Run, typename Content>
  bool ThroughBlock(LineScanner<unsigned char>& scan, const unsigned char* p, size_t n, Run&& run,
                    std::string_view lf, Content&& content) {
    const unsigned char* end = p + n;
    const unsigned char* pos;
    scan.RememberSkip();
    scan.Begin(p, end, &pos);
    const unsigned char* start = pos;
    while (pos != end) {
      const unsigned char* stop = FindStop(pos, end);
      if (stop == end) break;
      if (*stop != '\r') {
        // `start` begins a line (or the block): the scanner takes over there.
        return ScanBlock(scan, start, static_cast<size_t>(end - start), content);
      }
      if (!run(start, static_cast<size_t>(stop + 1 - start)) ||
          !AppendBytes(lf.data(), lf.size())) {
        return false;
      }
      pos = start = stop + 1;
    }
    if (!run(start, static_cast<size_t>(end - start))) return false;
    scan.AfterBlock(p, n);
    return true;
  }

  bool PassThroughBlock(LineScanner<unsigned char>& scan, const unsigned char* p, size_t n) {
    return ThroughBlock(
        scan, p, n,
        [this](const unsigned char* s, size_t k) {
          return AppendRun(reinterpret_cast<const char*>(s), k);
        },
        std::string_view("\n", 1),
        [this](const unsigned char* s, size_t k) { return ContentBytes(s, k); });
  }

  bool WidenThroughBlock(LineScanner<unsigned char>& scan, const unsigned char* p, size_t n) {
    return ThroughBlock(
        scan, p, n,
        [this](const unsigned char* s, size_t k) { return ContentUnitsFromBytesNoDrop(s, k); },
        std::string_view("\n\0", 2),
        [this](const unsigned char* s, size_t k) { return ContentUnitsFromBytes(s, k); });
  }

  template <typename T, typename Content>
  bool ScanBlock(LineScanner<T>& scan, const T* p, size_t n, Content&& content) {
    const T* end = p + n;
    const T* pos;
    scan.Begin(p, end, &pos);
    const T* start;
    size_t len;
    bool terminated;
    while (scan.Next(end, &pos, &start, &len, &terminated)) {
      if (!content(start, len)) return false;
      if (terminated && !Newline()) return false;
    }
    return true;
  }

  // ---- multi-byte path ----

  bool ContentUnits(const char16_t* p, size_t n) {
    // Drop U+00FE / U+00FF, then write as UTF-16LE or encode.
    while (n > 0) {
      size_t k = std::min(n, kBlockSize);
      size_t w = 0;
      for (size_t i = 0; i < k; ++i) {
        cleaned[w] = p[i];
        w += (p[i] != 0xFE && p[i] != 0xFF) ? 1 : 0;
      }
      if (encoding == ScriptEncoding::kUtf16Le) {
        if (!AppendUnits(cleaned.get(), w)) return false;
      } else if (!EncodeUnits(cleaned.get(), w, false)) {
        return false;
      }
      p += k;
      n -= k;
    }
    return true;
  }

  bool EncodeUnits(const char16_t* p, size_t n, bool flush) {
    static const char16_t kNothing = 0;
    const UChar* src = reinterpret_cast<const UChar*>(n > 0 ? p : &kNothing);
    const UChar* src_end = src + n;
    for (;;) {
      if (!Reserve(64)) return false;
      char* target = out.get() + length;
      UErrorCode status = U_ZERO_ERROR;
      ucnv_fromUnicode(encoder.get(), &target, out.get() + kBlockSize, &src, src_end, nullptr,
                       flush, &status);
      length = static_cast<size_t>(target - out.get());
      if (status == U_BUFFER_OVERFLOW_ERROR) {
        if (!Flush()) return false;
        continue;
      }
      if (U_FAILURE(status)) {
        error = Status::Errno(EILSEQ);
        return false;
      }
      return true;
    }
  }

  bool CopyMultiByte(SourceFile& source) {
    if (!decoder.Open(tables.page->name())) {
      error = Status::Errno(EINVAL);
      return false;
    }
    if (encoding == ScriptEncoding::kCodePage && !encoder.Open(tables.page->name())) {
      error = Status::Errno(EINVAL);
      return false;
    }
    if (!units) units.reset(new char16_t[kBlockSize]);
    if (!cleaned) cleaned.reset(new char16_t[kBlockSize]);
    LineScanner<char16_t> scan;
    bool ok = true;
    auto sink = [&](const char16_t* u, size_t n) {
      if (ok) {
        ok = ScanBlock(scan, u, n, [&](const char16_t* s, size_t k) { return ContentUnits(s, k); });
      }
    };
    for (std::string_view block = source.NextBlock(); !block.empty() && ok;
         block = source.NextBlock()) {
      DecodeBlock(decoder.get(), block, false, units.get(), kBlockSize, sink);
    }
    if (ok) DecodeBlock(decoder.get(), {}, true, units.get(), kBlockSize, sink);
    if (ok && scan.Finish()) ok = Newline();
    if (ok && encoding == ScriptEncoding::kCodePage) ok = EncodeUnits(nullptr, 0, true);
    return ok;
  }
};

ScriptWriter::ScriptWriter() : impl_(std::make_unique<Impl>()) {}
ScriptWriter::~ScriptWriter() = default;

Status ScriptWriter::Create(const std::string& path, ScriptEncoding encoding) {
  Impl& m = *impl_;
  Abort();
  m.error = Status::Ok();
  m.encoding = encoding;
  m.tables.Build(text::SystemCodePage());
  Status s = m.file.Create(path);
  if (!s.ok()) {
    m.error = s;
    return s;
  }
  if (!m.out) m.out.reset(new char[kBlockSize]);
  m.length = 0;
  m.open = true;
  if (encoding == ScriptEncoding::kUtf16Le) {
    // The Unicode text file of the platform starts with its byte-order mark,
    // also when nothing else is ever written to it.
    m.AppendBytes("\xFF\xFE", 2);
  }
  return m.error;
}

Status ScriptWriter::WriteLine(std::string_view utf8) {
  Impl& m = *impl_;
  if (!m.open) return m.error.ok() ? Status::Errno(EBADF) : m.error;
  if (!m.error.ok()) return m.error;
  bool ascii = true;
  for (char c : utf8) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (m.encoding == ScriptEncoding::kUtf16Le) {
    if (ascii) {
      for (size_t i = 0; i < utf8.size();) {
        if (!m.Reserve(2)) break;
        size_t k = std::min(utf8.size() - i, (kBlockSize - m.length) / 2);
        char* o = m.out.get() + m.length;
        for (size_t j = 0; j < k; ++j) {
          o[2 * j] = utf8[i + j];
          o[2 * j + 1] = 0;
        }
        m.length += 2 * k;
        i += k;
      }
    } else {
      std::u16string units = text::Utf8ToUtf16(utf8);
      m.AppendUnits(units.data(), units.size());
    }
  } else if (ascii && m.tables.ascii_identity) {
    m.AppendBytes(utf8.data(), utf8.size());
  } else {
    std::string bytes = m.tables.page->Encode(utf8);
    m.AppendBytes(bytes.data(), bytes.size());
  }
  m.Newline();
  return m.error;
}

Status ScriptWriter::CopyCleanedLines(SourceFile& source) {
  Impl& m = *impl_;
  if (!m.open) return m.error.ok() ? Status::Errno(EBADF) : m.error;
  if (!m.error.ok()) return m.error;
  const Tables& t = m.tables;
  if (!t.byte_path) {
    m.CopyMultiByte(source);
    return m.error;
  }
  LineScanner<unsigned char> scan;
  const bool oracle = m.encoding == ScriptEncoding::kCodePage;
  bool ok = true;
  for (std::string_view block = source.NextBlock(); !block.empty() && ok;
       block = source.NextBlock()) {
    const auto* p = reinterpret_cast<const unsigned char*>(block.data());
    const size_t n = block.size();
    if (oracle && t.identity_fe_ff) {
      ok = m.PassThroughBlock(scan, p, n);
    } else if (oracle) {
      ok = m.ScanBlock(scan, p, n,
                       [&](const unsigned char* s, size_t k) { return m.ContentBytes(s, k); });
    } else if (t.drops_are_fe_ff) {
      ok = m.WidenThroughBlock(scan, p, n);
    } else {
      ok = m.ScanBlock(scan, p, n, [&](const unsigned char* s, size_t k) {
        return m.ContentUnitsFromBytes(s, k);
      });
    }
  }
  if (ok && scan.Finish()) m.Newline();
  return m.error;
}

Status ScriptWriter::Close() {
  Impl& m = *impl_;
  if (!m.open) return m.error.ok() ? Status::Errno(EBADF) : m.error;
  m.open = false;
  if (!m.Flush()) {
    m.file.Abort();
    return m.error;
  }
  Status s = m.file.Commit();
  if (!s.ok()) m.error = s;
  return s;
}

void ScriptWriter::Abort() {
  Impl& m = *impl_;
  m.file.Abort();
  m.open = false;
  m.length = 0;
}

// ---- LineReader -------------------------------------------------------------

struct LineReader::Impl {
  SourceFile source;
  Tables tables;
  bool opened = false;
  Status status;
  // Single-byte path: the current block of bytes.
  std::string_view block;
  const unsigned char* pos = nullptr;
  LineScanner<unsigned char> byte_scan;
  // Multi-byte path: the current decoded units.
  Converter decoder;
  std::unique_ptr<char16_t[]> units;
  size_t unit_count = 0;
  const char16_t* unit_pos = nullptr;
  bool decoder_flushed = false;
  std::string_view undecoded;  // bytes of the current block not yet decoded
  LineScanner<char16_t> unit_scan;
  // The UTF-8 form of each byte (single-byte path).
  std::array<std::array<char, 4>, 256> utf8{};
  std::array<std::uint8_t, 256> utf8_length{};

  void BuildUtf8() {
    for (int b = 0; b < 256; ++b) {
      std::string s;
      AppendUtf8(&s, tables.unit[b]);
      utf8_length[b] = static_cast<std::uint8_t>(s.size());
      std::memcpy(utf8[b].data(), s.data(), s.size());
    }
  }

  void AppendBytes(std::string* line, const unsigned char* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      const unsigned char b = p[i];
      if (b < 0x80 && tables.ascii_identity) {
        line->push_back(static_cast<char>(b));
      } else {
        line->append(utf8[b].data(), utf8_length[b]);
      }
    }
  }

  static void AppendUnits(std::string* line, const char16_t* p, size_t n, char16_t* pending_lead) {
    for (size_t i = 0; i < n; ++i) {
      char16_t u = p[i];
      if (*pending_lead) {
        if (u >= 0xDC00 && u <= 0xDFFF) {
          AppendUtf8(line, 0x10000 + ((char32_t(*pending_lead) - 0xD800) << 10) + (u - 0xDC00));
          *pending_lead = 0;
          continue;
        }
        AppendUtf8(line, 0xFFFD);
        *pending_lead = 0;
      }
      if (u >= 0xD800 && u <= 0xDBFF) {
        *pending_lead = u;
      } else if (u >= 0xDC00 && u <= 0xDFFF) {
        AppendUtf8(line, 0xFFFD);
      } else {
        AppendUtf8(line, u);
      }
    }
  }

  bool NextBytes(std::string* line) {
    for (;;) {
      const auto* end = reinterpret_cast<const unsigned char*>(block.data() + block.size());
      const unsigned char* start;
      size_t len;
      bool terminated;
      if (pos != nullptr && byte_scan.Next(end, &pos, &start, &len, &terminated)) {
        AppendBytes(line, start, len);
        if (terminated) return true;
        continue;
      }
      block = source.NextBlock();
      if (block.empty()) {
        status = source.status();
        pos = nullptr;
        return byte_scan.Finish();
      }
      const auto* p = reinterpret_cast<const unsigned char*>(block.data());
      byte_scan.Begin(p, p + block.size(), &pos);
    }
  }

  bool NextUnits(std::string* line) {
    char16_t pending_lead = 0;
    for (;;) {
      const char16_t* end = units.get() + unit_count;
      const char16_t* start;
      size_t len;
      bool terminated;
      if (unit_pos != nullptr && unit_scan.Next(end, &unit_pos, &start, &len, &terminated)) {
        AppendUnits(line, start, len, &pending_lead);
        if (terminated) {
          if (pending_lead) AppendUtf8(line, 0xFFFD);
          return true;
        }
        continue;
      }
      if (!FillUnits()) {
        if (pending_lead) AppendUtf8(line, 0xFFFD);
        return unit_scan.Finish();
      }
      unit_scan.Begin(units.get(), units.get() + unit_count, &unit_pos);
    }
  }

  // Decodes the next stretch of the source into `units`; false at the end.
  bool FillUnits() {
    static const char kNothing = 0;
    unit_count = 0;
    unit_pos = nullptr;
    while (unit_count == 0) {
      bool flush = false;
      if (undecoded.empty()) {
        if (decoder_flushed) return false;
        undecoded = source.NextBlock();
        if (undecoded.empty()) {
          status = source.status();
          decoder_flushed = flush = true;
        }
      }
      const char* src = undecoded.empty() ? &kNothing : undecoded.data();
      const char* src_end = src + undecoded.size();
      UChar* target = reinterpret_cast<UChar*>(units.get());
      UErrorCode err = U_ZERO_ERROR;
      ucnv_toUnicode(decoder.get(), &target, target + kBlockSize, &src, src_end, nullptr, flush,
                     &err);
      unit_count = static_cast<size_t>(target - reinterpret_cast<UChar*>(units.get()));
      // What did not fit stays for the next call.
      undecoded = std::string_view(src, static_cast<size_t>(src_end - src));
    }
    return true;
  }
};

LineReader::LineReader() : impl_(std::make_unique<Impl>()) {}
LineReader::~LineReader() = default;

Status LineReader::Open(const std::string& path) {
  Impl& m = *impl_;
  m.opened = false;
  m.block = {};
  m.pos = nullptr;
  m.unit_pos = nullptr;
  m.unit_count = 0;
  m.decoder_flushed = false;
  m.undecoded = {};
  m.byte_scan.Reset();
  m.unit_scan.Reset();
  m.tables.Build(text::SystemCodePage());
  if (m.tables.byte_path) {
    m.BuildUtf8();
  } else {
    if (!m.decoder.Open(m.tables.page->name())) return m.status = Status::Errno(EINVAL);
    if (!m.units) m.units.reset(new char16_t[kBlockSize]);
  }
  m.status = m.source.Open(path);
  m.opened = m.status.ok();
  return m.status;
}

bool LineReader::Next(std::string* line) {
  Impl& m = *impl_;
  line->clear();
  if (!m.opened) return false;
  bool got = m.tables.byte_path ? m.NextBytes(line) : m.NextUnits(line);
  if (!got) {
    m.opened = false;
    m.source.Close();
  }
  return got;
}

Status LineReader::status() const { return impl_->status; }

}  // namespace vkt::generate
