#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"
#include "text/codepage.h"
#include "text/sha256.h"

namespace vkt::text {
namespace {

TEST(CodePage, EveryWindows1252ByteRoundTrips) {
  const CodePage& page = SystemCodePage();
  ASSERT_TRUE(page.single_byte());
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::string utf8 = page.Decode(all);
  bool lossy = true;
  EXPECT_EQ(page.Encode(utf8, &lossy), all);
  EXPECT_FALSE(lossy);
  EXPECT_EQ((std::u16string{page.Unit(0x80), page.Unit(0x81), page.Unit(0x9D), page.Unit(0xFF)}),
            u"\u20AC\u0081\u009D\u00FF");
}

TEST(CodePage, UnmappableCharactersBecomeAQuestionMark) {
  bool lossy = false;
  EXPECT_EQ(SystemCodePage().Encode("a\xE2\x82\xAC\xE4\xB8\xAD\xF0\x9F\x98\x80z", &lossy),
            "a\x80??z");
  // One mark for a character outside the first plane, up to the last one.
  EXPECT_EQ(SystemCodePage().Encode("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"), "??");
  EXPECT_TRUE(lossy);
}

TEST(CodePage, OpensOtherConvertersByName) {
  std::string error;
  auto utf8 = CodePage::Open("UTF-8", &error);
  ASSERT_TRUE(utf8);
  EXPECT_FALSE(utf8->single_byte());
  EXPECT_EQ(utf8->Decode("a\xC3\xA7"), "a\xC3\xA7");
  EXPECT_FALSE(CodePage::Open("no-such-page", &error));
  EXPECT_EQ(error, "Unknown code page: no-such-page");
  // Only Windows-1252, under any of its names, gives its unassigned bytes the
  // C1 controls; other single-byte pages keep their own characters.
  EXPECT_EQ(CodePage::Open("CP1252", nullptr)->Unit(0x81), u'\u0081');
  EXPECT_EQ(CodePage::Open("ibm-5348_P100-1997", nullptr)->Unit(0x8D), u'\u008D');
  EXPECT_EQ(CodePage::Open("windows-1251", nullptr)->Unit(0x81), u'\u0403');
  EXPECT_EQ(CodePage::Open("windows-1251", nullptr)->Unit(0xC0), u'\u0410');
}

// A tool that switches pages back and forth must not keep a new page alive
// for every switch; references taken earlier stay valid all the same.
TEST(CodePage, SwitchingBackTakesTheEarlierPageAgain) {
  const CodePage* pages[2] = {};
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(SetSystemCodePage(i % 2 ? "UTF-8" : "windows-1252", nullptr));
    if (i < 2) pages[i] = &SystemCodePage();
    EXPECT_EQ(&SystemCodePage(), pages[i % 2]);
  }
  EXPECT_NE(pages[0], pages[1]);
  EXPECT_EQ(pages[0]->Decode("\xE9"), "\xC3\xA9");
  EXPECT_EQ(pages[1]->Decode("\xC3\xA9"), "\xC3\xA9");
  ASSERT_TRUE(SetSystemCodePage("windows-1252", nullptr));
}

struct Vector {
  std::string input;
  const char* digest;
};

// FIPS 180-4 example messages.
const Vector kVectors[] = {
    {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
};

TEST(Sha256, MatchesTheStandardVectors) {
  for (const Vector& v : kVectors) {
    EXPECT_EQ(Sha256Hex(v.input), v.digest) << "input of " << v.input.size() << " bytes";
  }
}

TEST(Sha256, GivesTheSameDigestWhateverTheChunking) {
  // Lengths around the 55/56/64-byte padding boundaries, fed in uneven pieces.
  for (std::size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 1000u}) {
    std::string data;
    for (std::size_t i = 0; i < length; ++i) data.push_back(static_cast<char>(i * 7 + 3));
    for (std::size_t chunk : {1u, 3u, 17u, 64u}) {
      Sha256 hash;
      for (std::size_t at = 0; at < data.size(); at += chunk) {
        hash.Update(std::string_view(data).substr(at, chunk));
      }
      EXPECT_EQ(HexDigest(hash.Final()), Sha256Hex(data)) << length << " by " << chunk;
    }
  }
}

TEST(Sha256File, HashesAFileLargerThanOneReadBlock) {
  testing::TempDir dir;
  std::string data;
  for (std::size_t i = 0; i < 3 * 1024 * 1024 + 5; ++i) data.push_back(static_cast<char>(i % 251));
  dir.Write("Big/Script.ORA", data);
  std::string hex;
  std::uint64_t size = 0;
  // The program's paths: Windows form, any letter case.
  ASSERT_TRUE(Sha256File(dir.path() + "\\big\\script.ora", &hex, &size).ok());
  EXPECT_EQ(hex, Sha256Hex(data));
  EXPECT_EQ(size, data.size());
}

}  // namespace
}  // namespace vkt::text
