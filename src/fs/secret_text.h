// Texts that hold a secret (a password, a message that quotes one). Their
// storage is overwritten before it is released, so that the secret does not
// outlive its use in freed memory. The whole storage is wiped, the spare
// capacity beyond the text included: a text that was longer once, or a
// message grown piece by piece, leaves old bytes there.
#pragma once

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "fs/platform/secure_memory.h"

namespace vkt::fs {

// Overwrites every byte of `text`'s storage, its capacity beyond the text
// included, and leaves the text empty; the storage stays allocated.
template <typename Allocator>
void WipeText(std::basic_string<char, std::char_traits<char>, Allocator>* text) {
  // Growing to the capacity never reallocates, and makes all of the storage
  // part of the text, where it may be written.
  text->resize(text->capacity());
  platform::WipeMemory(text->data(), text->size());
  text->clear();
}

// A text holding a secret. Every storage it owns is wiped before it is
// released: when the text is destroyed or given a new value. A text moved
// from is wiped by its own destructor; a copy is a secret of its own. The
// allocator is a parameter so that tests can watch what is released.
template <typename Allocator = std::allocator<char>>
class BasicSecretText {
 public:
  using String = std::basic_string<char, std::char_traits<char>, Allocator>;

  BasicSecretText() = default;
  explicit BasicSecretText(const Allocator& allocator) : text_(allocator) {}
  explicit BasicSecretText(std::string_view text, const Allocator& allocator = Allocator())
      : text_(allocator) {
    text_.append(text.data(), text.size());
  }
  BasicSecretText(const BasicSecretText& other) : text_(other.text_) {}
  BasicSecretText(BasicSecretText&& other) noexcept : text_(std::move(other.text_)) {}
  BasicSecretText& operator=(const BasicSecretText& other) {
    Assign(other.view());
    return *this;
  }
  BasicSecretText& operator=(BasicSecretText&& other) noexcept {
    if (this != &other) {
      WipeText(&text_);
      text_ = std::move(other.text_);
    }
    return *this;
  }
  ~BasicSecretText() { WipeText(&text_); }

  // The pieces one after another, built in one storage reserved up front:
  // joining them with "+" would leave each intermediate result, and each
  // storage outgrown on the way, unwiped.
  static BasicSecretText Concat(std::initializer_list<std::string_view> pieces,
                                const Allocator& allocator = Allocator()) {
    std::size_t size = 0;
    for (std::string_view piece : pieces) size += piece.size();
    BasicSecretText result(allocator);
    result.text_.reserve(size);
    for (std::string_view piece : pieces) result.text_.append(piece.data(), piece.size());
    return result;
  }

  // Replaces the text with `text` (which may view this text itself), wiping
  // the old storage before it can be released.
  void Assign(std::string_view text) {
    if (Overlaps(text)) {
      const BasicSecretText copy(text, text_.get_allocator());
      Assign(copy.view());
      return;
    }
    WipeText(&text_);
    text_.append(text.data(), text.size());
  }

  const String& str() const { return text_; }
  std::string_view view() const { return {text_.data(), text_.size()}; }

 private:
  bool Overlaps(std::string_view text) const {
    const std::less<const char*> before;
    const char* begin = text_.data();
    const char* end = begin + text_.capacity() + 1;
    return !text.empty() && before(text.data(), end) && before(begin, text.data() + text.size());
  }

  String text_;
};

using SecretText = BasicSecretText<>;

}  // namespace vkt::fs
