// Listings as both platforms give them: NTFS order, the cache of listings,
// wildcard matching, and what ListedFolder answers from its listing.
#include <algorithm>
#include <chrono>
#include <mutex>
#include <unordered_map>

#include "fs/platform/file_system.h"
#include "fs/platform/platform_internal.h"
#include "text/codepage.h"
#include "text/letter_case.h"

namespace vkt::platform {

using detail::Listing;

namespace internal {

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// UTF-8 bytes order texts by code point, which agrees with UTF-16 except
// where a character above U+FFFF (a surrogate pair, D800-DBFF) meets one in
// U+E000-U+FFFF at the first difference; only that case is turned round. The
// texts agree up to the first differing byte, so it is either a lead byte on
// both sides or on neither.
int CompareUtf16(std::string_view a, std::string_view b) {
  const size_t common = std::min(a.size(), b.size());
  size_t i = 0;
  while (i < common && a[i] == b[i]) ++i;
  if (i == common) return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
  const auto ca = static_cast<unsigned char>(a[i]);
  const auto cb = static_cast<unsigned char>(b[i]);
  const bool a_pair = ca >= 0xF0, b_pair = cb >= 0xF0;
  const bool a_high = ca == 0xEE || ca == 0xEF, b_high = cb == 0xEE || cb == 0xEF;
  if ((a_pair && b_high) || (a_high && b_pair)) return a_pair ? -1 : 1;
  return ca < cb ? -1 : 1;
}

std::shared_ptr<Listing> BuildListing(std::vector<Entry> raw, std::vector<std::string> on_disk) {
  auto listing = std::make_shared<Listing>();
  listing->loaded_ns = NowNs();
  // NTFS order: upper-cased names compared ordinally by their UTF-16 code
  // units, ties by the names themselves.
  struct SortKey {
    std::string upper;
    size_t index;
  };
  std::vector<SortKey> keys(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) keys[i] = {text::UpperCase(raw[i].name), i};
  std::sort(keys.begin(), keys.end(), [&](const SortKey& a, const SortKey& b) {
    int order = CompareUtf16(a.upper, b.upper);
    return order != 0 ? order < 0 : CompareUtf16(raw[a.index].name, raw[b.index].name) < 0;
  });
  listing->entries.reserve(raw.size());
  listing->upper.reserve(raw.size());
  listing->first_by_upper.reserve(raw.size());
  if (!on_disk.empty()) {
    on_disk.resize(raw.size());
    listing->on_disk.reserve(raw.size());
  }
  for (auto& k : keys) {
    listing->first_by_upper.emplace(k.upper, listing->entries.size());
    listing->entries.push_back(std::move(raw[k.index]));
    listing->upper.push_back(std::move(k.upper));
    if (!on_disk.empty()) listing->on_disk.push_back(std::move(on_disk[k.index]));
  }
  return listing;
}

// ---- the cache ----------------------------------------------------------------

std::mutex& CacheMutex() {
  static std::mutex m;
  return m;
}

namespace {

std::unordered_map<std::string, std::shared_ptr<const Listing>>& Cache() {
  static std::unordered_map<std::string, std::shared_ptr<const Listing>> cache;
  return cache;
}

}  // namespace

std::shared_ptr<const Listing> CachedListing(const std::string& folder,
                                             const FileIdentity& identity, std::int64_t write_ns) {
  std::lock_guard<std::mutex> lock(CacheMutex());
  auto it = Cache().find(folder);
  if (it == Cache().end()) return nullptr;
  const Listing& l = *it->second;
  const bool same = l.identity == identity && l.write_ns == write_ns;
  const bool racy = l.loaded_ns - l.write_ns < kRacyWindowNs;
  return same && !racy ? it->second : nullptr;
}

void StoreListing(const std::string& folder, std::shared_ptr<const Listing> listing) {
  std::lock_guard<std::mutex> lock(CacheMutex());
  Cache()[folder] = std::move(listing);
}

void ForgetCachedListings(const std::string& folder, const std::string& parent) {
  std::lock_guard<std::mutex> lock(CacheMutex());
  Cache().erase(parent);
  Cache().erase(folder);
}

void ForgetAllCachedListings() {
  std::lock_guard<std::mutex> lock(CacheMutex());
  Cache().clear();
}

// ---- wildcards ------------------------------------------------------------------

bool ContainsWildcard(std::string_view s) {
  return s.find_first_of("*?") != std::string_view::npos;
}

namespace {

std::u32string ToUpperCodePoints(std::string_view utf8) {
  std::u16string units = text::Utf8ToUtf16(text::UpperCase(utf8));
  std::u32string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    }
    out.push_back(c);
  }
  return out;
}

template <typename Text>
bool WildcardMatch(const Text& name, const Text& pattern) {
  size_t n = 0, p = 0, star = Text::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != Text::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

PatternMatcher::PatternMatcher(std::string_view pattern)
    : every_(pattern == "*" || pattern == "*.*"),
      pattern_(every_ ? std::u32string() : ToUpperCodePoints(pattern)),
      ascii_pattern_(every_ || !IsAscii(pattern) ? std::string() : text::UpperCase(pattern)),
      ascii_suffix_(ascii_pattern_.size() > 1 && ascii_pattern_.front() == '*' &&
                    !ContainsWildcard(std::string_view(ascii_pattern_).substr(1))) {}

bool PatternMatcher::operator()(const std::string& upper) const {
  if (every_) return true;
  // "*.EXT", the common search, is an ending.
  if (ascii_suffix_ && IsAscii(upper)) {
    return upper.size() + 1 >= ascii_pattern_.size() &&
           upper.compare(upper.size() + 1 - ascii_pattern_.size(), std::string::npos,
                         ascii_pattern_, 1) == 0;
  }
  // Upper-cased ASCII names match an ASCII pattern byte by byte; only other
  // names need code points (a folder may hold 100,000 of them).
  if (!ascii_pattern_.empty() && IsAscii(upper)) return WildcardMatch(upper, ascii_pattern_);
  return WildcardMatch(ToUpperCodePoints(upper), pattern_);
}

std::vector<Entry> MatchingEntries(const detail::Listing& listing, std::string_view pattern,
                                   bool with_dots) {
  std::vector<Entry> out;
  const PatternMatcher matches(pattern);
  if (with_dots) {
    if (matches(".")) out.push_back({".", true});
    if (matches("..")) out.push_back({"..", true});
  }
  for (size_t i = 0; i < listing.entries.size(); ++i) {
    if (matches(listing.upper[i])) out.push_back(listing.entries[i]);
  }
  return out;
}

}  // namespace internal

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  if (pattern == "*.*" || pattern == "*") return true;
  return internal::WildcardMatch(internal::ToUpperCodePoints(name),
                                 internal::ToUpperCodePoints(pattern));
}

// ---- ListedFolder: what its listing answers ------------------------------------

std::size_t ListedFolder::size() const { return listing_ ? listing_->entries.size() : 0; }

const Entry& ListedFolder::entry(std::size_t i) const { return listing_->entries[i]; }

const std::string& ListedFolder::upper(std::size_t i) const { return listing_->upper[i]; }

std::size_t ListedFolder::FindUpper(const std::string& upper_name) const {
  if (!listing_) return kNone;
  auto it = listing_->first_by_upper.find(upper_name);
  return it == listing_->first_by_upper.end() ? kNone : it->second;
}

std::size_t ListedFolder::Find(std::string_view name, const std::string& upper_name) const {
  const std::size_t first = FindUpper(upper_name);
  if (first == kNone) return kNone;
  for (std::size_t i = first; i < size() && listing_->upper[i] == upper_name; ++i) {
    if (listing_->entries[i].name == name) return i;
  }
  return first;
}

std::vector<std::size_t> ListedFolder::Matching(std::string_view pattern) const {
  std::vector<std::size_t> out;
  if (!listing_) return out;
  const internal::PatternMatcher matches(pattern);
  for (std::size_t i = 0; i < listing_->entries.size(); ++i) {
    if (matches(listing_->upper[i])) out.push_back(i);
  }
  return out;
}

}  // namespace vkt::platform
