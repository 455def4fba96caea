#pragma once

#include <cstddef>
#include <cstdint>

// Limits and user-facing texts of the text tools.

namespace nubo::text_tools {

constexpr size_t kMaxInputBytes = 1048576;  // 1 MB; exactly this much is accepted
constexpr int64_t kMinUuidCount = 1;
constexpr int64_t kMaxUuidCount = 50;
constexpr int64_t kMinPasswordLength = 4;
constexpr int64_t kMaxPasswordLength = 128;
constexpr int kPasswordAttempts = 4;
// Random bytes per password attempt for each character (plus four).
constexpr size_t kPasswordRandomBytesPerCharacter = 16;
constexpr size_t kUuidV4RandomBytes = 16;
constexpr size_t kUuidV7RandomBytes = 10;

constexpr char kInputTooLarge[] = "当前工具单次最多处理 1 MB 文本。";
constexpr char kToolNotConnected[] = "这个工具操作尚未接入本地核心。";
constexpr char kBase64EncodeFailed[] = "Base64 编码失败，请检查输入内容。";
constexpr char kBase64Malformed[] = "Base64 内容格式不正确。";
constexpr char kDecodedNotUtf8[] = "解码结果不是 UTF-8 文本，二进制模式将在后续版本提供。";
constexpr char kHexEncodeFailed[] = "Hex 编码失败。";
constexpr char kHexMalformed[] = "Hex 内容必须由成对的十六进制数字组成。";
constexpr char kHashFailed[] = "哈希计算失败。";
constexpr char kUrlEncodeFailed[] = "URL 编码失败。";
constexpr char kUrlEscapeMalformed[] = "URL 转义格式不正确，请检查百分号后的十六进制数字。";
constexpr char kUrlDecodedNotUtf8[] = "URL 解码结果不是有效的 UTF-8 文本。";
constexpr char kTimestampNotInteger[] = "时间戳必须是完整的十进制整数。";
constexpr char kTimestampOutOfRange[] = "时间戳超出当前支持的 UTC 日期范围。";
constexpr char kUuidCountInvalid[] = "UUID 数量需要是 1 到 50 之间的整数。";
constexpr char kRandomFailed[] = "Windows 安全随机数生成失败。";
constexpr char kUuidFormatFailed[] = "UUID 生成失败。";
constexpr char kPasswordLengthInvalid[] = "密码长度需要是 4 到 128 之间的整数。";
constexpr char kPasswordFailed[] = "密码生成失败，请重试。";

}  // namespace nubo::text_tools
