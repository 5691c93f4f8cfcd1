// `FileSystemObject`: copy, move and delete, with the logging hook and the copy
// under another account.
#include <string>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/fs_internal.h"
#include "fs/platform/account.h"
#include "fs/platform/file_system.h"
#include "fs/platform/system_info.h"
#include "fs/secret_text.h"
#include "text/letter_case.h"

namespace vkt::fs {
namespace {

constexpr std::int32_t kProtectiveAttributes = 7;  // read-only, hidden, system

// The program's executable name, as the hook's second value.
const std::string& ExecutableName() {
  static const std::string name = platform::ExecutableName();
  return name;
}

std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The ".ini" rule: a copy of an ini file never replaces one that is there.
bool IniCopySkipped(const std::string& filename, const std::string& destination) {
  return AsciiLower(filename).find(".ini") != std::string::npos && internal::NamesFile(destination);
}

// The account name under which the system knows `user` of `domain`. A local
// account (no domain, ".", or this host's name, as Windows accepts them) is
// the bare user name; an account of another domain takes the "user@domain"
// form that SSSD and winbind give domain users. A name that already carries
// its domain is used as it is.
std::string AccountName(const std::string& domain, const std::string& user) {
  if (domain.empty() || domain == "." || user.find('@') != std::string::npos ||
      text::UpperCase(domain) == text::UpperCase(platform::HostName())) {
    return user;
  }
  return user + "@" + domain;
}

}  // namespace

void FileSystemObject::Grava_Log(const std::string& /*a*/, const std::string& /*b*/,
                                 const std::string& /*c*/, bool /*d*/, bool /*e*/) {}

bool FileSystemObject::DeleteFile(const std::string& Filename) {
  Grava_Log("Excluindo Arquivo: " + Filename, ExecutableName(), "DeleteFile", false, false);
  // A read-only file is refused here; DeleteFiles clears the mark first.
  return platform::DeleteFile(Filename).ok();
}

bool FileSystemObject::CopyFile(const std::string& Filename, const std::string& Destination,
                                bool FailIfExists) {
  if (IniCopySkipped(Filename, Destination)) return true;
  Grava_Log("Copiando Arquivo: " + Filename, ExecutableName(), "CopyFile", false, false);
  return platform::CopyFile(Filename, Destination, FailIfExists).ok();
}

bool FileSystemObject::CopyFileAS(const std::string& Filename, const std::string& Destination,
                                  const std::string& WinDomain, const std::string& WinUser,
                                  const std::string& WinPassword, bool FailIfExists) {
  const std::string& exe = ExecutableName();
  // Failures report the account as the hook's message says; the text quotes
  // the password, so it is built only for the hook and wiped afterwards.
  auto report_account = [&](const char* what) {
    const SecretText message =
        SecretText::Concat({what, WinUser, ";", WinDomain, ";", WinPassword, " - "});
    Grava_Log(message.str(), exe, "CopyFileAS", true, false);
  };
  platform::IdentitySwitch identity;
  try {
    if (IniCopySkipped(Filename, Destination)) return true;
    Grava_Log("Copiando Arquivo: " + Filename, exe, "CopyFileAS", false, false);

    const std::string account_name = AccountName(WinDomain, WinUser);
    if (!platform::Authenticate(account_name, WinPassword).ok()) {
      report_account("Erro LogonUser: ");
      return false;
    }
    // PAM accepted a name that the user database does not know: there is no
    // identity to act as.
    platform::Account account;
    if (!platform::LookUpAccount(account_name, &account).ok()) {
      report_account("Erro Token User: ");
      return false;
    }
    if (!identity.Assume(account).ok()) {
      report_account("Erro ImpersonateLoggedOnUser: ");
      return false;
    }
    const bool copied = platform::CopyFile(Filename, Destination, FailIfExists).ok();
    // Back to the program's own identity before anything else runs, the hook
    // included.
    identity.Restore();
    if (!copied) {
      Grava_Log("Erro Copia de Arquivo: " + Filename + " - ", exe, "CopyFileAs", true, false);
    }
    return copied;
  } catch (...) {
    identity.Restore();
    try {
      Grava_Log("Erro Copia de Arquivo: " + Filename + " - ", exe, "CopyFileAS", true, false);
    } catch (...) {
      // Nothing more can be reported; the result says it failed.
    }
    return false;
  }
}

bool FileSystemObject::MoveFile(const std::string& Filename, const std::string& Destination) {
  Grava_Log("Movendo Arquivo: " + Filename, ExecutableName(), "MoveFile", false, false);
  if (platform::MoveFile(Filename, Destination).ok()) return true;
  Grava_Log("Erro Movendo Arquivo: " + Filename + " - ", ExecutableName(), "MoveFile", true, false);
  return false;
}

void FileSystemObject::DeleteFiles(const std::string& Path,
                                   const std::vector<std::string>& Params) {
  // An empty folder would make the searches "\*.tmp": the root's files.
  if (Path.empty()) return;
  for (const std::string& pattern : Params) {
    const std::vector<std::string> names =
        EnumFiles(std::string(Path).append("\\").append(pattern));
    for (size_t i = 1; i < names.size(); ++i) {
      const std::string file = Path + "\\" + names[i];
      SetFileAttributes(file, GetFileAttributes(file) & ~kProtectiveAttributes);
      DeleteFile(file);
    }
  }
}

bool FileSystemObject::CopyFiles(const std::string& Path, const std::string& Destination,
                                 bool FailIfExists, const std::vector<std::string>& Params) {
  // An empty folder name would read from, or write into, the root.
  if (Path.empty() || Destination.empty()) return false;
  for (const std::string& pattern : Params) {
    const std::vector<std::string> names =
        EnumFiles(std::string(Path).append("\\").append(pattern));
    for (size_t i = 1; i < names.size(); ++i) {
      const std::string source = Path + "\\" + names[i];
      const std::string target = Destination + "\\" + names[i];
      SetFileAttributes(source, GetFileAttributes(source) & ~kProtectiveAttributes);
      SetFileAttributes(target, GetFileAttributes(target) & ~kProtectiveAttributes);
      if (!CopyFile(source, target, FailIfExists)) return false;
      desktop_.loop->Yield();
    }
  }
  return true;
}

}  // namespace vkt::fs
