// What an open File is on every platform: its handle moves with it and is
// closed with it. Opening, reading and writing are each platform's own
// (files_posix.cpp, files_win32.cpp).
#include "fs/platform/file_system.h"

namespace vkt::platform {

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(other.handle_), append_(other.append_) {
  other.handle_ = kNoHandle;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    append_ = other.append_;
    other.handle_ = kNoHandle;
  }
  return *this;
}

}  // namespace vkt::platform
