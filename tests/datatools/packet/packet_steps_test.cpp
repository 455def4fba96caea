#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "datatools/packet/packet_steps.h"
#include "datatools/packet/packet_text_writer.h"

namespace nubo {
namespace {

std::unique_ptr<PacketResult> EmptyResult(int confidence) {
  auto result = std::make_unique<PacketResult>();
  result->confidence = confidence;
  return result;
}

TEST(PacketTextWriter, CutsAndAlwaysTerminates) {
  char text[8];
  std::memset(text, 'x', sizeof text);
  PacketTextWriter writer(text, sizeof text);
  writer.Text("abcdef").Decimal(12345);
  EXPECT_STREQ(text, "abcdef1");
  EXPECT_EQ(writer.View(), "abcdef1");
  writer.Text("more");
  EXPECT_STREQ(text, "abcdef1");

  char one[1] = {'x'};
  PacketTextWriter(one, 1).Text("anything").Hex(0xFF, 2);
  EXPECT_EQ(one[0], '\0');
}

TEST(PacketTextWriter, FormatsFullSixtyFourBitNumbers) {
  char text[64];
  PacketTextWriter(text, sizeof text).Decimal(18446744073709551615ull);
  EXPECT_STREQ(text, "18446744073709551615");
  PacketTextWriter(text, sizeof text).Decimal(0);
  EXPECT_STREQ(text, "0");
  PacketTextWriter(text, sizeof text).Hex(0xFEDCBA9876543210ull, 4);
  EXPECT_STREQ(text, "FEDCBA9876543210");
  PacketTextWriter(text, sizeof text).Hex(0xAB, 4, false);
  EXPECT_STREQ(text, "00ab");
  PacketTextWriter(text, sizeof text).Hex(0, 1);
  EXPECT_STREQ(text, "0");
  PacketTextWriter(text, sizeof text).Hex(1, 40);
  EXPECT_STREQ(text, "0000000000000001");  // never more than sixteen digits
}

TEST(PacketAppendSummary, JoinsNamesWithSeparator) {
  auto result = EmptyResult(0);
  PacketAppendSummary(result.get(), "Ethernet II");
  PacketAppendSummary(result.get(), "IPv4");
  PacketAppendSummary(result.get(), "TCP");
  EXPECT_STREQ(result->summary, "Ethernet II / IPv4 / TCP");
}

TEST(PacketAppendSummary, NeverExceedsNinetyFiveCharacters) {
  auto result = EmptyResult(0);
  const std::string long_name(200, 'a');
  PacketAppendSummary(result.get(), long_name);
  EXPECT_EQ(std::strlen(result->summary), 95u);
  PacketAppendSummary(result.get(), "IPv4");
  EXPECT_EQ(std::strlen(result->summary), 95u);
  EXPECT_EQ(std::string(result->summary), std::string(95, 'a'));
}

TEST(PacketAppendSummary, CutsTheNameThatDoesNotFit) {
  auto result = EmptyResult(0);
  PacketAppendSummary(result.get(), std::string(90, 'a'));
  PacketAppendSummary(result.get(), "IPv4");  // 90 + 3 + 2 characters fit
  EXPECT_EQ(std::string(result->summary), std::string(90, 'a') + " / IP");

  auto tight = EmptyResult(0);
  PacketAppendSummary(tight.get(), std::string(93, 'a'));
  PacketAppendSummary(tight.get(), "TCP");  // 93 + 3 is not below 96: no separator
  EXPECT_EQ(std::string(tight->summary), std::string(93, 'a') + "TC");
}

TEST(PacketAddLayer, KeepsTenLayersAndDropsTheRest) {
  auto result = EmptyResult(0);
  for (int i = 0; i < 10; ++i) {
    EXPECT_NE(PacketAddLayer(result.get(), "ipv4", "name", i, 1, "summary"), nullptr);
  }
  EXPECT_EQ(PacketAddLayer(result.get(), "tcp", "name", 99, 1, "summary"), nullptr);
  EXPECT_EQ(result->layerCount, 10u);
  EXPECT_EQ(result->layers[9].offset, 9u);
}

TEST(PacketAddField, KeepsSixtyFourFieldsAndDropsTheRest) {
  auto result = EmptyResult(0);
  for (int i = 0; i < 64; ++i) {
    EXPECT_NE(PacketAddField(result.get(), "tcp", "f", i, 1, "v", "s"), nullptr);
  }
  EXPECT_EQ(PacketAddField(result.get(), "tcp", "late", 64, 1, "v", "s"), nullptr);
  EXPECT_EQ(result->fieldCount, 64u);
  EXPECT_EQ(result->fields[63].offset, 63u);
}

TEST(PacketAddField, CutsEveryTextToItsMember) {
  auto result = EmptyResult(0);
  PacketField* field = PacketAddField(result.get(), std::string(100, 'l'), std::string(100, 'n'),
                                      3, 4, std::string(300, 'v'), std::string(300, 's'));
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(std::strlen(field->layer), sizeof field->layer - 1);
  EXPECT_EQ(std::strlen(field->name), sizeof field->name - 1);
  EXPECT_EQ(std::strlen(field->value), sizeof field->value - 1);
  EXPECT_EQ(std::strlen(field->summary), sizeof field->summary - 1);
  EXPECT_EQ(field->offset, 3u);
  EXPECT_EQ(field->length, 4u);

  PacketWarning* warning = nullptr;
  ASSERT_TRUE(PacketAddWarning(result.get(), std::string(100, 'c'), std::string(300, 'm'), 7));
  warning = &result->warnings[0];
  EXPECT_EQ(std::strlen(warning->code), sizeof warning->code - 1);
  EXPECT_EQ(std::strlen(warning->message), sizeof warning->message - 1);
}

TEST(PacketAddWarning, LowersConfidenceByItsCode) {
  auto result = EmptyResult(100);
  PacketAddWarning(result.get(), "invalid-x", "m", 0);
  EXPECT_EQ(result->confidence, 70);
  PacketAddWarning(result.get(), "truncated-x", "m", 0);
  EXPECT_EQ(result->confidence, 40);
  PacketAddWarning(result.get(), "ipv4-trailing-bytes", "m", 0);
  EXPECT_EQ(result->confidence, 30);
  PacketAddWarning(result.get(), "truncated", "m", 0);  // no dash: an ordinary code
  EXPECT_EQ(result->confidence, 20);
  PacketAddWarning(result.get(), "xinvalid-", "m", 0);
  EXPECT_EQ(result->confidence, 10);
  PacketAddWarning(result.get(), "unknown-protocol", "m", 0);  // step equal to the value
  EXPECT_EQ(result->confidence, 0);
  PacketAddWarning(result.get(), "invalid-y", "m", 0);
  EXPECT_EQ(result->confidence, 0);
}

TEST(PacketAddWarning, AStepLargerThanTheValueEndsAtZero) {
  auto result = EmptyResult(25);
  PacketAddWarning(result.get(), "truncated-tcp", "m", 0);
  EXPECT_EQ(result->confidence, 0);
}

TEST(PacketAddWarning, KeepsTwelveAndOnlyThoseLowerConfidence) {
  auto result = EmptyResult(1000);
  for (int i = 0; i < 12; ++i) {
    EXPECT_TRUE(PacketAddWarning(result.get(), "udp-trailing-bytes", "m", i));
  }
  EXPECT_EQ(result->confidence, 880);
  EXPECT_FALSE(PacketAddWarning(result.get(), "invalid-late", "m", 12));
  EXPECT_EQ(result->warningCount, 12u);
  EXPECT_EQ(result->confidence, 880);
  EXPECT_EQ(result->warnings[11].offset, 11u);
}

TEST(PacketAddPayloadLayer, AddsLayerAndDataField) {
  auto result = EmptyResult(0);
  PacketAddPayloadLayer(result.get(), 54, 60, "TCP application data");
  ASSERT_EQ(result->layerCount, 1u);
  EXPECT_STREQ(result->layers[0].id, "payload");
  EXPECT_STREQ(result->layers[0].name, "Payload");
  EXPECT_EQ(result->layers[0].offset, 54u);
  EXPECT_EQ(result->layers[0].length, 6u);
  EXPECT_STREQ(result->layers[0].summary, "TCP application data");
  ASSERT_EQ(result->fieldCount, 1u);
  EXPECT_STREQ(result->fields[0].layer, "payload");
  EXPECT_STREQ(result->fields[0].name, "data");
  EXPECT_EQ(result->fields[0].offset, 54u);
  EXPECT_EQ(result->fields[0].length, 6u);
  EXPECT_STREQ(result->fields[0].value, "6 bytes");
  EXPECT_STREQ(result->fields[0].summary, "TCP application data");
}

TEST(PacketAddPayloadLayer, NothingForAnEmptyOrReversedRange) {
  auto result = EmptyResult(0);
  PacketAddPayloadLayer(result.get(), 10, 10, "s");
  PacketAddTrailingLayer(result.get(), 11, 10, "s");
  EXPECT_EQ(result->layerCount, 0u);
  EXPECT_EQ(result->fieldCount, 0u);
}

TEST(PacketAddPayloadLayer, AddsTheFieldWhenTheLayerTableIsFull) {
  auto result = EmptyResult(0);
  for (int i = 0; i < 10; ++i) PacketAddLayer(result.get(), "x", "x", 0, 0, "x");
  PacketAddTrailingLayer(result.get(), 0, 5, "Bytes outside the declared UDP datagram");
  EXPECT_EQ(result->layerCount, 10u);
  ASSERT_EQ(result->fieldCount, 1u);
  EXPECT_STREQ(result->fields[0].layer, "trailing");
  EXPECT_STREQ(result->fields[0].value, "5 bytes");
}

TEST(PacketAddTrailingLayer, NamesItsLayer) {
  auto result = EmptyResult(0);
  PacketAddTrailingLayer(result.get(), 42, 60, "Bytes outside the computed ARP message");
  ASSERT_EQ(result->layerCount, 1u);
  EXPECT_STREQ(result->layers[0].id, "trailing");
  EXPECT_STREQ(result->layers[0].name, "Trailing bytes");
  EXPECT_STREQ(result->fields[0].layer, "trailing");
  EXPECT_STREQ(result->fields[0].value, "18 bytes");
}

// Byte counts beyond 32 bits are written in full, also where long has 32 bits.
TEST(PacketAddPayloadLayer, WritesLengthsBeyondThirtyTwoBits) {
  auto result = EmptyResult(0);
  PacketAddPayloadLayer(result.get(), 0, 5000000000ull, "s");
  EXPECT_STREQ(result->fields[0].value, "5000000000 bytes");
  EXPECT_EQ(result->layers[0].length, 5000000000ull);
}

}  // namespace
}  // namespace nubo
