#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "datatools/image/image_formats.h"

namespace nubo {
namespace {

std::vector<unsigned char> Bytes(const std::string& text) {
  return std::vector<unsigned char>(text.begin(), text.end());
}

TEST(ImageFormats, PrefixesAndExtensions) {
  EXPECT_EQ(ImageFormatDataUrlPrefix("png"), "data:image/png;base64,");
  EXPECT_EQ(ImageFormatDataUrlPrefix("jpeg"), "data:image/jpeg;base64,");
  EXPECT_EQ(ImageFormatDataUrlPrefix("webp"), "data:image/webp;base64,");
  EXPECT_EQ(ImageFormatDataUrlPrefix("ico"), "data:image/png;base64,");
  EXPECT_THROW(ImageFormatDataUrlPrefix("jpg"), std::runtime_error);
  EXPECT_EQ(ImageFormatExtension("jpeg"), L".jpg");
  EXPECT_EQ(ImageFormatExtension("png"), L".png");
  EXPECT_EQ(ImageFormatExtension("webp"), L".webp");
  EXPECT_EQ(ImageFormatExtension("ico"), L".ico");
}

TEST(ImageFormats, Signatures) {
  EXPECT_TRUE(HasImageSignature("png", Bytes(std::string("\x89PNG\r\n\x1A\n", 8))));
  EXPECT_FALSE(HasImageSignature("png", Bytes(std::string("\x89PNG\r\n\x1A", 7))));
  EXPECT_TRUE(HasImageSignature("ico", Bytes(std::string("\x89PNG\r\n\x1A\nrest", 12))));
  EXPECT_TRUE(HasImageSignature("jpeg", Bytes("\xFF\xD8\xFF")));
  EXPECT_FALSE(HasImageSignature("jpeg", Bytes("\xFF\xD8\xFE")));
  EXPECT_TRUE(HasImageSignature("webp", Bytes(std::string("RIFF\0\0\0\0WEBP", 12))));
  EXPECT_FALSE(HasImageSignature("webp", Bytes(std::string("RIFX\0\0\0\0WEBP", 12))));
  EXPECT_FALSE(HasImageSignature("gif", Bytes("GIF89a")));
}

}  // namespace
}  // namespace nubo
