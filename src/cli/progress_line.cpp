#include "cli/progress_line.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "text/control_escapes.h"
#include "text/utf8.h"

namespace vkt::cli {
namespace {

constexpr std::string_view kEllipsis = "...";

// Whether a terminal shows `c` two columns wide (East Asian Wide and
// Fullwidth, and the emoji blocks).
bool IsWide(std::int32_t c) {
  struct Range {
    std::int32_t first, last;
  };
  static constexpr Range kWide[] = {
      {0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},
      {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},
      {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F},
      {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
  };
  for (const Range& range : kWide) {
    if (c >= range.first && c <= range.last) return true;
  }
  return false;
}

// A character of a line (or a piece of ill-formed UTF-8) and its columns.
struct Glyph {
  std::string_view bytes;
  int columns;
};

std::vector<Glyph> Glyphs(std::string_view text) {
  std::vector<Glyph> glyphs;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t start = at;
    const std::int32_t c = text::NextUtf8(text, &at);
    glyphs.push_back({text.substr(start, at - start), IsWide(c) ? 2 : 1});
  }
  return glyphs;
}

// The bytes of the first glyphs of `text` that fit in `room` columns.
std::string_view Front(std::string_view text, int room) {
  std::size_t size = 0;
  for (const Glyph& glyph : Glyphs(text)) {
    if (glyph.columns > room) break;
    room -= glyph.columns;
    size += glyph.bytes.size();
  }
  return text.substr(0, size);
}

// The bytes of the last glyphs of `text` that fit in `room` columns.
std::string_view Back(std::string_view text, int room) {
  const std::vector<Glyph> glyphs = Glyphs(text);
  std::size_t size = 0;
  for (auto glyph = glyphs.rbegin(); glyph != glyphs.rend(); ++glyph) {
    if (glyph->columns > room) break;
    room -= glyph->columns;
    size += glyph->bytes.size();
  }
  return text.substr(text.size() - size);
}

// `path` in at most `room` columns, cut in its middle; "" when not even
// the ellipsis fits. The end, which names the script, gets the odd column.
std::string Shortened(std::string_view path, int room) {
  if (TextColumns(path) <= room) return std::string(path);
  const int kept = room - static_cast<int>(kEllipsis.size());
  if (kept < 0) return {};
  return std::string(Front(path, kept / 2)) + std::string(kEllipsis) +
         std::string(Back(path, kept - kept / 2));
}

}  // namespace

int TextColumns(std::string_view text) {
  int columns = 0;
  for (const Glyph& glyph : Glyphs(text)) columns += glyph.columns;
  return columns;
}

std::string ProgressLine(const ScriptProgress& progress, int columns) {
  const int room = (columns > 0 ? columns : kAssumedColumns) - 1;
  const std::string head = text::EscapeControls(
      std::string(progress.object_type) + " " + std::string(progress.database) + " " +
      std::to_string(progress.done) + "/" + std::to_string(progress.total));
  const int head_columns = TextColumns(head);
  if (head_columns >= room) return std::string(Front(head, room));
  const std::string path =
      Shortened(text::EscapeControls(progress.script), room - head_columns - 1);
  return path.empty() ? head : head + " " + path;
}

}  // namespace vkt::cli
