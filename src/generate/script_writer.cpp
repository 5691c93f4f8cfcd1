#include "generate/script_io.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>

#include "generate/code_page_tables.h"
#include "generate/line_scanner.h"
#include "text/codepage.h"

namespace vkt::generate {

using internal::DecodeBlock;
using internal::FindStop;
using internal::LineScanner;
using internal::SourceDecoder;
using internal::Tables;
using platform::Status;

namespace {

// The output encodings: a new one is a new ScriptEncoding and a row here.
const struct {
  ScriptEncoding name;
  OutputEncoding row;
} kEncodings[] = {
    // The Unicode text file of the platform starts with its byte-order mark,
    // also when nothing else is ever written to it.
    {ScriptEncoding::kUtf16Le,
     {.byte_order_mark = "\xFF\xFE", .unit_bytes = 2, .big_endian = false, .line_end = u"\r\n"}},
    {ScriptEncoding::kCodePage,
     {.byte_order_mark = "", .unit_bytes = 1, .big_endian = false, .line_end = u"\r\n"}},
};

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Stores `u` at `o` as two bytes in the order `kBigEndian` gives.
template <bool kBigEndian>
inline void StoreUnit(char* o, char16_t u) {
  o[kBigEndian ? 1 : 0] = static_cast<char>(u & 0xFF);
  o[kBigEndian ? 0 : 1] = static_cast<char>(u >> 8);
}

}  // namespace

const OutputEncoding& EncodingOf(ScriptEncoding encoding) {
  const auto* row = std::find_if(std::begin(kEncodings), std::end(kEncodings),
                                 [&](const auto& r) { return r.name == encoding; });
  return row->row;
}

struct ScriptWriter::Impl {
  platform::AtomicFile file;
  bool open = false;
  bool discard = false;  // CreateDiscarding: nothing reaches a file
  Status error;          // sticky
  std::unique_ptr<char[]> out;
  size_t length = 0;
  Tables tables;
  // The encoding, taken apart at Create.
  bool wide = false;        // two-byte units, else the code page's bytes
  bool big_endian = false;  // of a two-byte unit
  std::string line_end;     // its bytes
  // The same, zero-padded to four bytes for AppendShort (a line end of more
  // than four bytes goes through AppendBytes).
  std::array<char, 4> line_end_word{};
  // The line end is CR LF: a source's CR LF pairs are copied as they are,
  // and a lone CR is completed by the `lf_size` bytes of an LF in `lf_word`.
  bool crlf = false;
  std::array<char, 4> lf_word{};
  size_t lf_size = 0;
  // Two-byte units: the unit each source byte reads as, stored in the
  // encoding's byte order (single-byte code pages).
  std::array<std::uint16_t, 256> unit_out{};
  // Multi-byte path only.
  SourceDecoder decoder;
  text::StreamConverter encoder;
  std::unique_ptr<char16_t[]> units;
  std::unique_ptr<char16_t[]> cleaned;
  // Characters of the copy that the code page lacks: looked for while
  // `tracking`, the first one kept in `missing`; `line` is the source line
  // the copy is at.
  bool tracking = false;
  MissingCharacter missing;
  std::uint64_t line = 1;

  bool Flush() {
    if (!error.ok()) return false;
    if (discard) {
      length = 0;
      return true;
    }
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

  // `n` <= 4 bytes, zero-padded to four in `word`: one store of four bytes
  // where the buffer has room for them, then `n` of them count. Line ends
  // go this way, one per line.
  bool AppendShort(const std::array<char, 4>& word, size_t n) {
    if (kBlockSize - length < word.size()) return AppendBytes(word.data(), n);
    std::memcpy(out.get() + length, word.data(), word.size());
    length += n;
    return error.ok();
  }

  // Two-byte units, in the encoding's byte order.
  bool AppendUnits(const char16_t* p, size_t n) {
    return big_endian ? AppendUnitsAs<true>(p, n) : AppendUnitsAs<false>(p, n);
  }

  template <bool kBigEndian>
  bool AppendUnitsAs(const char16_t* p, size_t n) {
    while (n > 0) {
      if (!Reserve(2)) return false;
      size_t k = std::min(n, (kBlockSize - length) / 2);
      char* o = out.get() + length;
      for (size_t i = 0; i < k; ++i) StoreUnit<kBigEndian>(o + 2 * i, p[i]);
      length += 2 * k;
      p += k;
      n -= k;
    }
    return error.ok();
  }

  // ASCII text as two-byte units, by zero extension.
  bool AppendAsciiUnits(std::string_view ascii) {
    return big_endian ? AppendAsciiUnitsAs<true>(ascii) : AppendAsciiUnitsAs<false>(ascii);
  }

  template <bool kBigEndian>
  bool AppendAsciiUnitsAs(std::string_view ascii) {
    constexpr size_t low = kBigEndian ? 1 : 0;
    for (size_t i = 0; i < ascii.size();) {
      if (!Reserve(2)) return false;
      size_t k = std::min(ascii.size() - i, (kBlockSize - length) / 2);
      char* o = out.get() + length;
      for (size_t j = 0; j < k; ++j) {
        o[2 * j + low] = ascii[i + j];
        o[2 * j + (1 - low)] = 0;
      }
      length += 2 * k;
      i += k;
    }
    return error.ok();
  }

  bool Newline() {
    return line_end.size() <= line_end_word.size() ? AppendShort(line_end_word, line_end.size())
                                                   : AppendBytes(line_end.data(), line_end.size());
  }

  // Takes `encoding` apart for the paths below; false for a row that is none.
  bool Configure(const OutputEncoding& encoding) {
    if (encoding.unit_bytes != 1 && encoding.unit_bytes != 2) return false;
    wide = encoding.unit_bytes == 2;
    big_endian = encoding.big_endian;
    line_end.clear();
    for (char16_t u : encoding.line_end) {
      if (!wide && u > 0xFF) return false;
      if (wide) {
        char unit[2];
        big_endian ? StoreUnit<true>(unit, u) : StoreUnit<false>(unit, u);
        line_end.append(unit, 2);
      } else {
        line_end.push_back(static_cast<char>(u));
      }
    }
    line_end_word = {};
    line_end.copy(line_end_word.data(), line_end_word.size());
    crlf = encoding.line_end == u"\r\n";
    lf_word = {};
    lf_size = crlf ? line_end.size() / 2 : 0;
    line_end.copy(lf_word.data(), lf_size, lf_size);
    if (wide && tables.byte_path) {
      for (int b = 0; b < 256; ++b) {
        char unit[2];
        big_endian ? StoreUnit<true>(unit, tables.unit[b]) : StoreUnit<false>(unit, tables.unit[b]);
        std::memcpy(&unit_out[b], unit, 2);
      }
    }
    return true;
  }

  // ---- single-byte paths ----

  // Code page to code page, byte to byte: bytes read as U+00FE/U+00FF are
  // dropped.
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

  // Byte to two-byte unit.
  bool ContentUnitsFromBytes(const unsigned char* p, size_t n) {
    while (n > 0) {
      if (!Reserve(2)) return false;
      size_t k = std::min(n, (kBlockSize - length) / 2);
      char* o = out.get() + length;
      size_t w = 0;
      for (size_t i = 0; i < k; ++i) {
        std::memcpy(o + w, &unit_out[p[i]], 2);
        w += size_t{2} * tables.keep[p[i]];
      }
      length += w;
      p += k;
      n -= k;
    }
    return error.ok();
  }

  // Byte to two-byte unit, for a block known to hold nothing to drop.
  template <bool kBigEndian>
  bool ContentUnitsFromBytesNoDrop(const unsigned char* p, size_t n) {
    while (n > 0) {
      if (!Reserve(2)) return false;
      size_t k = std::min(n, (kBlockSize - length) / 2);
      char* o = out.get() + length;
      size_t i = 0;
#if defined(__SSE2__)
      i = WidenSixteenAtATime<kBigEndian>(p, k, o);
#endif
      for (; i < k; ++i) std::memcpy(o + 2 * i, &unit_out[p[i]], 2);
      length += 2 * k;
      p += k;
      n -= k;
    }
    return error.ok();
  }

#if defined(__SSE2__)
  // The first bytes of the `k` at `p` as two-byte units at `o`, sixteen at a
  // time: how many it wrote (a multiple of sixteen), the rest left to the
  // caller.
  template <bool kBigEndian>
  size_t WidenSixteenAtATime(const unsigned char* p, size_t k, char* o) {
    size_t i = 0;
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
          for (size_t j = i; j < i + 16; ++j) std::memcpy(o + 2 * j, &unit_out[p[j]], 2);
          continue;
        }
        // Each byte beside a zero, after it or before it.
        const __m128i low =
            kBigEndian ? _mm_unpacklo_epi8(zero, bytes) : _mm_unpacklo_epi8(bytes, zero);
        const __m128i high =
            kBigEndian ? _mm_unpackhi_epi8(zero, bytes) : _mm_unpackhi_epi8(bytes, zero);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 2 * i), low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 2 * i + 16), high);
      }
    }
    return i;
  }
#endif

  // The code page's bytes under a code page that copies bytes as they are:
  // only lone CRs need an LF, so CR LF files go out in runs as long as the
  // block. Writes `n` bytes that need no change; long runs go to the file
  // straight from the source block instead of through the buffer.
  bool AppendRun(const char* p, size_t n) {
    if (n < kBlockSize / 4 || discard) return AppendBytes(p, n);
    if (!Flush()) return false;
    Status s = file.Write(p, n);
    if (!s.ok()) error = s;
    return error.ok();
  }

  // A block under a page where only the bytes 0xFE and 0xFF are dropped,
  // written with CR LF line ends: its CR LF pairs and lone LFs stay as they
  // are, so whole runs between lone CRs are written at once by `run` (bytes,
  // or widened units) and a lone CR gets its LF. From a line with a byte to
  // drop on, the rest of the block goes line by line through `content`.
  template <typename Run, typename Content>
  bool ThroughBlock(LineScanner<unsigned char>& scan, const unsigned char* p, size_t n, Run&& run,
                    Content&& content) {
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
      if (!run(start, static_cast<size_t>(stop + 1 - start)) || !AppendShort(lf_word, lf_size)) {
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
        [this](const unsigned char* s, size_t k) { return ContentBytes(s, k); });
  }

  template <bool kBigEndian>
  bool WidenThroughBlock(LineScanner<unsigned char>& scan, const unsigned char* p, size_t n) {
    return ThroughBlock(
        scan, p, n,
        [this](const unsigned char* s, size_t k) {
          return ContentUnitsFromBytesNoDrop<kBigEndian>(s, k);
        },
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
      if (terminated) {
        ++line;
        if (!Newline()) return false;
      }
    }
    return true;
  }

  // ---- characters the code page lacks ----

  void Miss(char32_t c, std::uint64_t at_line) {
    missing = {c, at_line};
    tracking = false;
  }

  // Source bytes of a single-byte page, as they are copied: the first byte
  // the page leaves unassigned, and the line feeds that count the lines.
  void TrackBytes(const unsigned char* p, size_t n) {
    std::uint64_t at = line;
    for (size_t i = 0; i < n; ++i) {
      if (tables.unassigned[p[i]]) return Miss(tables.unit[p[i]], at);
      at += p[i] == '\n' ? 1 : 0;
    }
    line = at;
  }

  // Units copied through the encoder: the first character it wrote as "?",
  // looked for among them (it may have been held back from the units before).
  void TrackEncoded(const char16_t* p, size_t n) {
    const char32_t c = encoder.missing();
    const char16_t* end = p + n;
    const char16_t* at = end;
    if (c != 0) {
      const auto first = static_cast<char16_t>(c < 0x10000 ? c : 0xD7C0 + (c >> 10));
      at = std::find(p, end, first);
      if (at == end) at = p;
    }
    line += static_cast<std::uint64_t>(std::count(p, at, u'\n'));
    if (c != 0) Miss(c, line);
  }

  // ---- multi-byte path ----

  bool ContentUnits(const char16_t* p, size_t n) {
    // Drop U+00FE / U+00FF, then write as units or encode.
    while (n > 0) {
      size_t k = std::min(n, kBlockSize);
      size_t w = 0;
      for (size_t i = 0; i < k; ++i) {
        cleaned[w] = p[i];
        w += (p[i] != 0xFE && p[i] != 0xFF) ? 1 : 0;
      }
      if (wide) {
        if (!AppendUnits(cleaned.get(), w)) return false;
      } else if (tables.byte_path) {
        if (!EncodeByTable(cleaned.get(), w)) return false;
      } else {
        if (!EncodeUnits(cleaned.get(), w, false)) return false;
        if (tracking) TrackEncoded(cleaned.get(), w);
      }
      p += k;
      n -= k;
    }
    return true;
  }

  // Units of a source with a byte-order mark in a single-byte page (one with
  // the byte path), through its table: "?" for a character it lacks, one
  // for a surrogate pair.
  bool EncodeByTable(const char16_t* p, size_t n) {
    const text::CodePage& page = *tables.page;
    size_t i = 0;
    while (i < n) {
      if (!Reserve(1)) return false;
      char* o = out.get();
      for (; i < n && length < kBlockSize; ++i) {
        const char16_t u = p[i];
        int byte = page.Byte(u);
        if (byte < 0) {
          char32_t c = u;
          if (IsHighSurrogate(u) && i + 1 < n && IsLowSurrogate(p[i + 1])) {
            c = 0x10000 + ((char32_t{u} - 0xD800) << 10) + (p[++i] - 0xDC00);
          }
          if (tracking) Miss(c, line);
          byte = '?';
        } else if (u == u'\n' && tracking) {
          ++line;
        }
        o[length++] = static_cast<char>(byte);
      }
    }
    return error.ok();
  }

  bool EncodeUnits(const char16_t* p, size_t n, bool flush) {
    static const char16_t kNothing = 0;
    const char16_t* src = n > 0 ? p : &kNothing;
    const char16_t* src_end = src + n;
    for (;;) {
      if (!Reserve(64)) return false;
      char* target = out.get() + length;
      const text::StreamConverter::Step step =
          encoder.Encode(&src, src_end, &target, out.get() + kBlockSize, flush);
      length = static_cast<size_t>(target - out.get());
      if (step == text::StreamConverter::Step::kFull) {
        if (!Flush()) return false;
        continue;
      }
      if (step == text::StreamConverter::Step::kFailed) {
        error = Status::Errno(EILSEQ);
        return false;
      }
      return true;
    }
  }

  // Sources in a multi-byte page, and sources with a byte-order mark.
  bool CopyMultiByte(SourceFile& source) {
    if (!decoder.Open(source.form(), *tables.page)) {
      error = Status::Errno(EINVAL);
      return false;
    }
    if (!wide && !tables.byte_path && !encoder.Open(*tables.page)) {
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
      DecodeBlock(decoder, block, false, units.get(), kBlockSize, sink);
    }
    if (ok) DecodeBlock(decoder, {}, true, units.get(), kBlockSize, sink);
    if (ok && scan.Finish()) ok = Newline();
    if (ok && !wide && !tables.byte_path) {
      ok = EncodeUnits(nullptr, 0, true);
      if (tracking && encoder.missing() != 0) Miss(encoder.missing(), line);
    }
    return ok;
  }
};

ScriptWriter::ScriptWriter() : impl_(std::make_unique<Impl>()) {}
ScriptWriter::~ScriptWriter() = default;

Status ScriptWriter::Create(const std::string& path, ScriptEncoding encoding,
                            const text::CodePage& page) {
  return Create(path, EncodingOf(encoding), page);
}

Status ScriptWriter::Create(const std::string& path, const OutputEncoding& encoding,
                            const text::CodePage& page) {
  Impl& m = *impl_;
  Abort();
  m.error = Status::Ok();
  m.tables.Build(page);
  if (!m.Configure(encoding)) {
    m.error = Status::Errno(EINVAL);
    return m.error;
  }
  m.discard = false;
  Status s = m.file.Create(path);
  if (!s.ok()) {
    m.error = s;
    return s;
  }
  if (!m.out) m.out.reset(new char[kBlockSize]);
  m.length = 0;
  m.open = true;
  m.AppendBytes(encoding.byte_order_mark.data(), encoding.byte_order_mark.size());
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
  if (m.wide) {
    if (ascii) {
      m.AppendAsciiUnits(utf8);
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
  m.missing = {};
  m.line = 1;
  m.tracking = MayMiss(source);
  if (!t.byte_path || source.form()) {
    m.CopyMultiByte(source);
    return m.error;
  }
  // The fastest way the code page and the encoding allow, chosen once.
  enum class Path { kPassThrough, kBytes, kWidenThroughLe, kWidenThroughBe, kUnits };
  Path path;
  if (!m.wide) {
    path = m.crlf && t.identity_fe_ff ? Path::kPassThrough : Path::kBytes;
  } else if (m.crlf && t.drops_are_fe_ff) {
    path = m.big_endian ? Path::kWidenThroughBe : Path::kWidenThroughLe;
  } else {
    path = Path::kUnits;
  }
  LineScanner<unsigned char> scan;
  bool ok = true;
  for (std::string_view block = source.NextBlock(); !block.empty() && ok;
       block = source.NextBlock()) {
    const auto* p = reinterpret_cast<const unsigned char*>(block.data());
    const size_t n = block.size();
    switch (path) {
      case Path::kPassThrough:
        ok = m.PassThroughBlock(scan, p, n);
        break;
      case Path::kBytes:
        ok = m.ScanBlock(scan, p, n, [&](const unsigned char* s, size_t k) {
          if (m.tracking) m.TrackBytes(s, k);
          return m.ContentBytes(s, k);
        });
        break;
      case Path::kWidenThroughLe:
        ok = m.WidenThroughBlock<false>(scan, p, n);
        break;
      case Path::kWidenThroughBe:
        ok = m.WidenThroughBlock<true>(scan, p, n);
        break;
      case Path::kUnits:
        ok = m.ScanBlock(scan, p, n, [&](const unsigned char* s, size_t k) {
          return m.ContentUnitsFromBytes(s, k);
        });
        break;
    }
  }
  if (ok && scan.Finish()) m.Newline();
  return m.error;
}

MissingCharacter ScriptWriter::missing() const { return impl_->missing; }

bool ScriptWriter::MayMiss(const SourceFile& source) const {
  const Impl& m = *impl_;
  if (m.wide || m.tables.page == nullptr || m.tables.page->utf8()) return false;
  return source.form().has_value() || !m.tables.byte_path || m.tables.any_unassigned;
}

void ScriptWriter::CreateDiscarding(ScriptEncoding encoding, const text::CodePage& page) {
  Impl& m = *impl_;
  Abort();
  m.error = Status::Ok();
  m.tables.Build(page);
  m.Configure(EncodingOf(encoding));
  if (!m.out) m.out.reset(new char[kBlockSize]);
  m.length = 0;
  m.discard = true;
  m.open = true;
}

Status ScriptWriter::Close() {
  Impl& m = *impl_;
  if (!m.open) return m.error.ok() ? Status::Errno(EBADF) : m.error;
  m.open = false;
  if (m.discard) {
    m.length = 0;
    return m.error;
  }
  if (!m.Flush()) {
    m.file.Abort();
    return m.error;
  }
  Status s = m.file.Commit();
  if (!s.ok()) m.error = s;
  return s;
}

const std::string& ScriptWriter::ReplacedOtherOwner() const {
  return impl_->file.replaced_other_owner();
}

void ScriptWriter::Abort() {
  Impl& m = *impl_;
  m.file.Abort();
  m.open = false;
  m.length = 0;
}

}  // namespace vkt::generate
