// The fault seam of the platform layer: every call that changes the file
// system passes InjectedError, which a test arms (file_system.h), and which
// counts it for the counting seam (call_count.h). Each platform turns the
// error into its own (errno; SetLastError).
#include <atomic>
#include <mutex>

#include "fs/platform/file_system.h"
#include "fs/platform/platform_internal.h"

namespace vkt::platform {
namespace {

struct FaultState {
  std::atomic<bool> armed{false};
  std::mutex mutex;
  std::uint32_t kinds = 0;
  int nth = 0;
  int error = 0;
  bool sticky = false;
  void (*action)() = nullptr;  // ArmAction: a step instead of a failure
  int count = 0;
};

FaultState& Faults() {
  static FaultState state;
  return state;
}

}  // namespace

namespace internal {

// A test that stops the process here gets its signal before the call.
int InjectedError(FaultKind kind) {
  CountCall(SystemCall::kChange);
  FaultState& f = Faults();
  if (!f.armed.load(std::memory_order_relaxed)) return 0;
  void (*action)() = nullptr;
  {
    std::lock_guard<std::mutex> lock(f.mutex);
    if ((f.kinds & kind) == 0) return 0;
    ++f.count;
    const bool due = f.nth > 0 && (f.count == f.nth || (f.sticky && f.count > f.nth));
    if (due && f.action != nullptr) {
      action = f.action;
    } else if (due) {
      return f.error;
    }
  }
  // Outside the lock: the action may end the process.
  if (action != nullptr) action();
  return 0;
}

}  // namespace internal

void ArmFault(std::uint32_t kinds, int nth, int error, bool sticky) {
  FaultState& f = Faults();
  std::lock_guard<std::mutex> lock(f.mutex);
  f.kinds = kinds;
  f.nth = nth;
  f.error = error;
  f.sticky = sticky;
  f.action = nullptr;
  f.count = 0;
  f.armed.store(true, std::memory_order_relaxed);
}

void ArmAction(std::uint32_t kinds, int nth, void (*action)(), bool sticky) {
  FaultState& f = Faults();
  std::lock_guard<std::mutex> lock(f.mutex);
  f.kinds = kinds;
  f.nth = nth;
  f.error = 0;
  f.sticky = sticky;
  f.action = action;
  f.count = 0;
  f.armed.store(true, std::memory_order_relaxed);
}

int DisarmFault() {
  FaultState& f = Faults();
  std::lock_guard<std::mutex> lock(f.mutex);
  f.armed.store(false, std::memory_order_relaxed);
  return f.count;
}

}  // namespace vkt::platform
