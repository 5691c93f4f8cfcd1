// The counting seam of the platform layer (call_count.h).
#include "fs/platform/call_count.h"

namespace vkt::platform {
namespace {

std::array<std::atomic<std::uint64_t>, kSystemCallKinds>& Counts() {
  static std::array<std::atomic<std::uint64_t>, kSystemCallKinds> counts{};
  return counts;
}

}  // namespace

namespace internal {

std::atomic<bool> g_counting_calls{false};

void AddCall(SystemCall kind) {
  Counts()[static_cast<std::size_t>(kind)].fetch_add(1, std::memory_order_relaxed);
}

}  // namespace internal

std::uint64_t SystemCallCounts::Total() const {
  std::uint64_t total = 0;
  for (std::uint64_t n : by_kind) total += n;
  return total;
}

const char* SystemCallName(SystemCall kind) {
  static constexpr std::array<const char*, kSystemCallKinds> kNames = {
      "open",     "read",   "attributes", "listing", "resolution",
      "security", "change", "close",      "other"};
  return kNames[static_cast<std::size_t>(kind)];
}

void StartCountingCalls() {
  for (auto& n : Counts()) n.store(0, std::memory_order_relaxed);
  internal::g_counting_calls.store(true, std::memory_order_relaxed);
}

SystemCallCounts StopCountingCalls() {
  internal::g_counting_calls.store(false, std::memory_order_relaxed);
  SystemCallCounts counts;
  for (std::size_t i = 0; i < kSystemCallKinds; ++i) {
    counts.by_kind[i] = Counts()[i].load(std::memory_order_relaxed);
  }
  return counts;
}

}  // namespace vkt::platform
