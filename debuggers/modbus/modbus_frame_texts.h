#pragma once

#include <string_view>

#include "debuggers/modbus/modbus_limits.h"

// The frame core's check texts, shown to the user untranslated. Each literal
// ends in NUL, so the core hands out data() as a C text.
namespace nubo::modbus_frame_texts {

inline constexpr std::string_view kMissingRequest = "Missing request";
static_assert(kModbusMinUnitId == 1 && kModbusMaxUnitId == 247);
inline constexpr std::string_view kBadUnitId = "Unit ID must be 1..247; broadcast is prohibited";
inline constexpr std::string_view kUnsupportedFunction = "Unsupported function code";
inline constexpr std::string_view kBadQuantity = "Quantity is outside the function limit";
inline constexpr std::string_view kAddressRange = "Address range exceeds 65535";
inline constexpr std::string_view kReadWithValues = "Read requests must not contain write values";
inline constexpr std::string_view kValueCount = "Write value count must match quantity";
inline constexpr std::string_view kCoilValue = "Coils accept only 0 or 1";
inline constexpr std::string_view kParserArguments = "Invalid parser arguments";
inline constexpr std::string_view kBadLength = "Invalid or truncated response length";
inline constexpr std::string_view kTransactionMismatch = "Transaction ID mismatch";
inline constexpr std::string_view kCrcMismatch = "RTU CRC mismatch";
inline constexpr std::string_view kUnitMismatch = "Unit ID mismatch";
inline constexpr std::string_view kBadException = "Invalid exception response";
inline constexpr std::string_view kFunctionMismatch = "Function code mismatch";
inline constexpr std::string_view kByteCount = "Byte count does not match requested quantity";
inline constexpr std::string_view kWriteAck = "Write acknowledgement does not match request";

}  // namespace nubo::modbus_frame_texts
