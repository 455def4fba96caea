#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "datatools/text/digests.h"
#include "datatools/text/sha256_transform.h"
#include "tests/datatools/text/core_test_support.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

using testing::AsBytes;

std::string Md5(std::string_view data) {
  char out[32];
  EXPECT_EQ(TextMd5Hex(AsBytes(data), data.size(), out, sizeof out), 32);
  return std::string(out, 32);
}

std::string Sha256(std::string_view data) {
  char out[64];
  EXPECT_EQ(TextSha256Hex(AsBytes(data), data.size(), out, sizeof out), 64);
  return std::string(out, 64);
}

struct DigestCase {
  const char* name;
  std::string data;
  std::string digest;
};

class Md5Vectors : public ::testing::TestWithParam<DigestCase> {};
class Sha256Vectors : public ::testing::TestWithParam<DigestCase> {};

TEST_P(Md5Vectors, GivesThePublishedDigest) { EXPECT_EQ(Md5(GetParam().data), GetParam().digest); }
TEST_P(Sha256Vectors, GivesThePublishedDigest) {
  EXPECT_EQ(Sha256(GetParam().data), GetParam().digest);
}

// RFC 1321, appendix A.5.
INSTANTIATE_TEST_SUITE_P(
    Rfc1321, Md5Vectors,
    ::testing::Values(
        DigestCase{"empty", "", "d41d8cd98f00b204e9800998ecf8427e"},
        DigestCase{"a", "a", "0cc175b9c0f1b6a831c399e269772661"},
        DigestCase{"abc", "abc", "900150983cd24fb0d6963f7d28e17f72"},
        DigestCase{"message_digest", "message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        DigestCase{"alphabet", "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        DigestCase{"alphanumeric", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
                   "d174ab98d277d9f5a5611c2c9f419d9f"},
        DigestCase{"digits_80",
                   "1234567890123456789012345678901234567890123456789012345678901234567890"
                   "1234567890",
                   "57edf4a22be3c955ac49da2e2107b67a"}),
    nubo::testing::CaseName());

// Lengths around the final-block boundaries (the letter a repeated).
INSTANTIATE_TEST_SUITE_P(
    FinalBlock, Md5Vectors,
    ::testing::Values(DigestCase{"a55", std::string(55, 'a'), "ef1772b6dff9a122358552954ad0df65"},
                      DigestCase{"a56", std::string(56, 'a'), "3b0c8ac703f828b04c6c197006d17218"},
                      DigestCase{"a63", std::string(63, 'a'), "b06521f39153d618550606be297466d5"},
                      DigestCase{"a64", std::string(64, 'a'), "014842d480b571495a4a0363793f7367"},
                      DigestCase{"a65", std::string(65, 'a'), "c743a45e0d2e6a95cb859adae0248435"}),
    nubo::testing::CaseName());

// FIPS 180-4 examples (the NIST example documents for SHA-256).
INSTANTIATE_TEST_SUITE_P(
    Fips180, Sha256Vectors,
    ::testing::Values(
        DigestCase{"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        DigestCase{"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        DigestCase{"two_blocks", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
                   "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        DigestCase{"million_a", std::string(1000000, 'a'),
                   "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"}),
    nubo::testing::CaseName());

INSTANTIATE_TEST_SUITE_P(
    FinalBlock, Sha256Vectors,
    ::testing::Values(
        DigestCase{"a55", std::string(55, 'a'),
                   "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        DigestCase{"a56", std::string(56, 'a'),
                   "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        DigestCase{"a63", std::string(63, 'a'),
                   "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
        DigestCase{"a64", std::string(64, 'a'),
                   "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        DigestCase{"a65", std::string(65, 'a'),
                   "635361c48bb9eab14198e76ea8ab7f1a41685d6ad62aa9146d301d4f17eb0ae0"}),
    nubo::testing::CaseName());

TEST(Digests, RefuseNullPointersAndSmallCapacities) {
  char out[64];
  EXPECT_EQ(TextMd5Hex(nullptr, 0, out, 64), -1);
  EXPECT_EQ(TextMd5Hex(AsBytes("a"), 1, nullptr, 64), -1);
  EXPECT_EQ(TextMd5Hex(AsBytes("a"), 1, out, 31), -1);
  EXPECT_EQ(TextSha256Hex(nullptr, 0, out, 64), -1);
  EXPECT_EQ(TextSha256Hex(AsBytes("a"), 1, nullptr, 64), -1);
  EXPECT_EQ(TextSha256Hex(AsBytes("a"), 1, out, 63), -1);
}

TEST(Digests, WriteExactlyTheirDigitsAndNoNul) {
  char out[70];
  std::memset(out, '#', sizeof out);
  EXPECT_EQ(TextMd5Hex(AsBytes("abc"), 3, out, sizeof out), 32);
  EXPECT_EQ(out[32], '#');
  std::memset(out, '#', sizeof out);
  EXPECT_EQ(TextSha256Hex(AsBytes("abc"), 3, out, sizeof out), 64);
  EXPECT_EQ(out[64], '#');
}

TEST(Sha256Transform, HardwareAndPortableAgree) {
  if (!text_core::Sha256HardwareAvailable()) GTEST_SKIP() << "no SHA extensions on this processor";
  std::mt19937 random(20240607);
  std::vector<uint8_t> blocks(64 * 40);
  for (int round = 0; round < 50; ++round) {
    for (uint8_t& b : blocks) b = static_cast<uint8_t>(random());
    uint32_t portable[8];
    for (uint32_t& word : portable) word = random();
    uint32_t hardware[8];
    std::memcpy(hardware, portable, sizeof portable);
    const uint64_t count = 1 + round % 40;
    text_core::Sha256TransformPortable(portable, blocks.data(), count);
    text_core::Sha256TransformHardware(hardware, blocks.data(), count);
    ASSERT_EQ(std::memcmp(portable, hardware, sizeof portable), 0) << round;
  }
}

}  // namespace
}  // namespace nubo
