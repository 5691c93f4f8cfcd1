// The words of a Status, and paths in messages, as both platforms tell them.
#include "fs/platform/file_system.h"
#include "fs/platform/platform_internal.h"

namespace vkt::platform {

namespace internal {

const char* OwnErrorText(int code) {
  switch (code) {
    case kNotRegularFile:
      return "não é um arquivo comum";
    case kForeignLink:
      return "link simbólico de outro usuário";
    case kChangedMeanwhile:
      return "alterado por outro programa durante a gravação";
    case kForeignLockFile:
      return "não é um arquivo de trava deste usuário";
    case kBlockDevice:
      return "é um dispositivo de blocos";
    case kForeignFolder:
      return "pasta de outro usuário";
    default:
      return nullptr;
  }
}

}  // namespace internal

std::string Status::Text() const {
  if (code == 0) return {};
  if (code == kForeignFolder && !folder.empty()) {
    return std::string(internal::OwnErrorText(code)) + ": " + PathAsShown(folder) + " (de " +
           owner + "); execute como " + owner;
  }
  if (const char* own = internal::OwnErrorText(code)) return own;
  return internal::SystemErrorText(native, code);
}

}  // namespace vkt::platform
