#include "text/sha256.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace vkt::text {
namespace {

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

// The pieces are asked for until the first empty one, and no further.
TEST(Sha256, StopsAtTheFirstEmptyPiece) {
  const std::string_view pieces[] = {"a", "bc", "", "never"};
  std::size_t asked = 0;
  Sha256Digest digest{};
  ASSERT_TRUE(ComputeSha256([&] { return pieces[asked++]; }, &digest));
  EXPECT_EQ(asked, 3u);
  EXPECT_EQ(HexDigest(digest), kVectors[1].digest);
}

}  // namespace
}  // namespace vkt::text
