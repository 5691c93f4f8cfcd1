// The streaming conversions of the Linux build: ICU's converters, with "?"
// for what the page lacks.
#include <unicode/ucnv.h>

#include <string>

#include "text/codepage_stream.h"

namespace vkt::text {

struct StreamConverter::State {
  UConverter* converter = nullptr;
  std::string name;      // the code page `converter` converts
  char32_t missing = 0;  // see StreamConverter::missing
  ~State() {
    if (converter) ucnv_close(converter);
  }
};

namespace {

StreamConverter::Step StepOf(UErrorCode status) {
  if (status == U_BUFFER_OVERFLOW_ERROR) return StreamConverter::Step::kFull;
  return U_FAILURE(status) ? StreamConverter::Step::kFailed : StreamConverter::Step::kDone;
}

// ICU's substitution ("?"), after noting the first character it stands for.
void SubstituteAndNote(const void* context, UConverterFromUnicodeArgs* args,
                       const UChar* code_units, int32_t length, UChar32 code_point,
                       UConverterCallbackReason reason, UErrorCode* status) {
  if (reason == UCNV_UNASSIGNED || reason == UCNV_ILLEGAL || reason == UCNV_IRREGULAR) {
    char32_t& missing = *static_cast<char32_t*>(const_cast<void*>(context));
    if (missing == 0) missing = static_cast<char32_t>(code_point);
  }
  UCNV_FROM_U_CALLBACK_SUBSTITUTE(nullptr, args, code_units, length, code_point, reason, status);
}

}  // namespace

StreamConverter::StreamConverter() = default;
StreamConverter::~StreamConverter() = default;

bool StreamConverter::Open(const CodePage& page) {
  if (state_ && state_->name == page.name()) {
    ucnv_reset(state_->converter);
    state_->missing = 0;
    return true;
  }
  state_.reset();
  UErrorCode status = U_ZERO_ERROR;
  UConverter* converter = ucnv_open(page.name().c_str(), &status);
  if (U_FAILURE(status) || !converter) return false;
  state_ = std::make_unique<State>();
  state_->converter = converter;
  state_->name = page.name();
  status = U_ZERO_ERROR;
  ucnv_setSubstChars(converter, "?", 1, &status);
  status = U_ZERO_ERROR;
  ucnv_setFromUCallBack(converter, SubstituteAndNote, &state_->missing, nullptr, nullptr, &status);
  return U_SUCCESS(status);
}

StreamConverter::Step StreamConverter::Decode(const char** from, const char* from_end,
                                              char16_t** to, char16_t* to_end, bool flush) {
  auto* target = reinterpret_cast<UChar*>(*to);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_toUnicode(state_->converter, &target, reinterpret_cast<UChar*>(to_end), from, from_end,
                 nullptr, flush, &status);
  *to = reinterpret_cast<char16_t*>(target);
  return StepOf(status);
}

StreamConverter::Step StreamConverter::Encode(const char16_t** from, const char16_t* from_end,
                                              char** to, char* to_end, bool flush) {
  const auto* source = reinterpret_cast<const UChar*>(*from);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_fromUnicode(state_->converter, to, to_end, &source, reinterpret_cast<const UChar*>(from_end),
                   nullptr, flush, &status);
  *from = reinterpret_cast<const char16_t*>(source);
  return StepOf(status);
}

char32_t StreamConverter::missing() const { return state_ ? state_->missing : 0; }

}  // namespace vkt::text
