#include <algorithm>

#include "text/codepage_internal.h"

namespace vkt::text::internal {
namespace {

// The code pages of the Windows build, each under exactly the names by which
// ICU (72) opens its converter, ICU's own name first. A code page added here
// takes all of them; tests/text/codepage_icu_test.cpp checks that on Linux.
// ("ibm-943" is missing from 932 on purpose: ICU lists it there but opens
// another converter by it. 858, DOS Latin 1 with the euro, is missing because
// Wine lacks it, so that no row goes untested.)
// clang-format off
constexpr CodePageName kNames[] = {
    // 65001 UTF-8
    {"UTF-8", 65001}, {"ibm-1208", 65001}, {"ibm-1209", 65001}, {"ibm-5304", 65001},
    {"ibm-5305", 65001}, {"ibm-13496", 65001}, {"ibm-13497", 65001}, {"ibm-17592", 65001},
    {"ibm-17593", 65001}, {"windows-65001", 65001}, {"cp1208", 65001}, {"x-UTF_8J", 65001},
    {"unicode-1-1-utf-8", 65001}, {"unicode-2-0-utf-8", 65001},
    // 1250 Windows: Central European
    {"ibm-5346_P100-1998", 1250}, {"ibm-5346", 1250}, {"windows-1250", 1250}, {"cp1250", 1250},
    // 1251 Windows: Cyrillic
    {"ibm-5347_P100-1998", 1251}, {"ibm-5347", 1251}, {"windows-1251", 1251}, {"cp1251", 1251},
    {"ANSI1251", 1251},
    // 1252 Windows: Western European
    {"ibm-5348_P100-1997", 1252}, {"ibm-5348", 1252}, {"windows-1252", 1252}, {"cp1252", 1252},
    // 1253 Windows: Greek
    {"ibm-5349_P100-1998", 1253}, {"ibm-5349", 1253}, {"windows-1253", 1253}, {"cp1253", 1253},
    // 1254 Windows: Turkish
    {"ibm-5350_P100-1998", 1254}, {"ibm-5350", 1254}, {"windows-1254", 1254}, {"cp1254", 1254},
    // 1255 Windows: Hebrew
    {"ibm-9447_P100-2002", 1255}, {"ibm-9447", 1255}, {"windows-1255", 1255}, {"cp1255", 1255},
    // 1256 Windows: Arabic
    {"ibm-9448_X100-2005", 1256}, {"ibm-9448", 1256}, {"windows-1256", 1256}, {"cp1256", 1256},
    {"x-windows-1256S", 1256},
    // 1257 Windows: Baltic
    {"ibm-9449_P100-2002", 1257}, {"ibm-9449", 1257}, {"windows-1257", 1257}, {"cp1257", 1257},
    // 1258 Windows: Vietnamese
    {"ibm-5354_P100-1998", 1258}, {"ibm-5354", 1258}, {"windows-1258", 1258}, {"cp1258", 1258},
    // 874 Windows: Thai
    {"windows-874-2000", 874}, {"TIS-620", 874}, {"windows-874", 874}, {"MS874", 874},
    {"x-windows-874", 874},
    // 28591 ISO 8859-1, Latin 1
    {"ISO-8859-1", 28591}, {"ibm-819", 28591}, {"IBM819", 28591}, {"cp819", 28591},
    {"latin1", 28591}, {"8859_1", 28591}, {"csISOLatin1", 28591}, {"iso-ir-100", 28591},
    {"ISO_8859-1:1987", 28591}, {"l1", 28591}, {"819", 28591},
    // 28592 ISO 8859-2, Latin 2
    {"ibm-912_P100-1995", 28592}, {"ibm-912", 28592}, {"ISO-8859-2", 28592},
    {"ISO_8859-2:1987", 28592}, {"latin2", 28592}, {"csISOLatin2", 28592}, {"iso-ir-101", 28592},
    {"l2", 28592}, {"8859_2", 28592}, {"cp912", 28592}, {"912", 28592}, {"windows-28592", 28592},
    // 28593 ISO 8859-3, Latin 3
    {"ibm-913_P100-2000", 28593}, {"ibm-913", 28593}, {"ISO-8859-3", 28593},
    {"ISO_8859-3:1988", 28593}, {"latin3", 28593}, {"csISOLatin3", 28593}, {"iso-ir-109", 28593},
    {"l3", 28593}, {"8859_3", 28593}, {"cp913", 28593}, {"913", 28593}, {"windows-28593", 28593},
    // 28594 ISO 8859-4, Baltic
    {"ibm-914_P100-1995", 28594}, {"ibm-914", 28594}, {"ISO-8859-4", 28594}, {"latin4", 28594},
    {"csISOLatin4", 28594}, {"iso-ir-110", 28594}, {"ISO_8859-4:1988", 28594}, {"l4", 28594},
    {"8859_4", 28594}, {"cp914", 28594}, {"914", 28594}, {"windows-28594", 28594},
    // 28595 ISO 8859-5, Cyrillic
    {"ibm-915_P100-1995", 28595}, {"ibm-915", 28595}, {"ISO-8859-5", 28595}, {"cyrillic", 28595},
    {"csISOLatinCyrillic", 28595}, {"iso-ir-144", 28595}, {"ISO_8859-5:1988", 28595},
    {"8859_5", 28595}, {"cp915", 28595}, {"915", 28595}, {"windows-28595", 28595},
    // 28596 ISO 8859-6, Arabic
    {"ibm-1089_P100-1995", 28596}, {"ibm-1089", 28596}, {"ISO-8859-6", 28596}, {"arabic", 28596},
    {"csISOLatinArabic", 28596}, {"iso-ir-127", 28596}, {"ISO_8859-6:1987", 28596},
    {"ECMA-114", 28596}, {"ASMO-708", 28596}, {"8859_6", 28596}, {"cp1089", 28596}, {"1089", 28596},
    {"windows-28596", 28596}, {"ISO-8859-6-I", 28596}, {"ISO-8859-6-E", 28596},
    {"x-ISO-8859-6S", 28596},
    // 28597 ISO 8859-7, Greek
    {"ibm-9005_X110-2007", 28597}, {"ibm-9005", 28597}, {"ISO-8859-7", 28597}, {"8859_7", 28597},
    {"greek", 28597}, {"greek8", 28597}, {"ELOT_928", 28597}, {"ECMA-118", 28597},
    {"csISOLatinGreek", 28597}, {"iso-ir-126", 28597}, {"ISO_8859-7:1987", 28597},
    {"windows-28597", 28597}, {"sun_eu_greek", 28597},
    // 28598 ISO 8859-8, Hebrew
    {"ibm-5012_P100-1999", 28598}, {"ibm-5012", 28598}, {"ISO-8859-8", 28598}, {"hebrew", 28598},
    {"csISOLatinHebrew", 28598}, {"iso-ir-138", 28598}, {"ISO_8859-8:1988", 28598},
    {"ISO-8859-8-I", 28598}, {"ISO-8859-8-E", 28598}, {"8859_8", 28598}, {"windows-28598", 28598},
    {"hebrew8", 28598},
    // 28599 ISO 8859-9, Turkish
    {"ibm-920_P100-1995", 28599}, {"ibm-920", 28599}, {"ISO-8859-9", 28599}, {"latin5", 28599},
    {"csISOLatin5", 28599}, {"iso-ir-148", 28599}, {"ISO_8859-9:1989", 28599}, {"l5", 28599},
    {"8859_9", 28599}, {"cp920", 28599}, {"920", 28599}, {"windows-28599", 28599},
    {"ECMA-128", 28599}, {"turkish8", 28599}, {"turkish", 28599},
    // 28603 ISO 8859-13, Estonian
    {"ibm-921_P100-1995", 28603}, {"ibm-921", 28603}, {"ISO-8859-13", 28603}, {"8859_13", 28603},
    {"windows-28603", 28603}, {"cp921", 28603}, {"921", 28603}, {"x-IBM921", 28603},
    // 28605 ISO 8859-15, Latin 9
    {"ibm-923_P100-1998", 28605}, {"ibm-923", 28605}, {"ISO-8859-15", 28605}, {"Latin-9", 28605},
    {"l9", 28605}, {"8859_15", 28605}, {"latin0", 28605}, {"csisolatin0", 28605},
    {"csisolatin9", 28605}, {"iso8859_15_fdis", 28605}, {"cp923", 28605}, {"923", 28605},
    {"windows-28605", 28605},
    // 437 DOS: United States
    {"ibm-437_P100-1995", 437}, {"ibm-437", 437}, {"IBM437", 437}, {"cp437", 437}, {"437", 437},
    {"csPC8CodePage437", 437}, {"windows-437", 437},
    // 850 DOS: Western European
    {"ibm-850_P100-1995", 850}, {"ibm-850", 850}, {"IBM850", 850}, {"cp850", 850}, {"850", 850},
    {"csPC850Multilingual", 850}, {"windows-850", 850},
    // 852 DOS: Central European
    {"ibm-852_P100-1995", 852}, {"ibm-852", 852}, {"IBM852", 852}, {"cp852", 852}, {"852", 852},
    {"csPCp852", 852}, {"windows-852", 852},
    // 855 DOS: Cyrillic
    {"ibm-855_P100-1995", 855}, {"ibm-855", 855}, {"IBM855", 855}, {"cp855", 855}, {"855", 855},
    {"csIBM855", 855}, {"csPCp855", 855}, {"windows-855", 855},
    // 857 DOS: Turkish
    {"ibm-857_P100-1995", 857}, {"ibm-857", 857}, {"IBM857", 857}, {"cp857", 857}, {"857", 857},
    {"csIBM857", 857}, {"windows-857", 857},
    // 860 DOS: Portuguese
    {"ibm-860_P100-1995", 860}, {"ibm-860", 860}, {"IBM860", 860}, {"cp860", 860}, {"860", 860},
    {"csIBM860", 860},
    // 861 DOS: Icelandic
    {"ibm-861_P100-1995", 861}, {"ibm-861", 861}, {"IBM861", 861}, {"cp861", 861}, {"861", 861},
    {"cp-is", 861}, {"csIBM861", 861}, {"windows-861", 861},
    // 862 DOS: Hebrew
    {"ibm-862_P100-1995", 862}, {"ibm-862", 862}, {"IBM862", 862}, {"cp862", 862}, {"862", 862},
    {"csPC862LatinHebrew", 862}, {"DOS-862", 862}, {"windows-862", 862},
    // 863 DOS: French Canadian
    {"ibm-863_P100-1995", 863}, {"ibm-863", 863}, {"IBM863", 863}, {"cp863", 863}, {"863", 863},
    {"csIBM863", 863},
    // 865 DOS: Nordic
    {"ibm-865_P100-1995", 865}, {"ibm-865", 865}, {"IBM865", 865}, {"cp865", 865}, {"865", 865},
    {"csIBM865", 865},
    // 866 DOS: Russian
    {"ibm-866_P100-1995", 866}, {"ibm-866", 866}, {"IBM866", 866}, {"cp866", 866}, {"866", 866},
    {"csIBM866", 866}, {"windows-866", 866},
    // 869 DOS: Modern Greek
    {"ibm-869_P100-1995", 869}, {"ibm-869", 869}, {"IBM869", 869}, {"cp869", 869}, {"869", 869},
    {"cp-gr", 869}, {"csIBM869", 869}, {"windows-869", 869},
    // 20866 KOI8-R
    {"ibm-878_P100-1996", 20866}, {"ibm-878", 20866}, {"KOI8-R", 20866}, {"koi8", 20866},
    {"csKOI8R", 20866}, {"windows-20866", 20866}, {"cp878", 20866},
    // 21866 KOI8-U
    {"ibm-1168_P100-2002", 21866}, {"ibm-1168", 21866}, {"KOI8-U", 21866}, {"windows-21866", 21866},
    // 20127 US-ASCII
    {"US-ASCII", 20127}, {"ASCII", 20127}, {"ANSI_X3.4-1968", 20127}, {"ANSI_X3.4-1986", 20127},
    {"ISO_646.irv:1991", 20127}, {"iso_646.irv:1983", 20127}, {"ISO646-US", 20127}, {"us", 20127},
    {"csASCII", 20127}, {"iso-ir-6", 20127}, {"cp367", 20127}, {"ascii7", 20127}, {"646", 20127},
    {"windows-20127", 20127}, {"ibm-367", 20127}, {"IBM367", 20127},
    // 10000 Mac OS Roman
    {"macos-0_2-10.2", 10000}, {"macintosh", 10000}, {"mac", 10000}, {"csMacintosh", 10000},
    {"windows-10000", 10000}, {"macroman", 10000}, {"x-macroman", 10000},
    // 932 Japanese (Shift-JIS)
    {"ibm-943_P15A-2003", 932}, {"Shift_JIS", 932}, {"MS_Kanji", 932},
    {"csShiftJIS", 932}, {"windows-31j", 932}, {"csWindows31J", 932}, {"x-sjis", 932},
    {"x-ms-cp932", 932}, {"cp932", 932}, {"windows-932", 932}, {"cp943c", 932}, {"IBM-943C", 932},
    {"ms932", 932}, {"pck", 932}, {"sjis", 932}, {"ibm-943_VSUB_VPUA", 932}, {"x-MS932_0213", 932},
    {"x-JISAutoDetect", 932},
    // 936 Simplified Chinese (GBK)
    {"windows-936-2000", 936}, {"GBK", 936}, {"CP936", 936}, {"MS936", 936}, {"windows-936", 936},
    // 949 Korean
    {"windows-949-2000", 949}, {"windows-949", 949}, {"KS_C_5601-1987", 949},
    {"KS_C_5601-1989", 949}, {"KSC_5601", 949}, {"csKSC56011987", 949}, {"korean", 949},
    {"iso-ir-149", 949}, {"ms949", 949}, {"x-KSC5601", 949},
    // 950 Traditional Chinese (Big5)
    {"windows-950-2000", 950}, {"Big5", 950}, {"csBig5", 950}, {"windows-950", 950},
    {"x-windows-950", 950}, {"x-big5", 950}, {"ms950", 950},
};
// clang-format on

}  // namespace

std::string CodePageNameKey(std::string_view name) {
  std::string key;
  bool after_digit = false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (c >= '1' && c <= '9') {
      after_digit = true;
    } else if (c == '0') {
      // A zero that leads a number is dropped; one after a digit is kept.
      const char next = i + 1 < name.size() ? name[i + 1] : '\0';
      if (!after_digit && next >= '0' && next <= '9') continue;
    } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
      after_digit = false;
      key.push_back(static_cast<char>(c | 0x20));
      continue;
    } else {
      after_digit = false;
      continue;
    }
    key.push_back(c);
  }
  return key;
}

std::span<const CodePageName> KnownCodePageNames() { return kNames; }

std::uint32_t WindowsCodePageNumber(std::string_view name) {
  const std::string key = CodePageNameKey(name);
  if (key.empty()) return 0;
  const auto* found =
      std::find_if(std::begin(kNames), std::end(kNames),
                   [&](const CodePageName& n) { return CodePageNameKey(n.name) == key; });
  return found == std::end(kNames) ? 0 : found->windows;
}

}  // namespace vkt::text::internal
