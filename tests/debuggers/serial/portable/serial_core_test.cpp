#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "debuggers/serial/serial_event_log.h"
#include "debuggers/serial/serial_hex.h"
#include "debuggers/serial/serial_port_settings.h"

namespace nubo {
namespace {

SerialPortSettings Settings(const char* port, uint32_t baud, uint32_t dataBits, uint32_t stopBits) {
  SerialPortSettings s{};
  std::strncpy(s.portName, port, sizeof(s.portName) - 1);
  s.baudRate = baud;
  s.dataBits = dataBits;
  s.stopBits = stopBits;
  return s;
}

TEST(SerialCore, SettingsBoundaries) {
  struct Case {
    SerialPortSettings settings;
    int valid;
  };
  SerialPortSettings dtr2 = Settings("COM1", 9600, 8, 0);
  dtr2.dtr = 2;
  SerialPortSettings rts2 = Settings("COM1", 9600, 8, 0);
  rts2.rts = 2;
  SerialPortSettings parity5 = Settings("COM1", 9600, 8, 0);
  parity5.parity = 5;
  SerialPortSettings flow3 = Settings("COM1", 9600, 8, 0);
  flow3.flowControl = 3;
  SerialPortSettings full = Settings("COM1", 9600, 8, 0);
  full.parity = 4;
  full.flowControl = 2;
  full.dtr = 1;
  full.rts = 1;
  SerialPortSettings blankAfter = Settings("COM1", 9600, 8, 0);
  blankAfter.portName[4] = ' ';
  const Case cases[] = {
      {Settings("COM1", 49, 8, 0), 0},        {Settings("COM1", 50, 8, 0), 1},
      {Settings("COM1", 4000000, 8, 0), 1},   {Settings("COM1", 4000001, 8, 0), 0},
      {Settings("COM1", 9600, 4, 0), 0},      {Settings("COM1", 9600, 5, 0), 1},
      {Settings("COM1", 9600, 9, 0), 0},      {Settings("COM1", 9600, 8, 1), 0},
      {Settings("COM1", 9600, 5, 1), 1},      {Settings("COM1", 9600, 6, 1), 0},
      {Settings("COM1", 9600, 5, 2), 0},      {Settings("COM1", 9600, 6, 2), 1},
      {Settings("COM1", 9600, 8, 3), 0},      {dtr2, 0},
      {rts2, 0},                              {parity5, 0},
      {flow3, 0},                             {full, 1},
      {Settings("COM65535", 9600, 8, 0), 1},  {Settings("COM65536", 9600, 8, 0), 0},
      {Settings("COM99999", 9600, 8, 0), 0},  {Settings("COM100000", 9600, 8, 0), 0},
      {Settings("COM0", 9600, 8, 0), 0},      {Settings("COM01", 9600, 8, 0), 0},
      {Settings("com3", 9600, 8, 0), 0},      {Settings("COM", 9600, 8, 0), 0},
      {Settings("COM1A", 9600, 8, 0), 0},     {blankAfter, 0},
      {Settings("LPT1", 9600, 8, 0), 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SerialPortValidateSettings(&c.settings), c.valid)
        << c.settings.portName << " " << c.settings.baudRate << " " << c.settings.dataBits << " "
        << c.settings.stopBits;
  }
  EXPECT_EQ(SerialPortValidateSettings(nullptr), 0);
  SerialPortSettings unterminated{};
  std::memset(unterminated.portName, '1', sizeof(unterminated.portName));
  std::memcpy(unterminated.portName, "COM", 3);
  unterminated.baudRate = 9600;
  unterminated.dataBits = 8;
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
  EXPECT_EQ(first[1].dataHex, "0102ab");
  EXPECT_EQ(first[1].byteLength, 3u);
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
