#include "tests/characters/picture_bytes.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace nubo::testing {
namespace {

constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";

uint32_t Crc32(const std::string& bytes) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> values{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      values[n] = c;
    }
    return values;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void PutBigEndian(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(value >> shift));
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
  PutBigEndian(out, static_cast<uint32_t>(data.size()));
  const std::string body = type + data;
  out += body;
  PutBigEndian(out, Crc32(body));
}

// A zlib stream of stored deflate blocks.
std::string ZlibStored(const std::string& raw) {
  std::string out = "\x78\x01";
  size_t offset = 0;
  do {
    const size_t piece = std::min<size_t>(raw.size() - offset, 65535);
    const bool last = offset + piece == raw.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<char>(piece & 0xFF));
    out.push_back(static_cast<char>(piece >> 8));
    out.push_back(static_cast<char>(~piece & 0xFF));
    out.push_back(static_cast<char>((~piece >> 8) & 0xFF));
    out.append(raw, offset, piece);
    offset += piece;
  } while (offset < raw.size());
  uint32_t a = 1;
  uint32_t b = 0;
  for (unsigned char byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBigEndian(out, (b << 16) | a);
  return out;
}

}  // namespace

std::string MakePng(int width, int height) {
  std::string header;
  PutBigEndian(header, static_cast<uint32_t>(width));
  PutBigEndian(header, static_cast<uint32_t>(height));
  header += std::string("\x08\x06\x00\x00\x00", 5);  // 8-bit RGBA, no interlace
  std::string raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back('\0');  // no filter
    for (int x = 0; x < width; ++x) raw += std::string("\xE0\x60\x90\xFF", 4);
  }
  std::string png(kPngSignature, 8);
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", ZlibStored(raw));
  PutChunk(png, "IEND", "");
  return png;
}

std::string MakeWebpBytes(size_t size) {
  std::string bytes("RIFF\x10\x00\x00\x00WEBP", 12);
  bytes.resize(std::max<size_t>(size, 12), 'w');
  return bytes;
}

std::string MakePngSignedBytes(size_t size) {
  std::string bytes(kPngSignature, 8);
  bytes.resize(std::max<size_t>(size, 8), 'p');
  return bytes;
}

std::string Base64Encode(const std::string& bytes) {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t n = std::min<size_t>(3, bytes.size() - i);
    uint32_t group = 0;
    for (size_t k = 0; k < 3; ++k) {
      group = (group << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    }
    for (size_t k = 0; k < 4; ++k) {
      out.push_back(k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=');
    }
  }
  return out;
}

std::string PngDataUrl(const std::string& bytes) { return "data:image/png;base64," + Base64Encode(bytes); }

std::string WebpDataUrl(const std::string& bytes) {
  return "data:image/webp;base64," + Base64Encode(bytes);
}

std::string NumberedName(int number) {
  std::string name(1, 'c');
  name += std::to_string(number);
  return name;
}

}  // namespace nubo::testing
