#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "debuggers/serial/serial_event_log.h"
#include "debuggers/serial/serial_hex.h"
#include "debuggers/serial/serial_port_settings.h"

namespace nubo {
namespace {

// A valid record (COM1, 9600 8N1) with one change.
struct Change {
  const char* port;
  uint32_t SerialPortSettings::*field;
  uint32_t value;
  int valid;
};

TEST(SerialCore, SettingsBoundaries) {
  using S = SerialPortSettings;
  const Change cases[] = {
      {"COM1", &S::baudRate, 49, 0},      {"COM1", &S::baudRate, 50, 1},      {"COM1", &S::baudRate, 4000000, 1},
      {"COM1", &S::baudRate, 4000001, 0}, {"COM1", &S::dataBits, 4, 0},       {"COM1", &S::dataBits, 5, 1},
      {"COM1", &S::dataBits, 9, 0},       {"COM1", &S::parity, 4, 1},         {"COM1", &S::parity, 5, 0},
      {"COM1", &S::stopBits, 1, 0},       {"COM1", &S::stopBits, 2, 1},       {"COM1", &S::stopBits, 3, 0},
      {"COM1", &S::flowControl, 2, 1},    {"COM1", &S::flowControl, 3, 0},    {"COM1", &S::dtr, 1, 1},
      {"COM1", &S::dtr, 2, 0},            {"COM1", &S::rts, 1, 1},            {"COM1", &S::rts, 2, 0},
      {"COM65535", nullptr, 0, 1},        {"COM65536", nullptr, 0, 0},        {"COM99999", nullptr, 0, 0},
      {"COM100000", nullptr, 0, 0},       {"COM9", nullptr, 0, 1},            {"COM0", nullptr, 0, 0},
      {"COM01", nullptr, 0, 0},           {"com3", nullptr, 0, 0},            {"COM", nullptr, 0, 0},
      {"COM1A", nullptr, 0, 0},           {"COM1 ", nullptr, 0, 0},           {"LPT1", nullptr, 0, 0},
      {"CON1", nullptr, 0, 0},
  };
  for (const Change& c : cases) {
    SerialPortSettings s{{}, 9600, 8, 0, 0, 0, 0, 0};
    std::strncpy(s.portName, c.port, sizeof(s.portName) - 1);
    if (c.field != nullptr) s.*c.field = c.value;
    EXPECT_EQ(SerialPortValidateSettings(&s), c.valid) << c.port << " " << c.value;
  }
  // One and a half stop bits only with 5 data bits; two never with 5.
  const uint32_t combos[][3] = {{5, 1, 1}, {6, 1, 0}, {5, 2, 0}, {6, 2, 1}};
  for (const auto& combo : combos) {
    SerialPortSettings s{{'C', 'O', 'M', '2'}, 9600, combo[0], 0, combo[1], 0, 0, 0};
    EXPECT_EQ(SerialPortValidateSettings(&s), static_cast<int>(combo[2])) << combo[0] << " " << combo[1];
  }
  EXPECT_EQ(SerialPortValidateSettings(nullptr), 0);
  SerialPortSettings unterminated{{}, 9600, 8, 0, 0, 0, 0, 0};
  std::memcpy(unterminated.portName, "COM1111111111111", 16);
  EXPECT_EQ(SerialPortValidateSettings(&unterminated), 0);
}

TEST(SerialCore, HexToBytes) {
  struct Case {
    std::string text;
    size_t capacity;
    std::vector<uint8_t> bytes;  // empty: refused
  };
  const Case cases[] = {
      {"", 8, {}},           {"a", 8, {}},          {"0a0B", 8, {0x0A, 0x0B}}, {"fF00", 2, {0xFF, 0x00}},
      {"0a0B", 1, {}},       {"0a0", 8, {}},        {"0a 0B", 8, {}},          {"0g", 8, {}},
      {"0x0a", 8, {}},       {"@0", 8, {}},         {"9:", 8, {}},             {"`a", 8, {}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> buffer(c.capacity, 0xEE);
    size_t count = 99;
    const int ok = SerialPortHexToBytes(c.text.data(), c.text.size(), buffer.data(), buffer.size(), &count);
    EXPECT_EQ(ok, c.bytes.empty() ? 0 : 1) << c.text;
    EXPECT_EQ(count, c.bytes.size()) << c.text;
    if (ok) EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + count), c.bytes) << c.text;
    else EXPECT_EQ(buffer, std::vector<uint8_t>(c.capacity, 0xEE)) << c.text;
  }
  std::vector<uint8_t> big(65537);
  size_t count = 0;
  EXPECT_EQ(SerialPortHexToBytes(std::string(131072, '7').data(), 131072, big.data(), big.size(), &count), 1);
  EXPECT_EQ(count, 65536u);
  EXPECT_EQ(big[65535], 0x77);
  EXPECT_EQ(SerialPortHexToBytes(std::string(131074, '7').data(), 131074, big.data(), big.size(), &count), 0);
}

TEST(SerialCore, LogDropsOldestAndCountsThem) {
  SerialEventLog log;
  const uint8_t bytes[3] = {1, 2, 0xAB};
  for (int i = 0; i < 600; ++i) log.Append("rx", "", bytes, sizeof(bytes), 1000 + i);
  EXPECT_EQ(log.Size(), 512u);
  const std::vector<SerialEvent> first = log.Take(128, 5);
  ASSERT_EQ(first.size(), 129u);
  EXPECT_EQ(first[0].kind, "status");
  EXPECT_EQ(first[0].message, "日志缓冲已满，已移除 88 条较早记录；字节统计仍累计。");
  EXPECT_EQ(first[0].id, 88u);
  EXPECT_EQ(first[0].timestamp, 5);
  EXPECT_EQ(first[1].id, 89u);
  EXPECT_EQ(first[1].data, (std::vector<uint8_t>{1, 2, 0xAB}));
  EXPECT_EQ(first[128].id, 216u);
  EXPECT_EQ(log.Take(128, 6).front().id, 217u);  // no second notice
  EXPECT_EQ(log.HexTotal(), (512u - 256u) * 6u);

  log.Clear();
  log.Append("status", "x", nullptr, 0, 1);
  EXPECT_EQ(log.Take(128, 1).front().id, 601u);  // ids keep counting

  // Full reads: the hex limit binds at 64 events of 16,384 bytes.
  const std::vector<uint8_t> read(16384, 0x5A);
  for (int i = 0; i < 65; ++i) log.Append("rx", "", read.data(), read.size(), 2);
  EXPECT_EQ(log.Size(), 64u);
  EXPECT_EQ(log.HexTotal(), 2097152u);
  EXPECT_EQ(log.Dropped(), 1u);
}

}  // namespace
}  // namespace nubo
