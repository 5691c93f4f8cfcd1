#include "config/ini_internal.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vkt::config::internal {
namespace {

// The content of the last line of `text`, which ends with a line end.
std::string_view LastLine(std::string_view text) {
  std::size_t end = text.size() - 1;
  if (end > 0 && text[end] == '\n' && text[end - 1] == '\r') --end;
  std::size_t prev = end == 0 ? std::string_view::npos : text.find_last_of("\r\n", end - 1);
  std::size_t start = prev == std::string_view::npos ? 0 : prev + 1;
  return text.substr(start, end - start);
}

bool IsBlankLine(std::string_view line) { return TrimBlanks(line).empty(); }

// The blanks that begin `text`.
std::string_view LeadingBlanks(std::string_view text) {
  std::size_t n = 0;
  while (n < text.size() && IsBlank(text[n])) ++n;
  return text.substr(0, n);
}

// Where an existing key line's value starts: the key as written, its "=" and
// the blanks after it are kept. A line without "=" keeps its key without the
// blanks that end it, and gets `*joiner` = "=". Offsets within `line`.
std::size_t KeptPartOfKeyLine(std::string_view line, std::string* joiner) {
  joiner->clear();
  std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) {
    std::size_t keep = line.size();
    while (keep > 0 && IsBlank(line[keep - 1])) --keep;
    *joiner = "=";
    return keep;
  }
  std::size_t keep = eq + 1;
  while (keep < line.size() && IsBlank(line[keep])) ++keep;
  return keep;
}

// Whether the header a write adds for `section`, and the key line it adds
// for `key`, are found again by those names: not so where the encoding
// lacks a character of the name ("?" is written in its place).
bool SectionFindsItself(const text::CodePage& page, const std::string& section) {
  const std::string line = page.Decode("[" + page.Encode(section) + "]");
  const LineParts parts = Classify(line);
  return parts.kind == LineParts::Kind::kSection && LookupName(parts.name) == LookupName(section);
}
bool KeyFindsItself(const text::CodePage& page, const std::string& key) {
  const std::string encoded = page.Encode(key);
  if (encoded.find('=') != std::string::npos) return false;
  const std::string line = page.Decode(encoded + "=");
  const LineParts parts = Classify(line);
  return parts.kind == LineParts::Kind::kKey && LookupName(parts.name) == LookupName(key);
}

// Where the section lies in a file: whether it is there, and where its last
// non-blank line ends (`last_end`) and the line after it begins (`last_next`).
struct SectionPlace {
  bool found = false;
  std::size_t last_end = 0, last_next = 0;
};

// Walks the lines of the first section whose lookup name is `wanted_section`
// in `text`, calling on_key(lookup name, begin, end) for each key line; the
// walk stops where on_key returns false (that line does not count as the
// section's last).
template <typename OnKey>
SectionPlace ScanSection(std::string_view text, const text::CodePage& page,
                         const std::string& wanted_section, OnKey&& on_key) {
  SectionPlace place;
  bool in_section = false;
  ForEachLine(text, [&](std::size_t begin, std::size_t end, std::size_t next) {
    std::string decoded = page.Decode(text.substr(begin, end - begin));
    LineParts parts = Classify(decoded);
    if (parts.kind == LineParts::Kind::kSection) {
      if (in_section) return false;  // only the first section of the name counts
      if (LookupName(parts.name) == wanted_section) {
        in_section = true;
        place.found = true;
        place.last_end = end;
        place.last_next = next;
      }
      return true;
    }
    if (!in_section || parts.kind == LineParts::Kind::kBlank) return true;
    if (parts.kind == LineParts::Kind::kKey && !on_key(LookupName(parts.name), begin, end)) {
      return false;
    }
    place.last_end = end;
    place.last_next = next;
    return true;
  });
  return place;
}

// Before a new section at the end of `out` (when it has any line): a line
// end where the last line lacks one (an LF where it lost its LF,
// `cut_line_end`), then a blank line.
void EndBeforeNewSection(bool cut_line_end, const std::string& eol, std::string* out) {
  if (out->empty()) return;
  if (cut_line_end) {
    *out += '\n';
  } else if (out->back() != '\n' && out->back() != '\r') {
    *out += eol;
  }
  // A blank line between the last section and the new one.
  if (!IsBlankLine(LastLine(*out))) *out += eol;
}

struct Span {
  std::size_t begin, end;
};

// Each line written: `kept` + `value` in place of text[keep, end) of an
// existing line, or a whole added line.
struct Written {
  bool added = false;
  std::size_t keep = 0, end = 0;
  std::string kept;
  std::string value;
};

// The lines `writes` make, one per key (a later write of a key replaces the
// value of the earlier one), given the section's first line of each key in
// `text`; `*added_bytes` counts what they add.
std::vector<Written> PlanWrites(std::string_view text, const text::CodePage& page,
                                const std::unordered_map<std::string, Span>& first_line,
                                const std::vector<INI::KeyValue>& writes, std::size_t eol_size,
                                std::size_t* added_bytes) {
  std::vector<Written> written;
  std::unordered_map<std::string, std::size_t> written_of_key;
  for (const INI::KeyValue& w : writes) {
    std::string lookup = LookupName(w.key);
    std::string value = page.Encode(w.value);
    *added_bytes += value.size();
    if (auto it = written_of_key.find(lookup); it != written_of_key.end()) {
      Written& line = written[it->second];
      line.kept += LeadingBlanks(line.value);
      line.value = std::move(value);
      continue;
    }
    Written line;
    if (auto it = first_line.find(lookup); it != first_line.end()) {
      line.keep = it->second.begin +
                  KeptPartOfKeyLine(
                      text.substr(it->second.begin, it->second.end - it->second.begin), &line.kept);
      line.end = it->second.end;
    } else {
      line.added = true;
      line.kept = page.Encode(w.key) + "=";
      *added_bytes += line.kept.size() + eol_size;
    }
    line.value = std::move(value);
    written_of_key.emplace(std::move(lookup), written.size());
    written.push_back(std::move(line));
  }
  return written;
}

// Appends `text` to `out` with the existing lines of `written` changed, up to
// the end of the last of them: where `text` goes on.
std::size_t ChangeExistingLines(std::string_view text, const std::vector<Written>& written,
                                std::string* out) {
  std::vector<const Written*> replaced;
  for (const Written& line : written) {
    if (!line.added) replaced.push_back(&line);
  }
  std::sort(replaced.begin(), replaced.end(),
            [](const Written* a, const Written* b) { return a->keep < b->keep; });
  std::size_t pos = 0;
  for (const Written* line : replaced) {
    out->append(text, pos, line->keep - pos);
    *out += line->kept;
    *out += line->value;
    pos = line->end;
  }
  return pos;
}

// Appends the added lines of `written` to `out`, which ends with the
// section's last line. Where that line ends the file without a line end
// (`after_line_end`), or with a CR that lost its LF (`cut_line_end`), each
// added line is put after a line end.
void AddLinesToSection(const std::vector<Written>& written, const std::string& eol,
                       bool after_line_end, bool cut_line_end, std::string* out) {
  for (const Written& line : written) {
    if (!line.added) continue;
    if (after_line_end) {
      *out += eol;
    } else if (cut_line_end) {
      *out += '\n';
      after_line_end = true;
    }
    *out += line.kept;
    *out += line.value;
    if (!after_line_end) *out += eol;
  }
}

}  // namespace

bool HasLineBreakOrNul(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool FormsKeyLine(std::string_view section, std::string_view key, std::string_view value) {
  const std::string_view name = TrimBlanks(key);
  return !HasLineBreakOrNul(section) && !HasLineBreakOrNul(key) && !HasLineBreakOrNul(value) &&
         !name.empty() && name.find('=') == std::string_view::npos && name.front() != ';' &&
         name.front() != '[';
}

std::string WithKey(std::string_view text, const text::CodePage& page, const std::string& sSection,
                    const std::string& sKey, const std::string& sValor) {
  const std::string wanted_key = LookupName(sKey);
  // New lines end as the file's lines do; CR LF in a new file.
  const std::string eol(LineEndOf(text));

  bool key_found = false;
  std::size_t key_begin = 0, key_end = 0;
  const SectionPlace section =
      ScanSection(text, page, LookupName(sSection),
                  [&](const std::string& key, std::size_t begin, std::size_t end) {
                    if (key != wanted_key) return true;
                    key_found = true;
                    key_begin = begin;
                    key_end = end;
                    return false;
                  });

  const std::string value = page.Encode(sValor);
  // A CR that ends a file whose lines end otherwise is a line end that lost
  // its LF: what is added completes it.
  const bool cut_line_end = !text.empty() && text.back() == '\r' && eol != "\r";
  std::string out;
  out.reserve(text.size() + sSection.size() + sKey.size() + value.size() + 16);
  if (key_found) {
    std::string joiner;
    const std::size_t keep =
        KeptPartOfKeyLine(text.substr(key_begin, key_end - key_begin), &joiner);
    out.append(text, 0, key_begin + keep);
    out += joiner;
    out += value;
    out.append(text, key_end, std::string::npos);
  } else {
    const std::string key_line = page.Encode(sKey) + "=" + value;
    if (section.found) {
      out.append(text, 0, section.last_next);
      if (section.last_next == section.last_end) {
        out += eol + key_line;  // the section ends the file without a line end
      } else if (section.last_next == text.size() && cut_line_end) {
        out += "\n" + key_line;
      } else {
        out += key_line + eol;
      }
      out.append(text, section.last_next, std::string::npos);
    } else {
      out = text;
      EndBeforeNewSection(cut_line_end, eol, &out);
      out += "[" + page.Encode(sSection) + "]" + eol + key_line + eol;
    }
  }
  return out;
}

std::string WithKeys(std::string_view text, const text::CodePage& page, const std::string& sSection,
                     const std::vector<INI::KeyValue>& writes) {
  // Where a name is not found again through its own encoding, the lines a
  // write adds are not the ones the next write finds: keys are then written
  // one at a time. Never so for names in ASCII.
  bool one_pass = SectionFindsItself(page, sSection);
  for (const INI::KeyValue& w : writes) one_pass = one_pass && KeyFindsItself(page, w.key);
  if (!one_pass) {
    std::string out(text);
    for (const INI::KeyValue& w : writes) out = WithKey(out, page, sSection, w.key, w.value);
    return out;
  }

  const std::string eol(LineEndOf(text));
  std::unordered_map<std::string, Span> first_line;  // the section's first line of each key
  const SectionPlace section =
      ScanSection(text, page, LookupName(sSection),
                  [&](const std::string& key, std::size_t begin, std::size_t end) {
                    first_line.try_emplace(key, Span{begin, end});
                    return true;
                  });

  std::size_t added_bytes = 0;
  const std::vector<Written> written =
      PlanWrites(text, page, first_line, writes, eol.size(), &added_bytes);
  std::string out;
  out.reserve(text.size() + added_bytes + sSection.size() + 16);
  const std::size_t pos = ChangeExistingLines(text, written, &out);
  const bool cut_line_end = !text.empty() && text.back() == '\r' && eol != "\r";
  if (section.found) {
    // Every line of the section lies before `last_next`.
    out.append(text, pos, section.last_next - pos);
    AddLinesToSection(written, eol, section.last_next == section.last_end,
                      section.last_next == text.size() && cut_line_end, &out);
    out.append(text, section.last_next, std::string::npos);
    return out;
  }
  out.append(text, pos, std::string::npos);
  if (written.empty()) return out;
  EndBeforeNewSection(cut_line_end, eol, &out);
  out += "[" + page.Encode(sSection) + "]" + eol;
  for (const Written& line : written) out += line.kept + line.value + eol;
  return out;
}

}  // namespace vkt::config::internal
