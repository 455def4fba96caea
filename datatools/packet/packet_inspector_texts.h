#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Limits and failure texts of the packet inspector tool.
namespace nubo::packet_inspector {

// Decoded bytes accepted by one analysis (256 KiB; exactly this is accepted).
inline constexpr std::size_t kMaxBytes = 262144;

inline constexpr std::string_view kBadMode =
    "报文起始层无效，请选择自动、Ethernet、IPv4、IPv6、TCP、UDP 或原始数据。";
inline constexpr std::string_view kNotHex = "报文中包含非十六进制字符；请粘贴规范化 Hex 内容。";
inline constexpr std::string_view kOddDigits =
    "十六进制数字数量必须为偶数，当前末尾缺少半个字节。";
inline constexpr std::string_view kParseFailed = "十六进制报文解析失败，请检查输入长度与格式。";
static_assert(kMaxBytes == 256 * 1024);
inline constexpr std::string_view kTooLarge = "单次报文分析最多支持 256 KB 数据。";
inline constexpr std::string_view kDecoderFailed = "报文解析核心未能完成本次分析。";

// The failure text of a negative status of PacketParseHex.
inline std::string_view ParseFailureText(std::int64_t status) {
  switch (status) {
    case -2: return kNotHex;
    case -4: return kOddDigits;
    default: return kParseFailed;
  }
}

}  // namespace nubo::packet_inspector
