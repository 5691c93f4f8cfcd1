// Who owns a file on Windows: the SIDs of the process's own files, and the
// owner of an entry with its account's name.
#include <aclapi.h>

#include <string>
#include <vector>

#include "fs/platform/win32_internal.h"

namespace vkt::platform::win32 {
namespace {

std::vector<unsigned char> Query(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
  DWORD size = 0;
  ::GetTokenInformation(token, kind, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size);
  if (size == 0 || !::GetTokenInformation(token, kind, buffer.data(), size, &size)) return {};
  return buffer;
}

// The name of the account `sid`, "" when the system cannot tell it.
std::string AccountName(PSID sid) {
  wchar_t name[256], domain[256];
  DWORD name_size = 256, domain_size = 256;
  SID_NAME_USE use;
  internal::CountCall(SystemCall::kSecurity);
  if (!::LookupAccountSidW(nullptr, sid, name, &name_size, domain, &domain_size, &use)) return {};
  return Narrow(std::wstring_view(name, name_size));
}

}  // namespace

OwnSids::OwnSids() {
  HANDLE token = nullptr;
  if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token) &&
      !::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return;
  }
  user_ = Query(token, TokenUser);
  owner_ = Query(token, TokenOwner);
  sys::CloseHandle(token);
}

bool OwnSids::Owns(PSID sid) const {
  auto sid_of = [](const std::vector<unsigned char>& buffer, bool user) -> PSID {
    if (buffer.empty()) return nullptr;
    return user ? reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid
                : reinterpret_cast<const TOKEN_OWNER*>(buffer.data())->Owner;
  };
  PSID user = sid_of(user_, true), owner = sid_of(owner_, false);
  return sid != nullptr && ((user != nullptr && ::EqualSid(sid, user)) ||
                            (owner != nullptr && ::EqualSid(sid, owner)));
}

bool OwnedBy(const std::wstring& path, const OwnSids& own, std::string* owner_name) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  internal::CountCall(SystemCall::kSecurity);
  if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const bool owned = own.Owns(owner);
  if (owner_name != nullptr) *owner_name = AccountName(owner);
  ::LocalFree(descriptor);
  return owned;
}

}  // namespace vkt::platform::win32
