// Accounts of the system, for copies made under another account: checking an
// account's password and acting as that account for a while. Part of the
// platform layer (see file_system.h); nothing throws.
//
// Texts handed to these functions (user names, passwords) never appear in a
// Status, a log or any other output of this layer.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "fs/platform/file_system.h"

namespace vkt::platform {

// The PAM service that checks the accounts: the program's own name. A system
// without an /etc/pam.d file of this name applies its "other" service (the
// fallback Linux-PAM itself makes), so an administrator can give the program
// rules of its own without the program probing for files.
inline constexpr char kPamService[] = "vktgerainstallbd";

// Who an account is to the file system: what the system needs to act as it.
// The core passes it from LookUpAccount to IdentitySwitch::Assume only.
struct Account {
#ifdef _WIN32
  // The access token of the account's logon (a HANDLE), closed with the
  // last copy.
  std::shared_ptr<void> token;
#else
  std::uint32_t uid = 0;
  std::uint32_t gid = 0;              // primary group
  std::vector<std::uint32_t> groups;  // every group of the account, primary included
#endif
};

// POSIX: checks `password` for the account `user` through PAM (service
// kPamService): authentication, then the account's own checks (expired,
// locked, not allowed here). Ok when both pass; EACCES when PAM refuses, EIO
// when PAM cannot be started. No prompt reaches the terminal: PAM's questions
// for a password are answered with `password`, every other question with
// `user`.
// Windows: logs `user` on with `password` (LogonUserW; "DOMAIN\user" and
// "user@domain" name a domain's account, a bare name a local one): Ok, or
// EACCES when the system refuses. The logon is kept for the next
// LookUpAccount of the same name in this process, since Windows gives an
// account's identity only to whoever shows its password. The password's
// wide copy is wiped after use.
Status Authenticate(std::string_view user, std::string_view password);

// POSIX: the account `user` as the system's user database (NSS) knows it,
// with its groups. Windows: the logon that the last successful Authenticate
// of `user` made (handed over once). ENOENT when there is no such user (or
// logon).
Status LookUpAccount(std::string_view user, Account* account);

// Makes the process act as another account for file access. POSIX: effective
// user, effective group and supplementary groups; the real and saved
// identities stay, which is what allows going back; only the parts that
// differ are changed, so taking on one's own account needs no privilege; the
// process has one thread (the switch applies to the whole process). Windows:
// the calling thread impersonates the account's logon
// (ImpersonateLoggedOnUser) until RevertToSelf.
class IdentitySwitch {
 public:
  IdentitySwitch() = default;
  // Goes back if still switched.
  ~IdentitySwitch();
  IdentitySwitch(const IdentitySwitch&) = delete;
  IdentitySwitch& operator=(const IdentitySwitch&) = delete;

  // Takes on `account`. On failure everything already changed is undone and
  // the error of the failing call is returned (EPERM without the privilege).
  Status Assume(const Account& account);
  // Returns to the identity from before Assume; nothing when not switched.
  // A process that cannot get its own identity back must not go on acting as
  // another account: that failure ends the process (abort).
  void Restore();
  bool active() const { return active_; }

 private:
  bool active_ = false;
  // POSIX only: what Assume changed and what it was before.
  bool changed_user_ = false;
  bool changed_group_ = false;
  bool changed_groups_ = false;
  std::uint32_t saved_uid_ = 0;
  std::uint32_t saved_gid_ = 0;
  std::vector<std::uint32_t> saved_groups_;
};

}  // namespace vkt::platform
