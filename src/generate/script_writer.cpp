#include "generate/script_io.h"

#include <unicode/ucnv.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "generate/code_page_tables.h"
#include "generate/line_scanner.h"
#include "text/codepage.h"

namespace vkt::generate {

using internal::Converter;
using internal::DecodeBlock;
using internal::FindStop;
using internal::LineScanner;
using internal::Tables;
using platform::Status;

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

}  // namespace vkt::generate
