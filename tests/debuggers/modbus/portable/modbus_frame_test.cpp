#include "debuggers/modbus/modbus_frame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nubo {
namespace {

using Bytes = std::vector<uint8_t>;

ModbusRequest Make(uint8_t function, uint16_t address, uint16_t quantity, std::vector<uint16_t> values = {},
                   uint8_t unit = 1) {
  ModbusRequest request{};
  request.unitId = unit;
  request.functionCode = function;
  request.address = address;
  request.quantity = quantity;
  for (size_t i = 0; i < values.size(); ++i) request.values[i] = values[i];
  request.valueCount = values.size();
  return request;
}

ModbusRequest Writing(uint8_t function, uint16_t quantity, uint16_t value = 1) {
  return Make(function, 0, quantity, std::vector<uint16_t>(quantity, value));
}

std::string Text(const char* text) { return text == nullptr ? "" : text; }

Bytes Build(const ModbusRequest& request, bool tcp, uint16_t transaction = 1) {
  uint8_t buffer[300];
  const size_t length = ModbusBuildRequestFrame(&request, tcp, transaction, buffer, sizeof(buffer));
  return Bytes(buffer, buffer + length);
}

Bytes WithCrc(Bytes bytes) {
  const uint16_t crc = ModbusCrc16(bytes.data(), bytes.size());
  bytes.push_back(static_cast<uint8_t>(crc & 0xFF));
  bytes.push_back(static_cast<uint8_t>(crc >> 8));
  return bytes;
}

uint16_t BitwiseReference(const std::string& text) {
  uint32_t crc = 0xFFFF;
  for (unsigned char c : text) {
    for (int bit = 0; bit < 8; ++bit) {
      const bool mix = ((crc ^ (c >> bit)) & 1u) != 0;
      crc >>= 1;
      if (mix) crc ^= 0xA001;
    }
  }
  return static_cast<uint16_t>(crc);
}

TEST(ModbusFrame, ValidationLimitsOnBothSides) {
  struct Case {
    ModbusRequest request;
    std::string text;
  };
  const Case cases[] = {
      {Make(3, 0, 1, {}, 0), "Unit ID must be 1..247; broadcast is prohibited"},
      {Make(3, 0, 1, {}, 247), ""},
      {Make(3, 0, 1, {}, 248), "Unit ID must be 1..247; broadcast is prohibited"},
      {Make(7, 0, 1), "Unsupported function code"},
      {Make(0, 0, 1), "Unsupported function code"},
      {Make(1, 0, 0), "Quantity is outside the function limit"},
      {Make(1, 0, 2000), ""},
      {Make(2, 0, 2001), "Quantity is outside the function limit"},
      {Make(4, 0, 125), ""},
      {Make(3, 0, 126), "Quantity is outside the function limit"},
      {Writing(5, 2), "Quantity is outside the function limit"},
      {Writing(6, 1, 65535), ""},
      {Writing(15, 1968), ""},
      {Writing(15, 1969), "Quantity is outside the function limit"},
      {Writing(16, 123), ""},
      {Writing(16, 124), "Quantity is outside the function limit"},
      {Make(3, 65535, 1), ""},
      {Make(3, 65535, 2), "Address range exceeds 65535"},
      {Make(1, 63536, 2000), ""},
      {Make(3, 0, 1, {1}), "Read requests must not contain write values"},
      {Make(16, 0, 2, {1}), "Write value count must match quantity"},
      {Make(5, 0, 1, {2}), "Coils accept only 0 or 1"},
      {Make(15, 0, 2, {1, 2}), "Coils accept only 0 or 1"},
      {Make(6, 0, 1, {2}), ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Text(ModbusValidateRequest(&c.request)), c.text)
        << int(c.request.functionCode) << " q=" << c.request.quantity;
  }
  EXPECT_EQ(Text(ModbusValidateRequest(nullptr)), "Missing request");
}

TEST(ModbusFrame, BuildsBothTransports) {
  EXPECT_EQ(Build(Make(3, 0, 1), false), (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}));
  EXPECT_EQ(Build(Make(3, 0, 1), true), (Bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0x06, 0x01, 0x03, 0x00, 0x00, 0x00, 0x01}));
  EXPECT_EQ(Build(Make(5, 172, 1, {1}, 0x11), false), (Bytes{0x11, 0x05, 0x00, 0xAC, 0xFF, 0x00, 0x4E, 0x8B}));
  EXPECT_EQ(Build(Make(15, 0x1234, 10, {1, 0, 1, 1, 0, 0, 0, 0, 1, 1}), true, 0xBEEF),
            (Bytes{0xBE, 0xEF, 0, 0, 0, 9, 1, 0x0F, 0x12, 0x34, 0, 10, 2, 0x0D, 0x03}));
  EXPECT_EQ(Build(Make(16, 2, 2, {0x0102, 0xA0B0}), true, 7),
            (Bytes{0, 7, 0, 0, 0, 11, 1, 0x10, 0, 2, 0, 2, 4, 0x01, 0x02, 0xA0, 0xB0}));
  const Bytes longest = Build(Writing(15, 1968), true);
  ASSERT_EQ(longest.size(), 259u);
  EXPECT_EQ(longest[12], 246);
  EXPECT_EQ(longest[5], 253);

  const ModbusRequest request = Make(3, 0, 1);
  uint8_t buffer[260];
  EXPECT_EQ(ModbusBuildRequestFrame(&request, true, 1, buffer, 259), 0u);
  EXPECT_EQ(ModbusBuildRequestFrame(&request, true, 1, buffer, 260), 12u);
  EXPECT_EQ(ModbusBuildRequestFrame(&request, true, 1, nullptr, 260), 0u);
  const ModbusRequest invalid = Make(3, 0, 0);
  EXPECT_EQ(ModbusBuildRequestFrame(&invalid, true, 1, buffer, 260), 0u);
}

TEST(ModbusFrame, CrcMatchesBitwiseReference) {
  const std::string check = "123456789";
  EXPECT_EQ(ModbusCrc16(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0x4B37);
  for (const std::string& text : {std::string(), std::string("\x01", 1), std::string(300, '\xA5'), check + check}) {
    EXPECT_EQ(ModbusCrc16(reinterpret_cast<const uint8_t*>(text.data()), text.size()), BitwiseReference(text));
  }
}

TEST(ModbusFrame, ExpectedLengthEdges) {
  struct Case {
    Bytes bytes;
    bool tcp;
    int expected;
  };
  const Case cases[] = {
      {{0, 1, 0, 0, 0}, true, 0},
      {{0, 1, 0, 0, 0, 2}, true, -1},
      {{0, 1, 0, 0, 0, 3}, true, 9},
      {{0, 1, 0, 0, 0, 254}, true, 260},
      {{0, 1, 0, 0, 0, 255}, true, -1},
      {{0, 1, 0, 1, 0, 6}, true, -1},
      {{0, 1, 1, 0, 0, 6}, true, -1},
      {{1}, false, 0},
      {{1, 0x83}, false, 5},
      {{1, 0x05}, false, 8},
      {{1, 0x10}, false, 8},
      {{1, 0x07}, false, -1},
      {{1, 0x00}, false, -1},
      {{1, 0x03}, false, 0},
      {{1, 0x03, 0}, false, -1},
      {{1, 0x01, 1}, false, 6},
      {{1, 0x04, 250}, false, 255},
      {{1, 0x02, 251}, false, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ModbusExpectedResponseLength(c.bytes.data(), c.bytes.size(), c.tcp), c.expected)
        << c.tcp << " " << c.bytes.size();
  }
  EXPECT_EQ(ModbusExpectedResponseLength(nullptr, 0, false), -1);
}

TEST(ModbusFrame, RtuGapIsThreeAndAHalfCharactersUpTo19200Baud) {
  const std::pair<uint32_t, uint32_t> cases[] = {{1200, 33}, {9600, 5}, {19199, 3}, {19200, 3}, {19201, 2},
                                                 {38400, 2}, {0, 2}};
  for (const auto& [baud, gap] : cases) EXPECT_EQ(ModbusRtuGapMs(baud), gap) << baud;
}

struct ParseCase {
  const char* name;
  ModbusRequest request;
  bool tcp;
  Bytes bytes;
  std::string text;
  std::vector<uint16_t> values;
  uint8_t exceptionCode;
};

TEST(ModbusFrame, ParsesEveryOutcome) {
  const ModbusRequest read = Make(3, 0, 2);
  const ModbusRequest coils = Make(1, 0, 10);
  const ModbusRequest single = Make(6, 9, 1, {0x1234});
  const ModbusRequest many = Make(16, 9, 2, {5, 6});
  const ModbusRequest coil = Make(5, 4, 1, {1});
  const ParseCase cases[] = {
      {"registers", read, true, {0, 1, 0, 0, 0, 7, 1, 3, 4, 0x12, 0x34, 0xAB, 0xCD}, "", {0x1234, 0xABCD}, 0},
      {"coils", coils, false, WithCrc({1, 1, 2, 0x05, 0x02}), "", {1, 0, 1, 0, 0, 0, 0, 0, 0, 1}, 0},
      {"exception", read, false, WithCrc({1, 0x83, 2}), "", {}, 2},
      {"exception zero", read, false, WithCrc({1, 0x83, 0}), "Invalid exception response", {}, 0},
      {"exception long", read, true, {0, 1, 0, 0, 0, 4, 1, 0x83, 2, 0}, "Invalid exception response", {}, 0},
      {"four bytes", read, true, {0, 1, 0, 0}, "Invalid or truncated response length", {}, 0},
      {"length short", read, true, {0, 1, 0, 0, 0, 5, 1, 3, 4, 0, 0, 0}, "Invalid or truncated response length", {}, 0},
      {"protocol", read, true, {0, 1, 0, 1, 0, 7, 1, 3, 4, 0, 0, 0, 0}, "Invalid or truncated response length", {}, 0},
      {"transaction", read, true, {0, 2, 0, 0, 0, 7, 1, 3, 4, 0, 0, 0, 0}, "Transaction ID mismatch", {}, 0},
      {"crc", read, false, {1, 3, 4, 0, 0, 0, 0, 0, 0}, "RTU CRC mismatch", {}, 0},
      {"unit", read, false, WithCrc({2, 3, 4, 0, 0, 0, 0}), "Unit ID mismatch", {}, 0},
      {"function", read, true, {0, 1, 0, 0, 0, 7, 1, 4, 4, 0, 0, 0, 0}, "Function code mismatch", {}, 0},
      {"byte count", coils, false, WithCrc({1, 1, 1, 0x05}), "Byte count does not match requested quantity", {}, 0},
      {"byte count long", read, true, {0, 1, 0, 0, 0, 9, 1, 3, 6, 0, 0, 0, 0, 0, 0},
       "Byte count does not match requested quantity", {}, 0},
      {"write 6", single, true, {0, 1, 0, 0, 0, 6, 1, 6, 0, 9, 0x12, 0x34}, "", {0x1234}, 0},
      {"write 6 value", single, true, {0, 1, 0, 0, 0, 6, 1, 6, 0, 9, 0x12, 0x35},
       "Write acknowledgement does not match request", {}, 0},
      {"write 16", many, false, WithCrc({1, 0x10, 0, 9, 0, 2}), "", {5, 6}, 0},
      {"write 16 address", many, false, WithCrc({1, 0x10, 0, 8, 0, 2}),
       "Write acknowledgement does not match request", {}, 0},
      {"write 5", coil, false, WithCrc({1, 5, 0, 4, 0xFF, 0}), "", {1}, 0},
      {"write 5 echo", coil, false, WithCrc({1, 5, 0, 4, 0, 1}), "Write acknowledgement does not match request", {}, 0},
  };
  for (const ParseCase& c : cases) {
    ModbusResponse response;
    response.valueCount = 77;
    response.values[0] = 77;
    EXPECT_EQ(Text(ModbusParseResponse(&c.request, c.tcp, 1, c.bytes.data(), c.bytes.size(), &response)), c.text)
        << c.name;
    EXPECT_EQ(std::vector<uint16_t>(response.values, response.values + response.valueCount), c.values) << c.name;
    EXPECT_EQ(response.exceptionCode, c.exceptionCode) << c.name;
    if (!c.text.empty()) EXPECT_EQ(response.values[0], 0) << c.name;
  }
  ModbusResponse response{};
  const Bytes any{0, 1, 0, 0, 0, 7, 1, 3, 4, 0, 0, 0, 0};
  const ModbusRequest bad = Make(3, 0, 0);
  EXPECT_EQ(Text(ModbusParseResponse(&bad, true, 1, any.data(), any.size(), &response)), "Invalid parser arguments");
  EXPECT_EQ(Text(ModbusParseResponse(&read, true, 1, nullptr, 0, &response)), "Invalid parser arguments");
  EXPECT_EQ(Text(ModbusParseResponse(&read, true, 1, any.data(), any.size(), nullptr)), "Invalid parser arguments");
}

}  // namespace
}  // namespace nubo
