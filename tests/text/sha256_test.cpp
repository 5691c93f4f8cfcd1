#include "text/sha256.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace vkt::text
