#include <gtest/gtest.h>

#include <stdexcept>

#include "characters/data_url.h"
#include "tests/characters/picture_bytes.h"
#include "tests/support/case_name.h"

namespace nubo {
namespace {

using namespace nubo::testing;

constexpr size_t kFourMiB = 4'194'304;

std::string RefusalOf(const std::string& dataUrl) {
  try {
    DecodeCharacterImageDataUrl(dataUrl);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "<accepted>";
}

TEST(CharacterDataUrl, PngIsDecodedWithItsExtension) {
  const std::string png = MakePng(3, 2);
  const DecodedCharacterImage image = DecodeCharacterImageDataUrl(PngDataUrl(png));
  EXPECT_EQ(image.extension, ".png");
  EXPECT_EQ(std::string(image.bytes.begin(), image.bytes.end()), png);
}

TEST(CharacterDataUrl, WebpIsDecodedWithItsExtension) {
  const std::string webp = MakeWebpBytes(40);
  const DecodedCharacterImage image = DecodeCharacterImageDataUrl(WebpDataUrl(webp));
  EXPECT_EQ(image.extension, ".webp");
  EXPECT_EQ(std::string(image.bytes.begin(), image.bytes.end()), webp);
}

TEST(CharacterDataUrl, ExactlyFourMebibytesAreAccepted) {
  const DecodedCharacterImage image =
      DecodeCharacterImageDataUrl(PngDataUrl(MakePngSignedBytes(kFourMiB)));
  EXPECT_EQ(image.bytes.size(), kFourMiB);
  EXPECT_EQ(image.bytes.back(), 'p');
}

struct RefusalCase {
  const char* name;
  std::string dataUrl;
  std::string message;
};

class CharacterDataUrlRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(CharacterDataUrlRefusal, SaysWhy) { EXPECT_EQ(RefusalOf(GetParam().dataUrl), GetParam().message); }

const std::string kTypeText = "角色图片只支持 PNG 或 WebP。";
const std::string kTooLong = "角色图片不能超过 4 MB。";
const std::string kInvalid = "角色图片数据无效或超过 4 MB。";
const std::string kMismatch = "图片内容与文件格式不一致。";

INSTANTIATE_TEST_SUITE_P(
    Texts, CharacterDataUrlRefusal,
    ::testing::Values(
        RefusalCase{"one_byte_over_four_mebibytes", PngDataUrl(MakePngSignedBytes(kFourMiB + 1)), kInvalid},
        RefusalCase{"upper_case_type", "data:image/PNG;base64," + Base64Encode(MakePng(1, 1)), kTypeText},
        RefusalCase{"upper_case_scheme", "DATA:image/png;base64," + Base64Encode(MakePng(1, 1)), kTypeText},
        RefusalCase{"upper_case_webp", "data:image/WEBP;base64," + Base64Encode(MakeWebpBytes(12)), kTypeText},
        RefusalCase{"jpeg", "data:image/jpeg;base64,/9j/4AAQ", kTypeText},
        RefusalCase{"no_prefix", Base64Encode(MakePng(1, 1)), kTypeText},
        RefusalCase{"empty", "", kTypeText},
        RefusalCase{"prefix_cut_short", "data:image/png;base64", kTypeText},
        RefusalCase{"empty_base64", "data:image/png;base64,", kTooLong},
        RefusalCase{"base64_over_eight_mebi_characters",
                    "data:image/png;base64," + std::string(8'388'609, 'A'), kTooLong},
        RefusalCase{"not_base64", "data:image/png;base64,%%%%", kInvalid},
        RefusalCase{"png_prefix_webp_bytes", PngDataUrl(MakeWebpBytes(64)), kMismatch},
        RefusalCase{"webp_prefix_png_bytes", WebpDataUrl(MakePng(2, 2)), kMismatch},
        RefusalCase{"png_seven_bytes", PngDataUrl(MakePngSignedBytes(8).substr(0, 7)), kMismatch},
        RefusalCase{"webp_eleven_bytes", WebpDataUrl(MakeWebpBytes(12).substr(0, 11)), kMismatch},
        RefusalCase{"webp_without_webp_mark", WebpDataUrl(std::string("RIFF\x10\x00\x00\x00WEBQ", 12) + std::string(8, 'w')),
                    kMismatch}),
    testing::CaseName());

}  // namespace
}  // namespace nubo
