#include "datatools/packet/packet_json.h"

#include <cstring>
#include <string_view>

#include "datatools/packet/packet_decoder.h"

namespace nubo {
namespace {

// A record member up to its terminating NUL (or its whole size).
template <std::size_t Size>
std::string_view MemberText(const char (&member)[Size]) {
  const void* end = std::memchr(member, '\0', Size);
  return std::string_view(member, end != nullptr ? static_cast<const char*>(end) - member : Size);
}

class JsonWriter {
 public:
  explicit JsonWriter(std::string& out) : out_(out) {}

  void Raw(std::string_view text) { out_.append(text); }

  void Unsigned(std::uint64_t value) {
    char digits[20];
    std::size_t count = 0;
    do {
      digits[sizeof digits - 1 - count++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    out_.append(digits + sizeof digits - count, count);
  }

  void Signed(std::int64_t value) {
    if (value < 0) {
      out_.push_back('-');
      Unsigned(0 - static_cast<std::uint64_t>(value));
    } else {
      Unsigned(static_cast<std::uint64_t>(value));
    }
  }

  // Escapes as the JSON library does: quote, backslash and control characters.
  void String(std::string_view text) {
    out_.push_back('"');
    for (const char c : text) {
      switch (c) {
        case '"': out_.append("\\\""); break;
        case '\\': out_.append("\\\\"); break;
        case '\b': out_.append("\\b"); break;
        case '\f': out_.append("\\f"); break;
        case '\n': out_.append("\\n"); break;
        case '\r': out_.append("\\r"); break;
        case '\t': out_.append("\\t"); break;
        default:
          if (static_cast<unsigned char>(c) < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            const char escape[] = {'\\', 'u', '0', '0', kHex[(c >> 4) & 0xF], kHex[c & 0xF]};
            out_.append(escape, sizeof escape);
          } else {
            out_.push_back(c);
          }
      }
    }
    out_.push_back('"');
  }

  // ,"key": before every member but the first.
  void Key(std::string_view key, bool first = false) {
    if (!first) out_.push_back(',');
    String(key);
    out_.push_back(':');
  }

 private:
  std::string& out_;
};

// The byte array is most of the text: written straight into the string.
void WriteBytes(std::string& out, const std::uint8_t* bytes, std::size_t count) {
  const std::size_t start = out.size();
  out.resize(start + 2 + count * 4);
  char* p = out.data() + start;
  *p++ = '[';
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) *p++ = ',';
    unsigned value = bytes[i];
    if (value >= 100) {
      *p++ = static_cast<char>('0' + value / 100);
      value %= 100;
      *p++ = static_cast<char>('0' + value / 10);
    } else if (value >= 10) {
      *p++ = static_cast<char>('0' + value / 10);
    }
    *p++ = static_cast<char>('0' + value % 10);
  }
  *p++ = ']';
  out.resize(static_cast<std::size_t>(p - out.data()));
}

void WriteFields(JsonWriter& json, const PacketResult& result) {
  json.Raw("[");
  const std::uint64_t count = result.fieldCount < kPacketMaxFields ? result.fieldCount : kPacketMaxFields;
  for (std::uint64_t i = 0; i < count; ++i) {
    const PacketField& field = result.fields[i];
    json.Raw(i > 0 ? ",{" : "{");
    json.Key("layer", true);
    json.String(MemberText(field.layer));
    json.Key("length");
    json.Unsigned(field.length);
    json.Key("name");
    json.String(MemberText(field.name));
    json.Key("offset");
    json.Unsigned(field.offset);
    json.Key("summary");
    json.String(MemberText(field.summary));
    json.Key("value");
    json.String(MemberText(field.value));
    json.Raw("}");
  }
  json.Raw("]");
}

void WriteLayers(JsonWriter& json, const PacketResult& result) {
  json.Raw("[");
  const std::uint64_t count = result.layerCount < kPacketMaxLayers ? result.layerCount : kPacketMaxLayers;
  for (std::uint64_t i = 0; i < count; ++i) {
    const PacketLayer& layer = result.layers[i];
    json.Raw(i > 0 ? ",{" : "{");
    json.Key("id", true);
    json.String(MemberText(layer.id));
    json.Key("length");
    json.Unsigned(layer.length);
    json.Key("name");
    json.String(MemberText(layer.name));
    json.Key("offset");
    json.Unsigned(layer.offset);
    json.Key("summary");
    json.String(MemberText(layer.summary));
    json.Raw("}");
  }
  json.Raw("]");
}

void WriteWarnings(JsonWriter& json, const PacketResult& result) {
  json.Raw("[");
  const std::uint64_t count =
      result.warningCount < kPacketMaxWarnings ? result.warningCount : kPacketMaxWarnings;
  for (std::uint64_t i = 0; i < count; ++i) {
    const PacketWarning& warning = result.warnings[i];
    json.Raw(i > 0 ? ",{" : "{");
    json.Key("code", true);
    json.String(MemberText(warning.code));
    json.Key("message");
    json.String(MemberText(warning.message));
    json.Key("offset");
    json.Unsigned(warning.offset);
    json.Raw("}");
  }
  json.Raw("]");
}

}  // namespace

std::string PacketResultToJson(const PacketResult& result, const std::uint8_t* bytes,
                               std::size_t count) {
  std::string out;
  out.reserve(count * 4 + 32768);
  JsonWriter json(out);
  json.Raw("{");
  json.Key("byteCount", true);
  json.Unsigned(count);
  json.Key("bytes");
  WriteBytes(out, bytes, count);
  json.Key("confidence");
  json.Signed(result.confidence);
  json.Key("fields");
  WriteFields(json, result);
  json.Key("layers");
  WriteLayers(json, result);
  json.Key("mode");
  json.String(PacketModeName(result.mode));
  json.Key("protocol");
  json.String(MemberText(result.summary));
  json.Key("warnings");
  WriteWarnings(json, result);
  json.Raw("}");
  return out;
}

}  // namespace nubo
