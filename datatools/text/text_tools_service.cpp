#include "datatools/text/text_tools_service.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "datatools/packet/packet_inspector_tool.h"
#include "store/utf8.h"
#include "datatools/text/digests.h"
#include "datatools/text/generators.h"
#include "datatools/text/strict_integer.h"
#include "datatools/text/text_codec.h"
#include "datatools/text/text_tool_texts.h"
#include "store/file_utils.h"

namespace nubo {
namespace {

using namespace text_tools;

struct ToolCall {
  std::string_view operation;
  std::string_view input;
  bool urlSafe;
  bool padded;
  RandomSource& random;
};

const uint8_t* Bytes(std::string_view text) { return reinterpret_cast<const uint8_t*>(text.data()); }

// A zero-filled working buffer of at least one byte.
std::string WorkingBuffer(size_t size) { return std::string(std::max<size_t>(size, 1), '\0'); }

// The buffer cut to the core's count, or the failure text for a negative one.
ToolResult Finish(std::string& buffer, int32_t count, std::string_view failure) {
  if (count < 0) return ToolResult::Failure(failure);
  buffer.resize(static_cast<size_t>(count));
  return ToolResult::Success(std::move(buffer));
}

ToolResult FinishDecoded(std::string& buffer, int32_t count, std::string_view malformed,
                         std::string_view notUtf8) {
  ToolResult result = Finish(buffer, count, malformed);
  if (result.success && !IsValidUtf8(result.output)) return ToolResult::Failure(notUtf8);
  return result;
}

ToolResult RunBase64Encode(const ToolCall& call) {
  const int64_t capacity = TextBase64EncodedLength(call.input.size());
  if (capacity < 0) return ToolResult::Failure(kBase64EncodeFailed);
  std::string buffer = WorkingBuffer(static_cast<size_t>(capacity));
  const int32_t count = TextBase64Encode(Bytes(call.input), call.input.size(), buffer.data(),
                                         buffer.size(), call.urlSafe, call.padded);
  return Finish(buffer, count, kBase64EncodeFailed);
}

ToolResult RunBase64Decode(const ToolCall& call) {
  const int64_t capacity = TextBase64DecodedCapacity(call.input.size());
  if (capacity < 0) return ToolResult::Failure(kBase64Malformed);
  std::string buffer = WorkingBuffer(static_cast<size_t>(capacity));
  const int32_t count = TextBase64Decode(call.input.data(), call.input.size(),
                                         reinterpret_cast<uint8_t*>(buffer.data()), buffer.size());
  return FinishDecoded(buffer, count, kBase64Malformed, kDecodedNotUtf8);
}

ToolResult RunHexEncode(const ToolCall& call) {
  const int64_t capacity = TextHexEncodedLength(call.input.size());
  if (capacity < 0) return ToolResult::Failure(kHexEncodeFailed);
  std::string buffer = WorkingBuffer(static_cast<size_t>(capacity));
  const int32_t count =
      TextHexEncode(Bytes(call.input), call.input.size(), buffer.data(), buffer.size());
  return Finish(buffer, count, kHexEncodeFailed);
}

ToolResult RunHexDecode(const ToolCall& call) {
  std::string buffer = WorkingBuffer(call.input.size() / 2 + 1);
  const int32_t count = TextHexDecode(call.input.data(), call.input.size(),
                                      reinterpret_cast<uint8_t*>(buffer.data()), buffer.size());
  return FinishDecoded(buffer, count, kHexMalformed, kDecodedNotUtf8);
}

ToolResult RunHash(const ToolCall& call) {
  const bool md5 = call.operation == "md5";
  std::string buffer = WorkingBuffer(md5 ? kMd5HexLength : kSha256HexLength);
  const int32_t count =
      md5 ? TextMd5Hex(Bytes(call.input), call.input.size(), buffer.data(), buffer.size())
          : TextSha256Hex(Bytes(call.input), call.input.size(), buffer.data(), buffer.size());
  return Finish(buffer, count, kHashFailed);
}

ToolResult RunUrlEncode(const ToolCall& call) {
  const int64_t capacity = TextUrlEncodedCapacity(call.input.size());
  if (capacity < 0) return ToolResult::Failure(kUrlEncodeFailed);
  std::string buffer = WorkingBuffer(static_cast<size_t>(capacity));
  const bool componentMode = call.operation == "encode-component";
  const int32_t count = TextUrlEncode(call.input.data(), call.input.size(), buffer.data(),
                                      buffer.size(), componentMode);
  return Finish(buffer, count, kUrlEncodeFailed);
}

ToolResult RunUrlDecode(const ToolCall& call) {
  std::string buffer = WorkingBuffer(call.input.size());
  const int32_t count = TextUrlDecode(call.input.data(), call.input.size(),
                                      reinterpret_cast<uint8_t*>(buffer.data()), buffer.size());
  return FinishDecoded(buffer, count, kUrlEscapeMalformed, kUrlDecodedNotUtf8);
}

ToolResult RunTimestamp(const ToolCall& call) {
  int64_t value = 0;
  if (!ParseStrictInt64(call.input, value)) return ToolResult::Failure(kTimestampNotInteger);
  const int unit = call.operation == "milliseconds" ? kUnixTimeMilliseconds : kUnixTimeSeconds;
  std::string buffer = WorkingBuffer(kUnixTimeTextCapacity);
  const int32_t count = TextFormatUnixTime(value, unit, buffer.data(), buffer.size());
  return Finish(buffer, count, kTimestampOutOfRange);
}

ToolResult RunUuid(const ToolCall& call) {
  int64_t count = 0;
  if (!ParseStrictInt64(call.input, count) || count < kMinUuidCount || count > kMaxUuidCount) {
    return ToolResult::Failure(kUuidCountInvalid);
  }
  const bool version7 = call.operation == "v7";
  std::string output;
  for (int64_t i = 0; i < count; ++i) {
    uint8_t random[kUuidV4RandomBytes] = {};
    if (!call.random.Fill(random, version7 ? kUuidV7RandomBytes : kUuidV4RandomBytes)) {
      return ToolResult::Failure(kRandomFailed);
    }
    char text[kUuidTextCapacity] = {};
    const int32_t written =
        version7 ? TextFormatUuidV7(static_cast<uint64_t>(NowMilliseconds()), random, text,
                                    sizeof text)
                 : TextFormatUuidV4(random, text, sizeof text);
    if (written < 0) return ToolResult::Failure(kUuidFormatFailed);
    if (i > 0) output += '\n';
    output.append(text, static_cast<size_t>(written));
  }
  return ToolResult::Success(std::move(output));
}

ToolResult RunPassword(const ToolCall& call) {
  int64_t length = 0;
  if (!ParseStrictInt64(call.input, length) || length < kMinPasswordLength ||
      length > kMaxPasswordLength) {
    return ToolResult::Failure(kPasswordLengthInvalid);
  }
  const bool pin = call.operation == "pin";
  const bool symbols = call.operation == "strong";
  std::string buffer = WorkingBuffer(static_cast<size_t>(length) + 1);
  std::vector<uint8_t> random((static_cast<size_t>(length) + 4) * kPasswordRandomBytesPerCharacter);
  for (int attempt = 0; attempt < kPasswordAttempts; ++attempt) {
    if (!call.random.Fill(random.data(), random.size())) return ToolResult::Failure(kRandomFailed);
    const int32_t count = TextGeneratePassword(random.data(), random.size(), length, !pin, !pin,
                                               true, symbols, buffer.data(), buffer.size());
    if (count == -2) continue;
    return Finish(buffer, count, kPasswordFailed);
  }
  return ToolResult::Failure(kPasswordFailed);
}

// The packet inspector's rows: the operation names the start layer.
ToolResult RunPacketInspectorRow(const ToolCall& call) {
  return InspectPacketHexDump(call.input, call.operation);
}

struct ToolRow {
  std::string_view toolId;
  std::string_view operation;
  ToolResult (*run)(const ToolCall&);
};

constexpr ToolRow kToolTable[] = {
    {"base64", "encode", RunBase64Encode},
    {"base64", "decode", RunBase64Decode},
    {"hex", "encode", RunHexEncode},
    {"hex", "decode", RunHexDecode},
    {"hash", "md5", RunHash},
    {"hash", "sha256", RunHash},
    {"url-encode", "encode-component", RunUrlEncode},
    {"url-encode", "encode-url", RunUrlEncode},
    {"url-encode", "decode", RunUrlDecode},
    {"timestamp", "seconds", RunTimestamp},
    {"timestamp", "milliseconds", RunTimestamp},
    {"uuid", "v4", RunUuid},
    {"uuid", "v7", RunUuid},
    {"password", "strong", RunPassword},
    {"password", "letters-digits", RunPassword},
    {"password", "pin", RunPassword},
    {"packet-inspector", "auto", RunPacketInspectorRow},
    {"packet-inspector", "ethernet", RunPacketInspectorRow},
    {"packet-inspector", "ipv4", RunPacketInspectorRow},
    {"packet-inspector", "ipv6", RunPacketInspectorRow},
    {"packet-inspector", "tcp", RunPacketInspectorRow},
    {"packet-inspector", "udp", RunPacketInspectorRow},
    {"packet-inspector", "raw", RunPacketInspectorRow},
};

}  // namespace

ToolResult ExecuteTool(std::string_view toolId, std::string_view operation,
                       std::string_view input, bool urlSafe, bool padded, RandomSource& random) {
  if (input.size() > kMaxInputBytes) return ToolResult::Failure(kInputTooLarge);
  for (const ToolRow& row : kToolTable) {
    if (row.toolId == toolId && row.operation == operation) {
      return row.run(ToolCall{operation, input, urlSafe, padded, random});
    }
  }
  return ToolResult::Failure(kToolNotConnected);
}

ToolResult ExecuteTool(std::string_view toolId, std::string_view operation,
                       std::string_view input, bool urlSafe, bool padded) {
  return ExecuteTool(toolId, operation, input, urlSafe, padded, SystemRandomSource());
}

}  // namespace nubo
