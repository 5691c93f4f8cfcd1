#include "config/ini.h"

#include <cerrno>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/ini_internal.h"
#include "fs/platform/file_system.h"
#include "text/codepage.h"

namespace vkt::config {

using internal::ForgetSharedParse;
using internal::FormsKeyLine;
using internal::HasLineBreakOrNul;
using internal::IniText;
using internal::kUtf8Bom;
using internal::OpenToRead;
using internal::Pack;
using internal::ProfileResult;
using internal::ProfileValue;
using internal::ReadWholeFile;
using internal::TrimBlanks;
using internal::Unpack;
using internal::WithKey;
using internal::WithKeys;

namespace {

// How a file read in the state `read` is replaced. Users link their ini files
// on purpose (a list shared by branches): a write follows links, but only
// those the kernel's protected_symlinks rule trusts. Another program may save
// the file between the read and the write (an editor): its save is kept, and
// the write fails with kChangedMeanwhile.
platform::ReplaceOptions Guarded(const platform::FileStamp& read) {
  return {.links = platform::LinkAtTarget::kFollowTrusted, .unchanged_since = &read};
}

}  // namespace

template <typename Edit>
bool INI::Rewrite(const Edit& edit) {
  parsed_.reset();
  ForgetSharedParse(ini_name_);

  std::string bytes;
  bool missing = false;
  platform::Status status;
  platform::FileStamp stamp;
  if (gathered_) {
    bytes = *gathered_;
  } else {
    status = ReadWholeFile(ini_name_, reach_, &bytes, &missing, &stamp);
  }
  if (!status.ok() && !missing) {
    write_status_ = status;
    return false;
  }

  const IniText ini = Unpack(bytes, *page_);
  // A UTF-16 file that would not come back as it was (an odd byte, a lone
  // surrogate) is left alone rather than rewritten differently.
  if (ini.form == IniText::Form::kUtf16Le && Pack(ini, ini.text) != bytes) {
    write_status_ = platform::Status::Errno(EILSEQ);
    return false;
  }
  const std::string out = edit(std::string_view(ini.text), *ini.page);
  if (gathered_) {
    *gathered_ = Pack(ini, out);
    return true;
  }
  status = platform::ReplaceFile(ini_name_, Pack(ini, out), Guarded(stamp), &replaced_);
  write_status_ = status;
  return status.ok();
}

bool INI::WriteIniSettings(const std::string& sSection, const std::string& sKey,
                           const std::string& sValor) {
  write_status_ = platform::Status::Ok();
  if (!FormsKeyLine(sSection, sKey, sValor)) return false;
  return Rewrite([&](std::string_view text, const text::CodePage& page) {
    return WithKey(text, page, sSection, sKey, sValor);
  });
}

bool INI::WriteSectionKeys(const std::string& sSection, const std::vector<KeyValue>& writes) {
  write_status_ = platform::Status::Ok();
  for (const KeyValue& w : writes) {
    if (!FormsKeyLine(sSection, w.key, w.value)) return false;
  }
  if (writes.empty()) return true;
  return Rewrite([&](std::string_view text, const text::CodePage& page) {
    return WithKeys(text, page, sSection, writes);
  });
}

bool INI::BeginWrites() {
  write_status_ = platform::Status::Ok();
  parsed_.reset();
  std::string bytes;
  bool missing = false;
  platform::Status status = ReadWholeFile(ini_name_, reach_, &bytes, &missing, &gathered_stamp_);
  if (!status.ok() && !missing) {
    write_status_ = status;
    return false;
  }
  gathered_ = std::move(bytes);
  return true;
}

bool INI::CommitWrites() {
  if (!gathered_) return true;
  const std::string bytes = std::move(*gathered_);
  gathered_.reset();
  parsed_.reset();
  ForgetSharedParse(ini_name_);
  const platform::Status status =
      platform::ReplaceFile(ini_name_, bytes, Guarded(gathered_stamp_), &replaced_);
  write_status_ = status;
  return status.ok();
}

INI::ReadBack INI::HowValueReadsBack(const std::string& sValor, std::string* as_read) const {
  if (as_read != nullptr) as_read->clear();
  if (HasLineBreakOrNul(sValor)) return ReadBack::kRefused;
  // The encoding is told by the file's first bytes.
  std::string head;
  if (gathered_) {
    head = gathered_->substr(0, kUtf8Bom.size());
  } else {
    platform::File file;
    bool missing = false;
    if (OpenToRead(ini_name_, reach_, &file, &missing).ok()) {
      char buffer[3];
      std::size_t got = 0;
      while (head.size() < sizeof buffer &&
             file.Read(buffer, sizeof buffer - head.size(), &got).ok() && got > 0) {
        head.append(buffer, got);
      }
      file.Close();
    }
  }
  const IniText ini = Unpack(std::move(head), *page_);
  bool lossy = false;
  const std::string decoded = ini.page->Decode(ini.page->Encode(sValor, &lossy));
  const ProfileValue read = ProfileResult(TrimBlanks(decoded), *ini.cut_page);
  if (as_read != nullptr) *as_read = read.text;
  if (read.found && read.text == sValor) return ReadBack::kSame;
  if (lossy || decoded != sValor) return ReadBack::kNotInEncoding;
  if (sValor.empty() || TrimBlanks(sValor) != sValor) return ReadBack::kBlanksTrimmed;
  if (sValor.size() >= 2 && (sValor.front() == '"' || sValor.front() == '\'') &&
      sValor.back() == sValor.front()) {
    return ReadBack::kQuotesStripped;
  }
  return ReadBack::kCut;
}

}  // namespace vkt::config
