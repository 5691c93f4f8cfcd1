// Windows implementation of account.h: LogonUserW for the password,
// ImpersonateLoggedOnUser and RevertToSelf for the identity.
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>

#include "fs/platform/account.h"
#include "fs/platform/secure_memory.h"
#include "fs/platform/win32_internal.h"

namespace vkt::platform {

using namespace win32;

namespace {

// The last successful logon, kept for LookUpAccount of the same name.
struct KeptLogon {
  std::mutex mutex;
  std::string user;
  std::shared_ptr<void> token;
};

KeptLogon& Kept() {
  static KeptLogon kept;
  return kept;
}

std::shared_ptr<void> OwnToken(HANDLE token) {
  return std::shared_ptr<void>(token, [](void* handle) { sys::CloseHandle(handle); });
}

// A wide copy of a secret, wiped when it goes.
class WideSecret {
 public:
  explicit WideSecret(std::string_view utf8) : text_(Wide(utf8)) {}
  ~WideSecret() {
    text_.resize(text_.capacity());
    WipeMemory(text_.data(), text_.size() * sizeof(wchar_t));
  }
  WideSecret(const WideSecret&) = delete;
  WideSecret& operator=(const WideSecret&) = delete;
  const wchar_t* c_str() const { return text_.c_str(); }

 private:
  std::wstring text_;
};

}  // namespace

Status Authenticate(std::string_view user, std::string_view password) {
  if (user.empty() || user.find('\0') != std::string_view::npos) return Status::Errno(EACCES);
  std::wstring name = Wide(user), domain = L".";
  const bool principal = name.find(L'@') != std::wstring::npos;
  if (const std::size_t slash = name.find(L'\\'); slash != std::wstring::npos) {
    domain = name.substr(0, slash);
    name = name.substr(slash + 1);
  }
  const WideSecret secret(password);
  HANDLE token = nullptr;
  // A user principal name ("user@domain") takes no domain of its own.
  if (!::LogonUserW(name.c_str(), principal ? nullptr : domain.c_str(), secret.c_str(),
                    LOGON32_LOGON_INTERACTIVE, LOGON32_PROVIDER_DEFAULT, &token)) {
    const DWORD error = ::GetLastError();
    return Status::System(EACCES, static_cast<int>(error));
  }
  KeptLogon& kept = Kept();
  std::lock_guard<std::mutex> lock(kept.mutex);
  kept.user = std::string(user);
  kept.token = OwnToken(token);
  return Status::Ok();
}

Status LookUpAccount(std::string_view user, Account* account) {
  KeptLogon& kept = Kept();
  std::lock_guard<std::mutex> lock(kept.mutex);
  if (user.empty() || !kept.token || kept.user != user) return Status::Errno(ENOENT);
  account->token = std::move(kept.token);
  kept.user.clear();
  return Status::Ok();
}

IdentitySwitch::~IdentitySwitch() { Restore(); }

Status IdentitySwitch::Assume(const Account& account) {
  Restore();
  if (!account.token) return Status::Errno(EINVAL);
  if (!::ImpersonateLoggedOnUser(static_cast<HANDLE>(account.token.get()))) return LastError();
  active_ = true;
  return Status::Ok();
}

void IdentitySwitch::Restore() {
  if (!active_) return;
  // A thread that cannot get its own identity back must not go on acting as
  // another account.
  if (!::RevertToSelf()) std::abort();
  active_ = false;
}

}  // namespace vkt::platform
