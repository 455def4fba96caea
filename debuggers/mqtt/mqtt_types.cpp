#include "debuggers/mqtt/mqtt_types.h"

namespace nubo {
namespace {

// Volatile stores are kept even though the memory is freed right after.
void WipeRaw(void* data, size_t size) {
  volatile auto* bytes = static_cast<volatile unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) bytes[i] = 0;
}

}  // namespace

std::string_view MqttEventKindText(MqttEventKind kind) {
  switch (kind) {
    case MqttEventKind::kStatus: return "status";
    case MqttEventKind::kError: return "error";
    case MqttEventKind::kMessage: return "message";
    case MqttEventKind::kPublished: return "published";
  }
  return "status";
}

void MqttWipeText(std::string& text) {
  WipeRaw(text.data(), text.size());
  text.clear();
}

void MqttWipeBytes(std::vector<uint8_t>& bytes) {
  WipeRaw(bytes.data(), bytes.size());
  bytes.clear();
}

}  // namespace nubo
