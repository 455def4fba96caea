#pragma once

#include <string_view>

#include "datatools/text/text_tool_limits.h"

// User texts of the text tools.

namespace nubo::text_tools {

static_assert(kMaxInputBytes == 1024 * 1024);
inline constexpr std::string_view kInputTooLarge = "当前工具单次最多处理 1 MB 文本。";
inline constexpr std::string_view kToolNotConnected = "这个工具操作尚未接入本地核心。";
inline constexpr std::string_view kBase64EncodeFailed = "Base64 编码失败，请检查输入内容。";
inline constexpr std::string_view kBase64Malformed = "Base64 内容格式不正确。";
inline constexpr std::string_view kDecodedNotUtf8 = "解码结果不是 UTF-8 文本，二进制模式将在后续版本提供。";
inline constexpr std::string_view kHexEncodeFailed = "Hex 编码失败。";
inline constexpr std::string_view kHexMalformed = "Hex 内容必须由成对的十六进制数字组成。";
inline constexpr std::string_view kHashFailed = "哈希计算失败。";
inline constexpr std::string_view kUrlEncodeFailed = "URL 编码失败。";
inline constexpr std::string_view kUrlEscapeMalformed = "URL 转义格式不正确，请检查百分号后的十六进制数字。";
inline constexpr std::string_view kUrlDecodedNotUtf8 = "URL 解码结果不是有效的 UTF-8 文本。";
inline constexpr std::string_view kTimestampNotInteger = "时间戳必须是完整的十进制整数。";
inline constexpr std::string_view kTimestampOutOfRange = "时间戳超出当前支持的 UTC 日期范围。";
static_assert(kMinUuidCount == 1 && kMaxUuidCount == 50);
inline constexpr std::string_view kUuidCountInvalid = "UUID 数量需要是 1 到 50 之间的整数。";
inline constexpr std::string_view kRandomFailed = "Windows 安全随机数生成失败。";
inline constexpr std::string_view kUuidFormatFailed = "UUID 生成失败。";
static_assert(kMinPasswordLength == 4 && kMaxPasswordLength == 128);
inline constexpr std::string_view kPasswordLengthInvalid = "密码长度需要是 4 到 128 之间的整数。";
inline constexpr std::string_view kPasswordFailed = "密码生成失败，请重试。";

}  // namespace nubo::text_tools
