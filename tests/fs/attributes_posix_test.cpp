// The attribute word, file times and their conversions as POSIX gives them:
// dot-names hidden, the write permission as the read-only mark, and time
// zones from TZ rules.
#include <gtest/gtest.h>
#include <time.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "fs/file_system_object.h"
#include "fs/fs_internal.h"
#include "fs/platform/file_system.h"
#include "fs/platform/system_info.h"
#include "support/temp_dir.h"

namespace vkt::fs {
namespace {

using vkt::testing::MakeReadOnly;
using vkt::testing::OwnerCanWrite;
using vkt::testing::TempDir;
namespace stdfs = std::filesystem;

// Runs a test in a given time zone (a POSIX TZ rule, no zone database needed)
// and puts the process's zone back afterwards.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* rule) {
    if (const char* old = std::getenv("TZ")) previous_ = old;
    ::setenv("TZ", rule, 1);
    ::tzset();
  }
  ~ScopedTimeZone() {
    previous_ ? ::setenv("TZ", previous_->c_str(), 1) : ::unsetenv("TZ");
    ::tzset();
  }

 private:
  std::optional<std::string> previous_;
};

constexpr const char* kBrasilia = "<-03>3";                           // UTC-3, no daylight saving
constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";  // +1, +2 in summer
constexpr std::int64_t kNs = 1'000'000'000;

double Ole(int days, int h, int m, int s) { return days + (h * 3600 + m * 60 + s) / 86400.0; }

std::int64_t WriteTimeNs(const std::string& path) {
  return stdfs::last_write_time(path).time_since_epoch().count();  // nanoseconds
}

// ---- conversions ----

struct ConversionCase {
  const char* zone;
  std::int64_t utc_seconds;
  double ole;
};

TEST(OleDateConversion, FileTimesBecomeLocalDatesAndBackRoundedToTheSecond) {
  const ConversionCase cases[] = {
      {"UTC0", 1710508530, Ole(45366, 13, 15, 30)},
      {kBrasilia, 1710508530, Ole(45366, 10, 15, 30)},
      // The offset in force at the instant: summer +2, winter +1.
      {kCentralEurope, 1719835200, Ole(45474, 14, 0, 0)},
      {kCentralEurope, 1705320000, Ole(45306, 13, 0, 0)},
      // Before 30 December 1899 the day counts down, the time of day up.
      {"UTC0", -2209226400, -1.25},
      {"UTC0", -2209161600, 0.0},
      {"UTC0", -9223372036, -(81183 + (12 * 60 + 44) / 86400.0)},  // the earliest nanosecond count
      {"UTC0", 9223372036, Ole(132320, 23, 47, 16)},               // and the latest
  };
  for (const auto& c : cases) {
    ScopedTimeZone zone(c.zone);
    OleDate date = 99;
    ASSERT_TRUE(internal::FileTimeToOleDate(c.utc_seconds * kNs, &date)) << c.zone;
    EXPECT_DOUBLE_EQ(date, c.ole) << c.zone << " " << c.utc_seconds;
    std::int64_t ns = 0;
    ASSERT_TRUE(internal::OleDateToFileTime(c.ole, &ns)) << c.zone;
    EXPECT_EQ(ns, c.utc_seconds * kNs) << c.zone << " " << c.utc_seconds;
  }
  // Back to a file time: rounded to the second, 23:59:59.99 carried to the
  // next midnight. Rejected: no number, 31 December 1600, 1 January 10000,
  // before 1678 and after 2262 (no nanosecond count holds them), far beyond.
  ScopedTimeZone zone("UTC0");
  std::int64_t ns = 0;
  ASSERT_TRUE(internal::OleDateToFileTime(Ole(45366, 10, 15, 30) + 0.4 / 86400, &ns));
  EXPECT_EQ(ns, (1710508530 - 3 * 3600) * kNs);
  ASSERT_TRUE(internal::OleDateToFileTime(45366.9999999, &ns));
  EXPECT_EQ(ns, 1710460800LL * kNs + 86400 * kNs);
  ns = 7;
  for (const double bad : {std::nan(""), -109206.0, 2958466.0, -82000.0, 135000.0, 1e300}) {
    EXPECT_FALSE(internal::OleDateToFileTime(bad, &ns)) << bad;
  }
  EXPECT_EQ(ns, 7);
  // A local time whose instant the system cannot hold (the last second an
  // int year reaches, three hours west) is refused, not taken for -1.
  ScopedTimeZone west(kBrasilia);
  std::int64_t utc = 0;
  EXPECT_FALSE(platform::LocalToUtcSeconds(67768036191676799, &utc));
}

// ---- attributes ----

// 16 folder, 32 file, | 1 read-only, | 2 dot-name; only a file's read-only
// mark can be set, and only a writable file's times.
TEST(FileAttributes, MapThePosixFileKindsAndGuardReadOnlyFilesAndFolders) {
  TempDir dir;
  dir.Write("plain.sql", "x");
  dir.Write("locked.sql", "x");
  MakeReadOnly(dir / "locked.sql");
  dir.Write(".hidden", "x");
  dir.MakeDir("Folder");
  FileSystemObject fso;
  // SetFileTime changes nothing on read-only files, folders or with no date.
  for (const auto& [name, write] : {std::pair{"locked.sql", 40000.0}, std::pair{"Folder", 40000.0},
                                    std::pair{"plain.sql", std::nan("")}}) {
    const std::int64_t before = WriteTimeNs(dir / name);
    fso.SetFileTime(dir / name, 40000, 40000, write);
    EXPECT_EQ(WriteTimeNs(dir / name), before) << name;
  }
  fso.SetFileTime(dir / "missing.sql", 40000, 40000, 40000);
  EXPECT_FALSE(dir.Exists("missing.sql"));
  EXPECT_EQ(fso.GetFileAttributes(dir / "plain.sql"), 32);
  EXPECT_EQ(fso.GetFileAttributes(dir / "locked.sql"), 33);
  EXPECT_EQ(fso.GetFileAttributes(dir / ".hidden"), 34);
  EXPECT_EQ(fso.GetFileAttributes(dir.path() + "\\FOLDER"), 16);
  EXPECT_EQ(fso.GetFileAttributes(dir / "missing.sql"), 0);
  EXPECT_NE(fso.SetFileAttributes(dir / "locked.sql", 0), 0);
  EXPECT_TRUE(OwnerCanWrite(dir / "locked.sql"));
  EXPECT_NE(fso.SetFileAttributes(dir / "plain.sql", 1), 0);
  EXPECT_FALSE(OwnerCanWrite(dir / "plain.sql"));
  EXPECT_EQ(fso.GetFileAttributes(dir / "plain.sql"), 33);
  EXPECT_EQ(fso.SetFileAttributes(dir / "Folder", 1), 0);
  EXPECT_TRUE(OwnerCanWrite(dir / "Folder"));
  EXPECT_EQ(fso.SetFileAttributes(dir / "missing", 0), 0);
}

// ---- times ----

TEST(FileTimes, AreLocalTimesToTheSecondBothWays) {
  ScopedTimeZone zone(kBrasilia);
  TempDir dir;
  dir.Write("a.sql", "x");
  // 13:15:30.750 UTC is 10:15:30.750 local.
  ASSERT_TRUE(
      platform::SetTimes(dir / "a.sql", 1705320000 * kNs, 1710508530 * kNs + 750'000'000).ok());
  FileSystemObject fso;
  EXPECT_DOUBLE_EQ(fso.GetFileTime(dir / "a.sql"), Ole(45366, 10, 15, 30));
  OleDate creation = -1, access = -1, write = -1;
  EXPECT_DOUBLE_EQ(fso.GetFileTime(dir / "a.sql", &creation, &access, &write),
                   Ole(45366, 10, 15, 30));
  EXPECT_DOUBLE_EQ(write, Ole(45366, 10, 15, 30));
  EXPECT_DOUBLE_EQ(access, Ole(45306, 9, 0, 0));
  EXPECT_GT(creation, Ole(45366, 0, 0, 0));  // the file was born just now
  // SetFileTime writes whole seconds that read back as given.
  fso.SetFileTime(dir / "a.sql", Ole(45474, 23, 59, 59), Ole(45306, 8, 30, 1),
                  Ole(45474, 23, 59, 59));
  EXPECT_DOUBLE_EQ(fso.GetFileTime(dir / "a.sql", nullptr, &access, &write),
                   Ole(45474, 23, 59, 59));
  EXPECT_DOUBLE_EQ(access, Ole(45306, 8, 30, 1));
  EXPECT_DOUBLE_EQ(write, Ole(45474, 23, 59, 59));
  EXPECT_EQ(WriteTimeNs(dir / "a.sql") % kNs, 0);
}

}  // namespace
}  // namespace vkt::fs
