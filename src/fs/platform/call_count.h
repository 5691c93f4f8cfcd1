// The counting seam of the platform layer: every call of the layer that
// reaches the system passes here, by kind, so that a test or a benchmark can
// tell what a run costs in system calls (each one a round trip under Wine, a
// filter driver's visit on Windows). Off, a call costs one relaxed atomic
// load.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace vkt::platform {

enum class SystemCall : std::uint8_t {
  kOpen,        // open, openat, opendir; CreateFileW of an existing entry
  kRead,        // read; ReadFile
  kAttributes,  // the stat family; GetFileAttributes*, GetFileInformationByHandle*,
                // GetFileType, GetFileSizeEx
  kListing,     // readdir; FindFirstFileExW, FindNextFileW
  kResolution,  // readlink, realpath, getcwd; GetFinalPathNameByHandleW
  kSecurity,    // owners and security descriptors
  kChange,      // every call of the fault seam (fault_seam.h): writes, renames,
                // syncs, creations, removals, metadata
  kClose,       // close, closedir; CloseHandle, FindClose
  kOther,       // seeks, locks, descriptor flags
};
inline constexpr std::size_t kSystemCallKinds = 9;

// The calls counted, by kind.
struct SystemCallCounts {
  std::array<std::uint64_t, kSystemCallKinds> by_kind{};
  std::uint64_t operator[](SystemCall kind) const {
    return by_kind[static_cast<std::size_t>(kind)];
  }
  std::uint64_t Total() const;
};

// A word for `kind` ("open", "read", ...).
const char* SystemCallName(SystemCall kind);

// From now on counts the calls of this layer, from zero.
void StartCountingCalls();
// Stops counting; returns what was counted since StartCountingCalls.
SystemCallCounts StopCountingCalls();

namespace internal {

extern std::atomic<bool> g_counting_calls;
void AddCall(SystemCall kind);

// Counts one call of `kind` while counting is on.
inline void CountCall(SystemCall kind) {
  if (g_counting_calls.load(std::memory_order_relaxed)) AddCall(kind);
}

}  // namespace internal
}  // namespace vkt::platform
