// Length-prefixed string records: a 32-bit little-endian signed count followed
// by the payload, at the current position of a file opened for bytes.
#include <cstdint>
#include <limits>

#include "fs/file_system_object.h"
#include "fs/open_files.h"
#include "text/codepage.h"

namespace vkt::fs {
namespace {

std::string CountBytes(std::int32_t count) {
  const auto u = static_cast<std::uint32_t>(count);
  std::string out(4, '\0');
  for (int i = 0; i < 4; ++i) out[static_cast<std::size_t>(i)] = static_cast<char>(u >> (8 * i));
  return out;
}

// Writes one record: count and payload in a single write.
bool WriteRecord(std::int16_t file, std::string_view payload) {
  if (payload.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    return false;
  }
  std::string record = CountBytes(static_cast<std::int32_t>(payload.size()));
  record.append(payload);
  return open_files::WriteBytes(file, record);
}

// Reads one record's payload. A count that is negative, larger than what the
// file still holds, or odd where `even_count` asks for whole UTF-16 units
// marks a damaged record: empty optional, and the position goes back to the
// start of the record so the caller can tell where the damage lies.
std::optional<std::string> ReadRecord(std::int16_t file, bool even_count) {
  const std::optional<std::int64_t> start = open_files::Position(file);
  if (!start) return std::nullopt;
  const std::optional<std::string> head = open_files::ReadBytes(file, 4);
  if (!head) return std::nullopt;
  std::uint32_t u = 0;
  for (int i = 3; i >= 0; --i) {
    u = (u << 8) | static_cast<unsigned char>((*head)[static_cast<std::size_t>(i)]);
  }
  const auto count = static_cast<std::int32_t>(u);
  std::optional<std::string> payload;
  if (count >= 0 && !(even_count && count % 2 != 0)) {
    payload = open_files::ReadBytes(file, static_cast<std::size_t>(count));
  }
  if (!payload) open_files::SetPosition(file, *start);
  return payload;
}

}  // namespace

bool FileSystemObject::BStringOut(std::int16_t hFile, const std::string& sData) {
  // The count is the number of bytes stored, which for the single-byte code
  // pages is the number of characters; with a multi-byte code page the whole
  // converted text is kept rather than cut at the character count.
  return WriteRecord(hFile, text::SystemCodePage().Encode(sData));
}

bool FileSystemObject::BStringOutW(std::int16_t hFile, const std::string& sData) {
  const std::u16string units = text::Utf8ToUtf16(sData);
  std::string payload;
  payload.reserve(units.size() * 2);
  for (char16_t unit : units) {
    payload.push_back(static_cast<char>(unit & 0xFF));
    payload.push_back(static_cast<char>(unit >> 8));
  }
  return WriteRecord(hFile, payload);
}

std::optional<std::string> FileSystemObject::BStringIn(std::int16_t hFile) {
  std::optional<std::string> payload = ReadRecord(hFile, /*even_count=*/false);
  if (!payload) return std::nullopt;
  return text::SystemCodePage().Decode(*payload);
}

std::optional<std::string> FileSystemObject::BStringInW(std::int16_t hFile) {
  // An odd count is never written by BStringOutW: the record is damaged.
  std::optional<std::string> payload = ReadRecord(hFile, /*even_count=*/true);
  if (!payload) return std::nullopt;
  std::u16string units(payload->size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>((*payload)[2 * i]) |
                                     (static_cast<unsigned char>((*payload)[2 * i + 1]) << 8));
  }
  return text::Utf16ToUtf8(units);
}

}  // namespace vkt::fs
