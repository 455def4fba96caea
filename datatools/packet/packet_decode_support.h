#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "datatools/packet/packet_entries.h"
#include "datatools/packet/packet_result.h"
#include "datatools/packet/packet_steps.h"
#include "datatools/packet/packet_text_writer.h"
#include "datatools/packet/packet_texts.h"

// Helpers shared by the decoder sources only.
namespace nubo::packet_detail {

inline constexpr std::uint16_t kEtherTypeIpv4 = 0x0800;
inline constexpr std::uint16_t kEtherTypeIpv6 = 0x86DD;
inline constexpr std::uint16_t kEtherTypeArp = 0x0806;
inline constexpr std::uint16_t kEtherTypeVlan = 0x8100;
inline constexpr std::uint16_t kEtherTypeQinQ = 0x88A8;

inline std::uint16_t ReadU16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>((bytes[0] << 8) | bytes[1]);
}

inline std::uint32_t ReadU32(const std::uint8_t* bytes) {
  return (static_cast<std::uint32_t>(bytes[0]) << 24) | (static_cast<std::uint32_t>(bytes[1]) << 16) |
         (static_cast<std::uint32_t>(bytes[2]) << 8) | bytes[3];
}

// The last position a decoder may read up to: the smaller of end and length.
inline std::size_t Bound(std::size_t end, std::size_t length) { return end < length ? end : length; }

// Bytes from start up to bound; 0 when start lies beyond it.
inline std::size_t Available(std::size_t start, std::size_t bound) {
  return start < bound ? bound - start : 0;
}

// Appends the protocol name to the summary and the layer.
inline PacketLayer* AddLayer(PacketResult* result, const packet_texts::LayerText& layer,
                             std::uint64_t offset, std::uint64_t length) {
  PacketAppendSummary(result, layer.protocol);
  return NewLayer(result, layer.id, layer.name, offset, length, layer.summary);
}

// How a decoder above the link layer begins: its bound, its bytes and its layer.
struct OpenedLayer {
  std::size_t bound;      // the smaller of end and length
  std::size_t available;  // bytes from start up to the bound
  PacketLayer* layer;     // null when the layer table was full
  bool complete;          // false: fewer bytes than the fixed header, warned
};

// Adds the layer at start over the available bytes, or over at most the
// fixed header's when `headerOnly`; with fewer than headerSize bytes adds the
// truncation warning at start.
inline OpenedLayer OpenLayer(PacketResult* result, const packet_texts::LayerText& text,
                             std::size_t start, std::size_t end, std::size_t length,
                             std::size_t headerSize, bool headerOnly,
                             const packet_texts::WarningText& truncated) {
  OpenedLayer opened{};
  opened.bound = Bound(end, length);
  opened.available = Available(start, opened.bound);
  const std::size_t shown = headerOnly && opened.available > headerSize ? headerSize : opened.available;
  opened.layer = AddLayer(result, text, start, shown);
  opened.complete = opened.available >= headerSize;
  if (!opened.complete) PacketAddWarning(result, truncated.code, truncated.before, start);
  return opened;
}

// A field whose value `format` writes in place through a PacketTextWriter.
template <typename Format>
inline void AddField(PacketResult* result, std::string_view layer, const packet_texts::FieldText& field,
                     std::uint64_t offset, std::uint64_t length, Format&& format) {
  PacketField* entry = NewField(result, layer, field.name, offset, length, field.summary);
  if (entry == nullptr) return;
  PacketTextWriter value(entry->value, sizeof entry->value);
  format(value);
}

inline void AddDecimalField(PacketResult* result, std::string_view layer,
                            const packet_texts::FieldText& field, std::uint64_t offset,
                            std::uint64_t length, std::uint64_t number) {
  AddField(result, layer, field, offset, length, [number](PacketTextWriter& value) { value.Decimal(number); });
}

// "%u bytes"
inline void AddBytesField(PacketResult* result, std::string_view layer,
                          const packet_texts::FieldText& field, std::uint64_t offset,
                          std::uint64_t length, std::uint64_t byteCount) {
  AddField(result, layer, field, offset, length,
           [byteCount](PacketTextWriter& value) { value.Decimal(byteCount).Text(" bytes"); });
}

// "0x" and the number in upper-case hexadecimal, at least `digits` digits.
inline void AddHexField(PacketResult* result, std::string_view layer,
                        const packet_texts::FieldText& field, std::uint64_t offset,
                        std::uint64_t length, std::uint64_t number, std::size_t digits) {
  AddField(result, layer, field, offset, length,
           [number, digits](PacketTextWriter& value) { value.Text("0x").Hex(number, digits); });
}

inline void AddWarning(PacketResult* result, const packet_texts::WarningText& warning,
                       std::uint64_t offset) {
  PacketAddWarning(result, warning.code, warning.before, offset);
}

// A warning whose message carries one number, in decimal or as four
// upper-case hexadecimal digits.
inline void AddWarning(PacketResult* result, const packet_texts::WarningText& warning,
                       std::uint64_t number, bool hex, std::uint64_t offset) {
  char message[kPacketTextSize];
  PacketTextWriter text(message, sizeof message);
  text.Text(warning.before);
  if (hex) {
    text.Hex(number, 4);
  } else {
    text.Decimal(number);
  }
  text.Text(warning.after);
  PacketAddWarning(result, warning.code, message, offset);
}

}  // namespace nubo::packet_detail
