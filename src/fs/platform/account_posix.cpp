// POSIX implementation of account.h: Linux-PAM for passwords, NSS for the user
// database, seteuid/setegid/setgroups for the identity.
#include <grp.h>
#include <pwd.h>
#include <security/pam_appl.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fs/platform/account.h"
#include "fs/platform/secure_memory.h"

namespace vkt::platform {
namespace {

struct Credentials {
  std::string_view user;
  std::string_view password;
};

// A copy of `text` for PAM, which takes it up to its first NUL character and
// frees it. The copy ends there too, so that whoever wipes it by its length
// (FreeResponses here, the PAM module that takes the answer) wipes all of it.
char* CopyText(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  char* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (copy == nullptr) return nullptr;
  text.copy(copy, text.size());
  copy[text.size()] = '\0';
  return copy;
}

void FreeResponses(pam_response* responses, int count) {
  for (int i = 0; i < count; ++i) {
    if (responses[i].resp != nullptr) {
      WipeMemory(responses[i].resp, std::strlen(responses[i].resp));
      std::free(responses[i].resp);
    }
  }
  std::free(responses);
}

// PAM's questions, answered without a terminal.
int Converse(int count, const pam_message** messages, pam_response** out, void* data) {
  if (count <= 0 || count > PAM_MAX_NUM_MSG) return PAM_CONV_ERR;
  const auto* credentials = static_cast<const Credentials*>(data);
  auto* responses = static_cast<pam_response*>(std::calloc(count, sizeof(pam_response)));
  if (responses == nullptr) return PAM_BUF_ERR;
  for (int i = 0; i < count; ++i) {
    switch (messages[i]->msg_style) {
      case PAM_PROMPT_ECHO_OFF:
        responses[i].resp = CopyText(credentials->password);
        break;
      case PAM_PROMPT_ECHO_ON:
        responses[i].resp = CopyText(credentials->user);
        break;
      case PAM_ERROR_MSG:
      case PAM_TEXT_INFO:
        continue;  // nobody to show them to
      default:
        FreeResponses(responses, count);
        return PAM_CONV_ERR;
    }
    if (responses[i].resp == nullptr) {
      FreeResponses(responses, count);
      return PAM_BUF_ERR;
    }
  }
  *out = responses;
  return PAM_SUCCESS;
}

std::vector<std::uint32_t> CurrentGroups() {
  int count = ::getgroups(0, nullptr);
  std::vector<gid_t> groups(count > 0 ? static_cast<size_t>(count) : 0);
  if (count > 0) {
    count = ::getgroups(count, groups.data());
    groups.resize(count > 0 ? static_cast<size_t>(count) : 0);
  }
  return {groups.begin(), groups.end()};
}

Status SetGroups(const std::vector<std::uint32_t>& groups) {
  std::vector<gid_t> ids(groups.begin(), groups.end());
  if (::setgroups(ids.size(), ids.data()) != 0) return Status::Errno(errno);
  return Status::Ok();
}

bool SameGroups(std::vector<std::uint32_t> a, std::vector<std::uint32_t> b) {
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  return a == b;
}

}  // namespace

Status Authenticate(std::string_view user, std::string_view password) {
  if (user.empty() || user.find('\0') != std::string_view::npos) return Status::Errno(EACCES);
  Credentials credentials{user, password};
  const pam_conv conversation{&Converse, &credentials};
  pam_handle_t* handle = nullptr;
  const std::string user_name(user);
  int rc = ::pam_start(kPamService, user_name.c_str(), &conversation, &handle);
  if (rc != PAM_SUCCESS) {
    if (handle != nullptr) ::pam_end(handle, rc);
    return Status::Errno(EIO);
  }
  rc = ::pam_authenticate(handle, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
  if (rc == PAM_SUCCESS) rc = ::pam_acct_mgmt(handle, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
  ::pam_end(handle, rc);
  return rc == PAM_SUCCESS ? Status::Ok() : Status::Errno(EACCES);
}

Status LookUpAccount(std::string_view user, Account* account) {
  if (user.empty() || user.find('\0') != std::string_view::npos) return Status::Errno(ENOENT);
  const std::string name(user);
  long hint = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(hint > 0 ? static_cast<size_t>(hint) : 4096);
  passwd entry{};
  passwd* found = nullptr;
  int rc;
  while ((rc = ::getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found)) ==
         ERANGE) {
    buffer.resize(buffer.size() * 2);
  }
  if (rc != 0) return Status::Errno(rc);
  if (found == nullptr) return Status::Errno(ENOENT);
  Account result;
  result.uid = entry.pw_uid;
  result.gid = entry.pw_gid;
  int count = 32;
  std::vector<gid_t> groups(static_cast<size_t>(count));
  while (::getgrouplist(name.c_str(), entry.pw_gid, groups.data(), &count) < 0) {
    // count now holds the number needed (or is unchanged on an odd failure).
    groups.resize(std::max(static_cast<size_t>(count), groups.size() * 2));
    count = static_cast<int>(groups.size());
  }
  groups.resize(static_cast<size_t>(count));
  result.groups.assign(groups.begin(), groups.end());
  *account = std::move(result);
  return Status::Ok();
}

IdentitySwitch::~IdentitySwitch() { Restore(); }

Status IdentitySwitch::Assume(const Account& account) {
  Restore();
  saved_uid_ = ::geteuid();
  saved_gid_ = ::getegid();
  saved_groups_ = CurrentGroups();
  active_ = true;
  // Groups and group first: once the user is no longer privileged they could
  // not be changed any more.
  if (!SameGroups(saved_groups_, account.groups)) {
    Status s = SetGroups(account.groups);
    if (!s.ok()) {
      Restore();
      return s;
    }
    changed_groups_ = true;
  }
  if (saved_gid_ != account.gid) {
    if (::setegid(account.gid) != 0) {
      Status s = Status::Errno(errno);
      Restore();
      return s;
    }
    changed_group_ = true;
  }
  if (saved_uid_ != account.uid) {
    if (::seteuid(account.uid) != 0) {
      Status s = Status::Errno(errno);
      Restore();
      return s;
    }
    changed_user_ = true;
  }
  return Status::Ok();
}

void IdentitySwitch::Restore() {
  if (!active_) return;
  // The user first: it gives back the privilege the other two need.
  bool ok = true;
  if (changed_user_) ok = ::seteuid(saved_uid_) == 0 && ok;
  if (changed_group_) ok = ::setegid(saved_gid_) == 0 && ok;
  if (changed_groups_) ok = SetGroups(saved_groups_).ok() && ok;
  if (!ok) std::abort();
  active_ = false;
  changed_user_ = changed_group_ = changed_groups_ = false;
  saved_groups_.clear();
}

}  // namespace vkt::platform
