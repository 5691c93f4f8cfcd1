#include "config/ini.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "config/ini_internal.h"
#include "text/codepage.h"

namespace vkt::config {

using internal::Classify;
using internal::ForEachLine;
using internal::LineParts;
using internal::LookupName;
using internal::OpenToRead;
using internal::ProfileResult;
using internal::ProfileValue;
using internal::ReadRest;
using internal::ShowReadError;
using internal::TrimBlanks;

namespace {

// A change made within this time of a parse may share the tick of the
// file-system clock of the change before it, and so leave the file's stamp as
// it was: such a parse is not kept.
constexpr std::int64_t kRacyWindowNs = 100'000'000;

std::int64_t SystemNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::int64_t (*parse_clock)() = &SystemNowNs;

std::int64_t NowNs() { return parse_clock(); }

// Parses of unchanged files, shared by every instance: an installation run
// reads its file list once per object type and database kind, and a list of
// 100,000 names must not be parsed each time. A parse serves while the file
// keeps the stamp it was read with, for readers of the same code page. The
// parses are INI::Parsed, which only INI knows.
class ParseCache {
 public:
  std::shared_ptr<const void> Find(const std::string& path, const platform::FileStamp& stamp,
                                   const text::CodePage& page) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = entries_.find(path);
    if (it == entries_.end() || !(it->second.stamp == stamp) || it->second.page != page.name()) {
      return nullptr;
    }
    return it->second.parsed;
  }

  void Keep(const std::string& path, const platform::FileStamp& stamp, const text::CodePage& page,
            std::shared_ptr<const void> parsed) {
    const bool racy = NowNs() - std::max(stamp.write_ns, stamp.change_ns) < kRacyWindowNs;
    std::lock_guard<std::mutex> lock(mutex_);
    if (racy) {
      entries_.erase(path);
      return;
    }
    // A few files are read in a session; the bound only keeps memory in check.
    if (entries_.size() >= kMaxFiles && !entries_.contains(path)) entries_.clear();
    entries_[path] = {stamp, page.name(), std::move(parsed)};
  }

  void Forget(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.erase(path);
  }

 private:
  static constexpr std::size_t kMaxFiles = 8;
  struct Entry {
    platform::FileStamp stamp;
    std::string page;
    std::shared_ptr<const void> parsed;
  };
  std::mutex mutex_;
  std::unordered_map<std::string, Entry> entries_;
};

ParseCache& SharedParses() {
  static ParseCache cache;
  return cache;
}

}  // namespace

void SetParseClockForTesting(std::int64_t (*now_ns)()) {
  parse_clock = now_ns != nullptr ? now_ns : &SystemNowNs;
}

void internal::ForgetSharedParse(const std::string& path) { SharedParses().Forget(path); }

// A parse keeps the file's text once, and of each key line where its name
// and value lie in it (16 bytes a key, in file order), with an open-addressed
// table of the first line of each key (4 bytes a slot, at most two thirds
// full): a list of millions of keys costs little more than its text. Values
// are made what a read gives (ProfileResult) when they are read.
struct INI::Parsed {
  // Where a key line's name and stored value lie. `name` is in `text`, or in
  // `upper_names` (kInNames set in `name_size`) for a name whose lookup form
  // is not as written. `value` is where the stored value begins; it ends where
  // its line does, less blanks.
  struct Key {
    std::uint32_t hash = 0;  // of the lookup name
    std::uint32_t name = 0;
    std::uint32_t name_size = 0;  // with the flags below
    std::uint32_t value = 0;
  };
  static constexpr std::uint32_t kInNames = 0x80000000u;
  static constexpr std::uint32_t kRepeated = 0x40000000u;  // a read takes an earlier line
  static constexpr std::uint32_t kSizeMask = 0x3FFFFFFFu;
  // The first section of a name: its lines after the header, and its key
  // lines, `keys[key_begin, key_end)`.
  struct Section {
    std::uint32_t id = 0;  // its place among the sections, for the table
    std::size_t begin = 0, end = 0;
    int first_line = 1;  // the number of the line at `begin`
    std::size_t key_begin = 0, key_end = 0;
  };

  std::string text;         // the whole file as UTF-8
  std::string upper_names;  // lookup names that are not as written
  const text::CodePage* cut_page = &text::SystemCodePage();
  std::vector<Key> keys;
  std::unordered_map<std::string, Section> sections;  // by lookup name
  // The table: 1 + the index of the first line of a (section, key), or 0.
  std::vector<std::uint32_t> slots;
  int slot_bits = 0;

  static std::uint32_t HashOf(std::string_view upper) {
    return static_cast<std::uint32_t>(std::hash<std::string_view>()(upper));
  }
  // Where the probe for the key of hash `hash` in section `id` starts.
  std::size_t SlotOf(std::uint32_t hash, std::uint32_t id) const {
    const std::uint64_t mixed = (std::uint64_t{hash} << 32 | id) * 0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>(mixed >> (64 - slot_bits));
  }
  std::string_view NameOf(const Key& key) const {
    const std::string_view names = (key.name_size & kInNames) != 0 ? upper_names : text;
    return names.substr(key.name, key.name_size & kSizeMask);
  }
  // The slot of the key `upper` (of hash `hash`) in `section`: the one that
  // holds its first line, or the empty one where it would go.
  std::size_t Probe(const Section& section, std::string_view upper, std::uint32_t hash) const {
    const std::size_t mask = slots.size() - 1;
    for (std::size_t slot = SlotOf(hash, section.id);; slot = (slot + 1) & mask) {
      if (slots[slot] == 0) return slot;
      const std::size_t index = slots[slot] - 1;
      const Key& key = keys[index];
      if (key.hash == hash && index >= section.key_begin && index < section.key_end &&
          NameOf(key) == upper) {
        return slot;
      }
    }
  }
  // The line of `section` that a read of the key `upper` (a lookup name)
  // takes: the first of that name; null when there is none.
  const Key* Find(const Section& section, std::string_view upper) const {
    if (section.key_begin == section.key_end) return nullptr;
    const std::uint32_t slot = slots[Probe(section, upper, HashOf(upper))];
    return slot == 0 ? nullptr : &keys[slot - 1];
  }
  const Key* Find(const std::string& section_name, const std::string& key_name) const {
    const auto section = sections.find(LookupName(section_name));
    return section == sections.end() ? nullptr : Find(section->second, LookupName(key_name));
  }
  ProfileValue ValueOf(const Key& key) const {
    std::string_view stored = std::string_view(text).substr(key.value);
    stored = TrimBlanks(stored.substr(0, stored.find_first_of("\r\n")));
    return ProfileResult(stored, *cut_page);
  }
  // Adds the key line `parts` (a piece of `text`) to the section being read.
  void AddKey(const LineParts& parts) {
    Key key;
    std::string upper = LookupName(parts.name);
    key.hash = HashOf(upper);
    if (upper == parts.name) {
      key.name = static_cast<std::uint32_t>(parts.name.data() - text.data());
      key.name_size = static_cast<std::uint32_t>(upper.size());
    } else {
      key.name = static_cast<std::uint32_t>(upper_names.size());
      key.name_size = static_cast<std::uint32_t>(upper.size()) | kInNames;
      upper_names += upper;
    }
    const char* value =
        parts.has_equals ? parts.value.data() : parts.name.data() + parts.name.size();
    key.value = static_cast<std::uint32_t>(value - text.data());
    keys.push_back(key);
  }
  // Once every key is in: the table of the first line of each, and the marks
  // on the later ones.
  void Index() {
    slot_bits = 1;
    while ((std::size_t{1} << slot_bits) < keys.size() + keys.size() / 2 + 1) ++slot_bits;
    slots.assign(std::size_t{1} << slot_bits, 0);
    for (const auto& [name, section] : sections) {
      for (std::size_t i = section.key_begin; i < section.key_end; ++i) {
        std::uint32_t& slot = slots[Probe(section, NameOf(keys[i]), keys[i].hash)];
        if (slot == 0) {
          slot = static_cast<std::uint32_t>(i + 1);
        } else {
          keys[i].name_size |= kRepeated;
        }
      }
    }
  }
};

void INI::ININame(const std::string& path, const text::CodePage& page, IniReach reach) {
  ini_name_ = path;
  page_ = &page;
  reach_ = reach;
  parsed_.reset();
}

std::shared_ptr<const INI::Parsed> INI::Parse(std::string_view bytes, const text::CodePage& page) {
  auto parsed = std::make_shared<Parsed>();
  parsed->text = internal::DecodeText(bytes, page, &parsed->cut_page);
  const std::string_view text = parsed->text;
  // At most one key a line: reserved, not touched, where a file holds
  // other lines.
  parsed->keys.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
  Parsed::Section* current = nullptr;
  int number = 0;
  ForEachLine(text, [&](std::size_t begin, std::size_t end, std::size_t next) {
    ++number;
    const LineParts parts = Classify(text.substr(begin, end - begin));
    if (parts.kind == LineParts::Kind::kSection) {
      if (current) current->end = begin;
      auto [it, inserted] = parsed->sections.try_emplace(LookupName(parts.name));
      current = inserted ? &it->second : nullptr;
      if (current) {
        *current = {static_cast<std::uint32_t>(parsed->sections.size()),
                    next,
                    next,
                    number + 1,
                    parsed->keys.size(),
                    parsed->keys.size()};
      }
    } else if (parts.kind == LineParts::Kind::kKey && current != nullptr) {
      parsed->AddKey(parts);
      current->key_end = parsed->keys.size();
    }
    return true;
  });
  if (current) current->end = text.size();
  parsed->Index();
  return parsed;
}

bool INI::Load(bool show_errors) {
  if (parsed_) return true;
  read_status_ = platform::Status::Ok();
  // Between BeginWrites and CommitWrites reads see what was gathered.
  if (gathered_) {
    parsed_ = Parse(*gathered_, *page_);
    return true;
  }
  platform::Status snapshot_status;
  bool snapshot_missing = false;
  auto parse_snapshot = [](const std::string* bytes,
                           const text::CodePage& page) -> std::shared_ptr<const void> {
    return bytes ? Parse(*bytes, page) : std::make_shared<Parsed>();
  };
  if (auto shared = internal::SnapshotParse(ini_name_, *page_, parse_snapshot, &snapshot_status,
                                            &snapshot_missing)) {
    parsed_ = std::static_pointer_cast<const Parsed>(shared);
    if (snapshot_status.ok() || snapshot_missing) return true;
    // A snapshot of a file that could not be read.
    read_status_ = snapshot_status;
    if (show_errors && boxes_) ShowReadError(*boxes_, ini_name_, snapshot_status);
    return false;
  }
  std::string bytes;
  bool missing = false;
  platform::File file;
  platform::FileStamp stamp;
  platform::Status status = OpenToRead(ini_name_, reach_, &file, &missing);
  const bool stamped = status.ok() && file.Stamp(&stamp);
  if (stamped) {
    if (auto shared = SharedParses().Find(ini_name_, stamp, *page_)) {
      parsed_ = std::static_pointer_cast<const Parsed>(shared);
      return true;
    }
  }
  if (status.ok()) status = ReadRest(file, &bytes);
  if (!status.ok()) {
    if (!missing) read_status_ = status;
    if (!missing && show_errors && boxes_) ShowReadError(*boxes_, ini_name_, status);
    parsed_ = std::make_shared<Parsed>();
    return missing;
  }
  auto parsed = Parse(bytes, *page_);
  bytes = std::string();  // the text is in the parse
  if (stamped) SharedParses().Keep(ini_name_, stamp, *page_, parsed);
  parsed_ = std::move(parsed);
  return true;
}

std::string INI::ReadINISettings(const std::string& sKey) {
  IniValue value = ReadINISettings(sKey, IniValue(std::string()));
  return std::get<std::string>(value);
}

IniValue INI::ReadINISettings(const std::string& sKey, const IniValue& ValorDefault) {
  Load();
  const Parsed::Key* key = parsed_->Find(section_, sKey);
  if (key == nullptr) return ValorDefault;
  ProfileValue value = parsed_->ValueOf(*key);
  if (!value.found) return ValorDefault;
  return std::move(value.text);
}

std::size_t INI::CutValueBytes(const std::string& sKey) {
  Load();
  const Parsed::Key* key = parsed_->Find(section_, sKey);
  return key == nullptr ? 0 : parsed_->ValueOf(*key).cut_from;
}

bool INI::HasSection() {
  Load(/*show_errors=*/false);
  return parsed_->sections.contains(LookupName(section_));
}

bool INI::ForEachKeyLine(const std::function<void(const KeyLine&)>& fn) {
  Load(/*show_errors=*/false);
  const Parsed& parsed = *parsed_;
  const auto found = parsed.sections.find(LookupName(section_));
  if (found == parsed.sections.end()) return false;
  const Parsed::Section& section = found->second;
  const std::string_view body =
      std::string_view(parsed.text).substr(section.begin, section.end - section.begin);
  int number = section.first_line - 1;
  // The parse holds the section's key lines in this order.
  std::size_t next_key = section.key_begin;
  KeyLine line;
  ForEachLine(body, [&](std::size_t begin, std::size_t end, std::size_t) {
    ++number;
    const LineParts parts = Classify(body.substr(begin, end - begin));
    if (parts.kind != LineParts::Kind::kKey) return true;
    line.name.assign(parts.name);
    line.value = ProfileResult(parts.value, *parsed.cut_page).text;
    line.line = number;
    line.first = (parsed.keys[next_key++].name_size & Parsed::kRepeated) == 0;
    fn(line);
    return true;
  });
  return true;
}

}  // namespace vkt::config
