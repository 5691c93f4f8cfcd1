#include "config/ini.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>

#include "config/ini_internal.h"
#include "text/codepage.h"

namespace vkt::config {

using internal::Classify;
using internal::ForEachLine;
using internal::IniText;
using internal::LineParts;
using internal::LookupName;
using internal::OpenToRead;
using internal::ProfileResult;
using internal::ProfileValue;
using internal::ReadForReading;
using internal::ReadRest;
using internal::ShowReadError;
using internal::TakeDecoded;
using internal::Unpack;

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

struct INI::Parsed {
  // Only the first section of a name counts, and in it the first line of a key.
  std::unordered_map<std::string, std::unordered_map<std::string, ProfileValue>> sections;
};

void INI::ININame(const std::string& path, const text::CodePage& page) {
  ini_name_ = path;
  page_ = &page;
  parsed_.reset();
}

std::shared_ptr<const INI::Parsed> INI::Parse(std::string bytes, const text::CodePage& page) {
  auto parsed = std::make_shared<Parsed>();
  IniText ini = Unpack(std::move(bytes), page);
  const std::string decoded = TakeDecoded(&ini);
  std::unordered_map<std::string, ProfileValue>* current = nullptr;
  ForEachLine(decoded, [&](std::size_t begin, std::size_t end, std::size_t) {
    LineParts parts = Classify(std::string_view(decoded).substr(begin, end - begin));
    if (parts.kind == LineParts::Kind::kSection) {
      auto [it, inserted] = parsed->sections.try_emplace(LookupName(parts.name));
      current = inserted ? &it->second : nullptr;
    } else if (parts.kind == LineParts::Kind::kKey && current != nullptr) {
      std::string key = LookupName(parts.name);
      if (current->find(key) == current->end()) {
        current->emplace(std::move(key), ProfileResult(parts.value, *ini.cut_page));
      }
    }
    return true;
  });
  return parsed;
}

bool INI::Load() {
  if (parsed_) return true;
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
    ShowReadError(ini_name_, snapshot_status);
    return false;
  }
  std::string bytes;
  bool missing = false;
  platform::File file;
  platform::FileStamp stamp;
  platform::Status status = OpenToRead(ini_name_, &file, &missing);
  const bool stamped = status.ok() && file.Stamp(&stamp);
  if (stamped) {
    if (auto shared = SharedParses().Find(ini_name_, stamp, *page_)) {
      parsed_ = std::static_pointer_cast<const Parsed>(shared);
      return true;
    }
  }
  if (status.ok()) status = ReadRest(file, &bytes);
  if (!status.ok()) {
    if (!missing) ShowReadError(ini_name_, status);
    parsed_ = std::make_shared<Parsed>();
    return missing;
  }
  auto parsed = Parse(std::move(bytes), *page_);
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
  auto section = parsed_->sections.find(LookupName(section_));
  if (section == parsed_->sections.end()) return ValorDefault;
  auto key = section->second.find(LookupName(sKey));
  if (key == section->second.end() || !key->second.found) return ValorDefault;
  return key->second.text;
}

std::size_t INI::CutValueBytes(const std::string& sKey) {
  Load();
  auto section = parsed_->sections.find(LookupName(section_));
  if (section == parsed_->sections.end()) return 0;
  auto key = section->second.find(LookupName(sKey));
  return key == section->second.end() ? 0 : key->second.cut_from;
}

bool INI::SectionKeyLines(std::vector<KeyLine>* lines) const {
  lines->clear();
  std::string bytes;
  bool missing = false;
  if (!ReadForReading(ini_name_, &bytes, &missing).ok()) return false;
  IniText ini = Unpack(std::move(bytes), *page_);
  const std::string decoded = TakeDecoded(&ini);
  const std::string wanted = LookupName(section_);
  bool in_section = false;
  bool found = false;
  int number = 0;
  ForEachLine(decoded, [&](std::size_t begin, std::size_t end, std::size_t) {
    ++number;
    LineParts parts = Classify(std::string_view(decoded).substr(begin, end - begin));
    if (parts.kind == LineParts::Kind::kSection) {
      if (in_section) return false;  // only the first section of the name counts
      in_section = LookupName(parts.name) == wanted;
      found = found || in_section;
    } else if (parts.kind == LineParts::Kind::kKey && in_section) {
      lines->push_back(
          {std::string(parts.name), ProfileResult(parts.value, *ini.cut_page).text, number});
    }
    return true;
  });
  return found;
}

}  // namespace vkt::config
