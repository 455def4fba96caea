#pragma once

#include <cstdint>
#include <string_view>

#include "datatools/packet/packet_result.h"
#include "datatools/packet/packet_text_writer.h"

// The next free entry of a table with its fixed members filled in, or null
// when the table is full. Inline so that the decoders' constant texts are
// copied without a call.
namespace nubo::packet_detail {

inline PacketLayer* NewLayer(PacketResult* result, std::string_view id, std::string_view name,
                             std::uint64_t offset, std::uint64_t length, std::string_view summary) {
  if (result->layerCount >= kPacketMaxLayers) return nullptr;
  PacketLayer& layer = result->layers[result->layerCount++];
  PacketCopyText(layer.id, id);
  PacketCopyText(layer.name, name);
  layer.offset = offset;
  layer.length = length;
  PacketCopyText(layer.summary, summary);
  return &layer;
}

// The value is left empty for the caller to write.
inline PacketField* NewField(PacketResult* result, std::string_view layer, std::string_view name,
                             std::uint64_t offset, std::uint64_t length, std::string_view summary) {
  if (result->fieldCount >= kPacketMaxFields) return nullptr;
  PacketField& field = result->fields[result->fieldCount++];
  PacketCopyText(field.layer, layer);
  PacketCopyText(field.name, name);
  field.offset = offset;
  field.length = length;
  field.value[0] = '\0';
  PacketCopyText(field.summary, summary);
  return &field;
}

}  // namespace nubo::packet_detail
