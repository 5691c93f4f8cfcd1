#include "generate/script_io.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "generate/code_page_tables.h"
#include "generate/line_scanner.h"
#include "text/codepage.h"

namespace vkt::generate {
namespace {

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

using internal::LineScanner;
using internal::SourceDecoder;
using internal::Tables;
using platform::Status;

struct LineReader::Impl {
  SourceFile source;
  Tables tables;
  bool opened = false;
  bool byte_path = false;  // the source's bytes are the page's: no decoder
  Status status;
  // Single-byte path: the current block of bytes.
  std::string_view block;
  const unsigned char* pos = nullptr;
  LineScanner<unsigned char> byte_scan;
  // Multi-byte path (and sources with a byte-order mark): the current decoded
  // units.
  SourceDecoder decoder;
  std::unique_ptr<char16_t[]> units;
  size_t unit_count = 0;
  const char16_t* unit_pos = nullptr;
  bool decoder_flushed = false;
  std::string_view undecoded;  // bytes of the current block not yet decoded
  LineScanner<char16_t> unit_scan;
  // NextPiece: a piece ends where its block of bytes or units ends, and
  // `line_ended` tells whether its line ended there; a lead surrogate at the
  // end of a piece waits for the next one.
  bool pieces = false;
  bool line_ended = false;
  char16_t pending_lead = 0;
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
    for (size_t i = 0; i < n;) {
      // Runs of ASCII, which reads as itself, at once.
      size_t ascii = i;
      while (tables.ascii_identity && ascii < n && p[ascii] < 0x80) ++ascii;
      line->append(reinterpret_cast<const char*>(p + i), ascii - i);
      if (ascii == n) return;
      const unsigned char b = p[ascii];
      line->append(utf8[b].data(), utf8_length[b]);
      i = ascii + 1;
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
        line_ended = terminated;
        if (terminated || pieces) return true;
        continue;
      }
      block = source.NextBlock();
      if (block.empty()) {
        status = source.status();
        pos = nullptr;
        line_ended = true;
        return byte_scan.Finish();
      }
      const auto* p = reinterpret_cast<const unsigned char*>(block.data());
      byte_scan.Begin(p, p + block.size(), &pos);
    }
  }

  bool NextUnits(std::string* line) {
    for (;;) {
      const char16_t* end = units.get() + unit_count;
      const char16_t* start;
      size_t len;
      bool terminated;
      if (unit_pos != nullptr && unit_scan.Next(end, &unit_pos, &start, &len, &terminated)) {
        AppendUnits(line, start, len, &pending_lead);
        line_ended = terminated;
        if (terminated) {
          if (pending_lead) AppendUtf8(line, 0xFFFD);
          pending_lead = 0;
          return true;
        }
        if (pieces) return true;
        continue;
      }
      if (!FillUnits()) {
        if (pending_lead) AppendUtf8(line, 0xFFFD);
        pending_lead = 0;
        line_ended = true;
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
      char16_t* target = units.get();
      decoder.Decode(&src, src_end, &target, target + kBlockSize, flush);
      unit_count = static_cast<size_t>(target - units.get());
      // What did not fit stays for the next call.
      undecoded = std::string_view(src, static_cast<size_t>(src_end - src));
    }
    return true;
  }
};

LineReader::LineReader() : impl_(std::make_unique<Impl>()) {}
LineReader::~LineReader() = default;

Status LineReader::Open(const std::string& path, const text::CodePage& page) {
  Prepare(page);
  impl_->status = impl_->source.Open(path);
  return Start();
}

Status LineReader::Open(const platform::ListedFolder& folder, std::size_t entry,
                        const text::CodePage& page) {
  Prepare(page);
  impl_->status = impl_->source.Open(folder, entry);
  return Start();
}

void LineReader::Prepare(const text::CodePage& page) {
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
  m.pending_lead = 0;
  m.tables.Build(page);
}

Status LineReader::Start() {
  Impl& m = *impl_;
  if (!m.status.ok()) return m.status;
  // A byte-order mark decides the form the source is read in.
  m.byte_path = m.tables.byte_path && !m.source.form();
  if (m.byte_path) {
    m.BuildUtf8();
  } else {
    if (!m.decoder.Open(m.source.form(), *m.tables.page)) {
      m.source.Close();
      return m.status = Status::Errno(EINVAL);
    }
    if (!m.units) m.units.reset(new char16_t[kBlockSize]);
  }
  m.opened = true;
  return m.status;
}

bool LineReader::Next(std::string* line) {
  impl_->pieces = false;
  return NextChunk(line);
}

bool LineReader::NextPiece(std::string* piece, bool* line_ended) {
  impl_->pieces = true;
  const bool got = NextChunk(piece);
  *line_ended = impl_->line_ended;
  return got;
}

bool LineReader::NextChunk(std::string* line) {
  Impl& m = *impl_;
  line->clear();
  if (!m.opened) return false;
  bool got = m.byte_path ? m.NextBytes(line) : m.NextUnits(line);
  if (!got) {
    m.opened = false;
    m.source.Close();
  }
  return got;
}

Status LineReader::status() const { return impl_->status; }

}  // namespace vkt::generate
