// The code pages of the Linux build: ICU's converters.
#include <unicode/ucnv.h>

#include <cstring>

#include "text/codepage.h"

namespace vkt::text {

struct CodePage::Converter {
  UConverter* converter = nullptr;
  ~Converter() {
    if (converter) ucnv_close(converter);
  }
};

CodePage::CodePage() = default;
CodePage::~CodePage() = default;

bool CodePage::OpenConverter() {
  UErrorCode status = U_ZERO_ERROR;
  UConverter* cnv = ucnv_open(name_.c_str(), &status);
  if (U_FAILURE(status) || !cnv) return false;
  converter_ = std::make_unique<Converter>();
  converter_->converter = cnv;
  status = U_ZERO_ERROR;
  ucnv_setSubstChars(cnv, "?", 1, &status);
  status = U_ZERO_ERROR;
  const char* canonical = ucnv_getName(cnv, &status);
  windows_1252_ = U_SUCCESS(status) && std::strcmp(canonical, "ibm-5348_P100-1997") == 0;
  utf8_ = ucnv_getType(cnv) == UCNV_UTF8;
  single_byte_ = ucnv_getMaxCharSize(cnv) == 1;
  if (!single_byte_) return true;

  // One probe converter that stops at unassigned bytes; each call resets it.
  status = U_ZERO_ERROR;
  UConverter* probe = ucnv_clone(cnv, &status);
  if (U_FAILURE(status) || !probe) return false;
  status = U_ZERO_ERROR;
  ucnv_setToUCallBack(probe, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  for (int b = 0; b < 256; ++b) {
    char byte = static_cast<char>(b);
    UChar unit = 0xFFFD;
    UChar out[4];
    status = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(probe, out, 4, &byte, 1, &status);
    if (U_SUCCESS(status) && n == 1) unit = out[0];
    to_unit_[b] = unit;
  }
  ucnv_close(probe);
  return true;
}

std::u16string CodePage::ConverterDecode(std::string_view bytes) const {
  std::u16string out;
  UErrorCode status = U_ZERO_ERROR;
  UConverter* cnv = ucnv_clone(converter_->converter, &status);
  if (U_FAILURE(status)) return out;
  out.resize(bytes.size() * 2 + 4);
  status = U_ZERO_ERROR;
  int32_t n =
      ucnv_toUChars(cnv, reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                    bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  ucnv_close(cnv);
  out.resize(U_SUCCESS(status) ? static_cast<size_t>(n) : 0);
  return out;
}

std::string CodePage::ConverterEncode(std::u16string_view units) const {
  std::string out;
  UErrorCode status = U_ZERO_ERROR;
  UConverter* cnv = ucnv_clone(converter_->converter, &status);
  if (U_FAILURE(status)) return out;
  out.resize(units.size() * 4 + 8);
  status = U_ZERO_ERROR;
  int32_t n = ucnv_fromUChars(cnv, out.data(), static_cast<int32_t>(out.size()),
                              reinterpret_cast<const UChar*>(units.data()),
                              static_cast<int32_t>(units.size()), &status);
  ucnv_close(cnv);
  out.resize(U_SUCCESS(status) ? static_cast<size_t>(n) : 0);
  return out;
}

}  // namespace vkt::text
