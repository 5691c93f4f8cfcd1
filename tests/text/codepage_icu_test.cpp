// The text layer's own UTF-8 code and its table of code-page names against
// ICU (Linux build only): the Windows build, which has no ICU, runs the same
// code and reads the same table, so what agrees here agrees there.
#include <unicode/ucnv.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "text/codepage.h"
#include "text/codepage_internal.h"
#include "text/utf8.h"

namespace vkt::text {
namespace {

// Bytes at every edge that UTF-8's rules draw, and a letter.
constexpr unsigned char kEdges[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0,
                                    0xBF, 0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xED,
                                    0xEE, 0xEF, 0xF0, 0xF1, 0xF4, 0xF5, 0xFF};

// Every sequence of up to four units of `alphabet`.
template <typename Unit, typename Alphabet>
std::vector<std::basic_string<Unit>> UpToFour(const Alphabet& alphabet) {
  std::vector<std::basic_string<Unit>> all = {{}}, last = {{}};
  for (int length = 1; length <= 4; ++length) {
    std::vector<std::basic_string<Unit>> next;
    for (const auto& s : last) {
      for (auto unit : alphabet) next.push_back(s + static_cast<Unit>(unit));
    }
    all.insert(all.end(), next.begin(), next.end());
    last = std::move(next);
  }
  return all;
}

// Every sequence of up to four edge bytes, and every sequence of two bytes.
std::vector<std::string> Utf8Probes() {
  std::vector<std::string> probes = UpToFour<char>(kEdges);
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) probes.push_back({static_cast<char>(a), static_cast<char>(b)});
  }
  return probes;
}

std::u16string IcuFromUtf8(const std::string& s) {
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(s);
  return std::u16string(reinterpret_cast<const char16_t*>(u.getBuffer()),
                        static_cast<size_t>(u.length()));
}

TEST(Utf8, ReadsAndStepsBackAsIcuOnEveryEdge) {
  std::unique_ptr<CodePage> page = CodePage::Open("UTF-8", nullptr);
  ASSERT_TRUE(page);
  int failures = 0;
  for (const std::string& s : Utf8Probes()) {
    if (failures > 10) break;
    // Step by step, as U8_NEXT steps.
    const auto length = static_cast<int32_t>(s.size());
    int32_t icu_at = 0;
    std::size_t at = 0;
    bool valid = true;
    while (icu_at < length) {
      UChar32 expected = 0;
      U8_NEXT(s.data(), icu_at, length, expected);
      const std::int32_t got = NextUtf8(s, &at);
      if (got != expected || at != static_cast<std::size_t>(icu_at)) {
        ADD_FAILURE() << testing::PrintToString(s) << " at byte " << at;
        ++failures;
        break;
      }
      if (got < 0) valid = false;
    }
    EXPECT_EQ(IsValidUtf8(s), valid) << testing::PrintToString(s);
    const std::u16string units = IcuFromUtf8(s);
    EXPECT_EQ(Utf8ToUtf16(s), units) << testing::PrintToString(s);
    // The UTF-8 code page reads as ICU reads.
    EXPECT_EQ(page->DecodeUtf16(s), units) << testing::PrintToString(s);
    // Back one character from every end, as U8_BACK_1 steps.
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(s.data());
    for (std::size_t end = 1; end <= s.size(); ++end) {
      auto icu_back = static_cast<std::int32_t>(end);
      U8_BACK_1(bytes, 0, icu_back);
      std::size_t back = end;
      PreviousUtf8(s, &back);
      EXPECT_EQ(back, static_cast<std::size_t>(icu_back))
          << testing::PrintToString(s) << " from " << end;
    }
    if (Utf8ToUtf16(s) != units) ++failures;
  }
}

TEST(Utf8, WritesUtf16AsIcuWrites) {
  const char16_t units[] = {u'A', 0xE9, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xFFFD, 0xFFFF};
  for (const std::u16string& s : UpToFour<char16_t>(units)) {
    icu::UnicodeString u(false, reinterpret_cast<const UChar*>(s.data()),
                         static_cast<int32_t>(s.size()));
    std::string expected;
    u.toUTF8String(expected);
    EXPECT_EQ(Utf16ToUtf8(s), expected);
  }
}

std::string IcuCanonicalName(const std::string& name) {
  UErrorCode status = U_ZERO_ERROR;
  UConverter* cnv = ucnv_open(name.c_str(), &status);
  if (U_FAILURE(status)) return "";
  status = U_ZERO_ERROR;
  std::string canonical = ucnv_getName(cnv, &status);
  ucnv_close(cnv);
  return canonical;
}

// The names of each Windows code page are all the names by which ICU opens
// one converter, so a name one build knows the other knows too; and
// spellings are compared as ICU compares them: both builds accept the same
// spellings of a name and refuse the same others.
TEST(CodePageNames, AreIcusAliasesOfOneConverterPerWindowsCodePage) {
  std::map<std::uint32_t, std::vector<std::string>> groups;
  std::uint32_t previous = 0;
  for (const internal::CodePageName& n : internal::KnownCodePageNames()) {
    if (n.windows != previous) {
      EXPECT_FALSE(groups.count(n.windows)) << n.windows << " is not in one group";
      previous = n.windows;
    }
    groups[n.windows].push_back(n.name);
  }
  for (const auto& [number, names] : groups) {
    const std::string canonical = IcuCanonicalName(names.front());
    EXPECT_EQ(canonical, names.front()) << number << ": ICU's own name comes first";
    UErrorCode status = U_ZERO_ERROR;
    const int count = ucnv_countAliases(canonical.c_str(), &status);
    std::set<std::string> aliases;
    for (int i = 0; i < count; ++i) {
      status = U_ZERO_ERROR;
      const std::string alias = ucnv_getAlias(canonical.c_str(), static_cast<uint16_t>(i), &status);
      // ICU lists some aliases under two converters and opens only one by them.
      if (IcuCanonicalName(alias) == canonical) aliases.insert(alias);
    }
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), aliases) << number;
  }
  const char* spellings[] = {
      "windows-1252",
      "Windows_1252",
      "WINDOWS1252",
      " windows 1252 ",
      "windows-01252",
      "windows-12520",
      "windows-12500",  // a zero after a digit is kept
      "windows-1252x",
      "CP1252",
      "cp-1252",
      "iso-8859-1",
      "ISO_8859-01",
      "iso8859-1",
      "ISO-8859-1:1987",
      "latin-1",
      "Latin 9",
      "8859-15",
      "cp00850",
      "cp0850",
      "UTF8",
      "utf_8",
      "UTF-08",
      "ut-f8",
      "utf-16",
      "no-such-page",
      "ibm-5348",
      "Shift-JIS",
      "big-5",
      "koi8r",
      "x-mac-roman",
      "MacRoman",
      "ASCII",
      "",
      "-",
      "0",
      "00",
  };
  for (const char* spelling : spellings) {
    const std::uint32_t number = internal::WindowsCodePageNumber(spelling);
    const std::string icu = IcuCanonicalName(spelling);
    // ICU knows more converters than the Windows build; it must know every
    // one the Windows build knows, by the same spellings.
    if (number != 0) {
      EXPECT_EQ(icu, groups.at(number).front()) << '"' << spelling << '"';
    } else if (!icu.empty() && *spelling) {
      bool known_converter = false;
      for (const auto& [n, names] : groups) known_converter |= names.front() == icu;
      EXPECT_FALSE(known_converter) << '"' << spelling << "\" is " << icu;
    }
  }
}

}  // namespace
}  // namespace vkt::text
