// What the POSIX and the Windows platform layers share without calling the
// system: the fault seam's counting, listings in NTFS order and their cache,
// wildcard matching, temporary names and the words of a Status. Not for use
// outside src/fs/platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "fs/platform/call_count.h"
#include "fs/platform/file_system.h"

namespace vkt::platform {

// One folder's listing.
struct detail::Listing {
  std::vector<Entry> entries;      // in listing order, without "." and ".."; names as shown
  std::vector<std::string> upper;  // upper-cased names, same order
  // The names on disk where they differ from the shown ones (POSIX: not
  // UTF-8), same order, "" where they do not; empty when no name differs.
  std::vector<std::string> on_disk;
  std::unordered_map<std::string, std::size_t> first_by_upper;
  // Windows: the system listed "." and ".." (the folder is no root).
  bool dots = false;
  // The folder as the listing saw it, which tells whether it still holds.
  FileIdentity identity;
  std::int64_t write_ns = 0;
  std::int64_t loaded_ns = 0;
};

namespace internal {

using detail::Listing;

// ---- the fault seam --------------------------------------------------------

// 0 when the call of `kind` goes on to the system; else the portable error
// (E*) it must fail with. A test that acts at this point (ArmAction) does so
// before the call.
int InjectedError(FaultKind kind);

// ---- errors ---------------------------------------------------------------

// The program's own words for the k* codes of file_system.h; null for others.
const char* OwnErrorText(int code);
// The system's words for its error `native` (or, where that is 0, for the
// portable number `code`). One per platform.
std::string SystemErrorText(int native, int code);

// ---- listings ---------------------------------------------------------------

std::int64_t NowNs();

// Compares two UTF-8 texts by their UTF-16 code units: <0, 0 or >0.
int CompareUtf16(std::string_view a, std::string_view b);

// A listing of `raw` entries (in the order the system gave them) in NTFS
// order; `on_disk` by index into `raw` where names on disk differ from the
// shown ones (may be shorter than `raw`, or empty).
std::shared_ptr<Listing> BuildListing(std::vector<Entry> raw, std::vector<std::string> on_disk);

// A folder changed less than this before its listing was read may change
// again within the same tick of the file-system clock, unseen by its write
// time: such a listing is read again on every use.
inline constexpr std::int64_t kRacyWindowNs = 100'000'000;

// The cache of listings, by the folder's path in the system's form. Guarded
// by CacheMutex(), which the platform's own caches may share.
std::mutex& CacheMutex();
// The cached listing of `folder` while the folder is still as it was
// (`identity`, `write_ns`) and was not changed within kRacyWindowNs of the
// reading; else null. Takes the lock itself.
std::shared_ptr<const Listing> CachedListing(const std::string& folder,
                                             const FileIdentity& identity, std::int64_t write_ns);
void StoreListing(const std::string& folder, std::shared_ptr<const Listing> listing);
// Drops the cached listings of `folder` and `parent`, or every one. Take the
// lock themselves.
void ForgetCachedListings(const std::string& folder, const std::string& parent);
void ForgetAllCachedListings();

// ---- wildcards ----------------------------------------------------------------

bool ContainsWildcard(std::string_view s);

// A wildcard pattern ("*", "?"), matched against upper-cased names.
class PatternMatcher {
 public:
  explicit PatternMatcher(std::string_view pattern);
  bool operator()(const std::string& upper) const;

 private:
  bool every_;
  std::u32string pattern_;
  std::string ascii_pattern_;
  bool ascii_suffix_;  // "*" and then no wildcard
};

// The entries of `listing` that `pattern` matches, in listing order, after
// the folder's own "." and ".." where `with_dots`: Windows yields them first
// in every folder but a root.
std::vector<Entry> MatchingEntries(const detail::Listing& listing, std::string_view pattern,
                                   bool with_dots);

// ---- temporary files ---------------------------------------------------------

inline constexpr std::size_t kTempRandom = 6;
// Six letters or digits, for a temporary file's name.
std::string RandomLetters();
// Fills `bytes` from the system's source of randomness; false when it has
// none to give. One per platform.
bool SystemRandom(unsigned char* bytes, std::size_t size);

}  // namespace internal
}  // namespace vkt::platform
