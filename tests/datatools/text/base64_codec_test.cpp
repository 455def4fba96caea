#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "datatools/text/text_codec.h"
#include "tests/datatools/text/core_test_support.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

using testing::AsBytes;
using testing::AsOut;
using testing::CoreOutput;
using testing::RunCore;

CoreOutput Encode(std::string_view data, bool urlSafe, bool padded, uint64_t capacity) {
  return RunCore(capacity, [&](char* out, uint64_t cap) {
    return TextBase64Encode(AsBytes(data), data.size(), out, cap, urlSafe, padded);
  });
}

CoreOutput Encode(std::string_view data, bool urlSafe, bool padded) {
  return Encode(data, urlSafe, padded, static_cast<uint64_t>(TextBase64EncodedLength(data.size())));
}

CoreOutput Decode(std::string_view text, uint64_t capacity) {
  return RunCore(capacity, [&](char* out, uint64_t cap) {
    return TextBase64Decode(text.data(), text.size(), AsOut(out), cap);
  });
}

CoreOutput Decode(std::string_view text) {
  return Decode(text, static_cast<uint64_t>(TextBase64DecodedCapacity(text.size())));
}

struct VectorCase {
  const char* name;
  std::string data;
  std::string padded;
  std::string unpadded;
};

class Base64Vectors : public ::testing::TestWithParam<VectorCase> {};

// RFC 4648 section 10.
INSTANTIATE_TEST_SUITE_P(Rfc4648, Base64Vectors,
                         ::testing::Values(VectorCase{"empty", "", "", ""},
                                           VectorCase{"f", "f", "Zg==", "Zg"},
                                           VectorCase{"fo", "fo", "Zm8=", "Zm8"},
                                           VectorCase{"foo", "foo", "Zm9v", "Zm9v"},
                                           VectorCase{"foob", "foob", "Zm9vYg==", "Zm9vYg"},
                                           VectorCase{"fooba", "fooba", "Zm9vYmE=", "Zm9vYmE"},
                                           VectorCase{"foobar", "foobar", "Zm9vYmFy", "Zm9vYmFy"}),
                         nubo::testing::CaseName());

TEST_P(Base64Vectors, EncodesPaddedAndUnpadded) {
  const VectorCase& c = GetParam();
  const CoreOutput padded = Encode(c.data, false, true);
  EXPECT_EQ(padded.status, static_cast<int32_t>(c.padded.size()));
  EXPECT_EQ(padded.text, c.padded);
  EXPECT_EQ(TextBase64EncodedLength(c.data.size()), static_cast<int64_t>(c.padded.size()));
  const CoreOutput unpadded = Encode(c.data, false, false);
  EXPECT_EQ(unpadded.status, static_cast<int32_t>(c.unpadded.size()));
  EXPECT_EQ(unpadded.text, c.unpadded);
}

TEST_P(Base64Vectors, DecodesBothForms) {
  const VectorCase& c = GetParam();
  EXPECT_EQ(Decode(c.padded).text, c.data);
  EXPECT_EQ(Decode(c.unpadded).text, c.data);
  EXPECT_EQ(Decode(c.unpadded).status, static_cast<int32_t>(c.data.size()));
}

TEST(Base64Encode, UrlSafeAlphabetReplacesOnlyValues62And63) {
  const std::string data("\xfb\xff\xbf", 3);  // 111110 111111 111110 111111
  EXPECT_EQ(Encode(data, false, true).text, "+/+/");
  EXPECT_EQ(Encode(data, true, true).text, "-_-_");
  const std::string tail("\xfb\xf0", 2);
  EXPECT_EQ(Encode(tail, true, true).text, "-_A=");
  EXPECT_EQ(Encode(tail, true, false).text, "-_A");
}

TEST(Base64Encode, WholeAlphabetInOrder) {
  std::string data;
  // 48 bytes whose 6-bit groups count 0..63.
  for (unsigned group = 0; group < 64; group += 4) {
    const uint32_t bits = (group << 18) | ((group + 1) << 12) | ((group + 2) << 6) | (group + 3);
    data += static_cast<char>(bits >> 16);
    data += static_cast<char>(bits >> 8);
    data += static_cast<char>(bits);
  }
  EXPECT_EQ(Encode(data, false, true).text,
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
  EXPECT_EQ(Encode(data, true, true).text,
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_");
  EXPECT_EQ(Decode("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_").text, data);
}

TEST(Base64Encode, RefusesASmallCapacityBeforeWriting) {
  char out[8] = {'#', '#', '#', '#', '#', '#', '#', '#'};
  EXPECT_EQ(TextBase64Encode(AsBytes("foob"), 4, out, 7, false, true), -1);
  EXPECT_EQ(std::string(out, 8), "########");
  EXPECT_EQ(TextBase64Encode(AsBytes("foob"), 4, out, 5, false, false), -1);
  EXPECT_EQ(TextBase64Encode(AsBytes("foob"), 4, out, 6, false, false), 6);
  EXPECT_EQ(Encode("foob", false, true, 8).text, "Zm9vYg==");
}

TEST(Base64Encode, RefusesNullPointers) {
  char out[4];
  EXPECT_EQ(TextBase64Encode(nullptr, 0, out, 4, false, true), -1);
  EXPECT_EQ(TextBase64Encode(AsBytes("f"), 1, nullptr, 4, false, true), -1);
}

TEST(Base64Encode, CountsThatDoNotFitAreRefused) {
  // Lengths whose text would not fit a 32-bit count, with a capacity that
  // would wrap in careless arithmetic; nothing is read or written.
  char out[4];
  const uint8_t byte = 0;
  EXPECT_EQ(TextBase64Encode(&byte, UINT64_MAX, out, UINT64_MAX, false, true), -1);
  EXPECT_EQ(TextBase64Encode(&byte, (uint64_t{1} << 62), out, UINT64_MAX, false, false), -1);
  EXPECT_EQ(TextBase64Encode(&byte, 1610612736, out, UINT64_MAX, false, true), -1);  // 2 GiB text
  EXPECT_EQ(TextBase64EncodedLength(UINT64_MAX), -1);
  EXPECT_EQ(TextBase64EncodedLength(UINT64_MAX - 1), -1);
  EXPECT_EQ(TextBase64EncodedLength(6917529027641081853ull), INT64_MAX - 3);  // largest that fits
  EXPECT_EQ(TextBase64EncodedLength(6917529027641081856ull), -1);
  EXPECT_EQ(TextBase64DecodedCapacity(UINT64_MAX), -1);
  EXPECT_EQ(TextBase64DecodedCapacity(1000), 753);
  EXPECT_EQ(TextBase64DecodedCapacity(0), 3);
}

TEST(Base64Decode, SkipsBlanksAndLineBreaksAnywhere) {
  EXPECT_EQ(Decode(" Zm9v\r\nYm\tFy \n").text, "foobar");
  EXPECT_EQ(Decode("Z m 9 v").text, "foo");
  EXPECT_EQ(Decode("\n\n").status, 0);
}

TEST(Base64Decode, FirstPadEndsTheText) {
  EXPECT_EQ(Decode("Zg==garbage!*").text, "f");
  EXPECT_EQ(Decode("Zm8=Zm8=").text, "fo");
  EXPECT_EQ(Decode("=").status, 0);
  EXPECT_EQ(Decode("Zm9v=\x01").text, "foo");
}

TEST(Base64Decode, AcceptsMixedAlphabets) {
  EXPECT_EQ(Decode("+/-_").text, std::string("\xfb\xff\xbf", 3));
  EXPECT_EQ(Decode("-/+_").text, std::string("\xfb\xff\xbf", 3));
}

TEST(Base64Decode, LeftoverBitsAreDropped) {
  EXPECT_EQ(Decode("Zm9vY").text, "foo");  // a single leftover character: nothing
  EXPECT_EQ(Decode("Z").status, 0);
  EXPECT_EQ(Decode("Zh").text, "f");  // non-zero low bits are not reported
  EXPECT_EQ(Decode("Zm9").text, "fo");
}

TEST(Base64Decode, RefusesOtherCharacters) {
  const std::string texts[] = {"Zm9v!", std::string("Zm\0v", 4), "Zm.v", "\xff", "Zm9v\v",
                               "Zm9v\f", "*"};
  for (const std::string& text : texts) EXPECT_EQ(Decode(text).status, -1) << text;
}

TEST(Base64Decode, AByteThatFindsTheOutputFullFails) {
  EXPECT_EQ(Decode("Zm9vYmFy", 6).text, "foobar");
  EXPECT_EQ(Decode("Zm9vYmFy", 5).status, -1);
  EXPECT_EQ(Decode("Zm9vYmE", 5).text, "fooba");
  EXPECT_EQ(Decode("Zm9vYmE", 4).status, -1);
  EXPECT_EQ(Decode("Zm", 0).status, -1);
  EXPECT_EQ(Decode("Z", 0).status, 0);
  EXPECT_EQ(Decode("", 0).status, 0);
}

TEST(Base64Decode, RefusesNullPointers) {
  uint8_t out[4];
  EXPECT_EQ(TextBase64Decode(nullptr, 0, out, 4), -1);
  EXPECT_EQ(TextBase64Decode("Zg==", 4, nullptr, 4), -1);
}

TEST(Base64, RoundTripsEveryLengthAndFlag) {
  std::string data;
  for (int length = 0; length < 200; ++length) {
    for (int flags = 0; flags < 4; ++flags) {
      const CoreOutput encoded = Encode(data, flags & 1, flags & 2);
      ASSERT_GE(encoded.status, 0);
      ASSERT_EQ(Decode(encoded.text).text, data) << length << " " << flags;
    }
    data += static_cast<char>(length * 37 + 11);
  }
}

TEST(Base64, FastAndCarefulPathsAgreeAroundLineBreaks) {
  std::string data;
  for (int i = 0; i < 3000; ++i) data += static_cast<char>((i * 131) ^ (i >> 3));
  const std::string text = Encode(data, false, true).text;
  std::string wrapped;
  for (size_t i = 0; i < text.size(); ++i) {
    if (i % 76 == 0 && i > 0) wrapped += "\r\n";
    if (i % 7 == 3) wrapped += ' ';
    wrapped += text[i];
  }
  EXPECT_EQ(Decode(wrapped).text, data);
}

}  // namespace
}  // namespace nubo
