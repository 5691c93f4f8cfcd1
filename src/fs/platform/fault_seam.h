// The fault seam of the platform layer (file_system.h): every call of the
// layer that changes the file system goes through it, and a test can make a
// chosen call fail, or put its own step right before it.
#pragma once

#include <cstdint>

namespace vkt::platform {

// Every call of this layer that changes the file system goes through one
// place, which a test can arm to make the Nth such call fail with an error
// instead of reaching the system. Unarmed it costs one relaxed atomic load.
// The error is a portable number (E*); on Windows the call fails with the
// system's error that the layer's table turns back into that number.
enum FaultKind : std::uint32_t {
  kFaultWrite = 1,      // write, copy, truncate
  kFaultRename = 2,     // rename, link
  kFaultSync = 4,       // fsync of a file or a folder
  kFaultMkdir = 8,      // folder creation
  kFaultCreate = 16,    // file creation (open with create, temporary files)
  kFaultRemove = 32,    // unlink, rmdir
  kFaultMetadata = 64,  // chmod, chown, times
  kFaultAll = 127,
  // Not a change, so not in kFaultAll: finding where a path or an open file
  // leads (CanonicalPath).
  kFaultResolve = 128,
};
// From now on counts the calls whose kind is in `kinds`; the `nth` of them
// (1-based) fails with `error`, and so does every later one when `sticky`.
// `nth` 0 only counts.
void ArmFault(std::uint32_t kinds, int nth, int error, bool sticky = false);
// From now on counts the calls whose kind is in `kinds`; right before the
// `nth` of them (and every later one when `sticky`) `action` runs (it may
// stop the process with a signal, or act as another program would at that
// moment), then the call goes on. Puts a test's own step at a chosen point of
// a run, whatever the timing.
void ArmAction(std::uint32_t kinds, int nth, void (*action)(), bool sticky = false);
// Stops injecting; returns how many calls of the armed kinds were counted.
int DisarmFault();

}  // namespace vkt::platform
