#include "datatools/packet/packet_json.h"

#include <cstring>
#include <string_view>

#include "datatools/packet/packet_decoder.h"
#include "datatools/packet/packet_text_writer.h"
#include "store/hex_digits.h"

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
    const std::size_t count = PacketDecimalDigits(value, digits);
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
            const char* hex = kLowerHexDigits;
            const char escape[] = {'\\', 'u', '0', '0', hex[(c >> 4) & 0xF], hex[c & 0xF]};
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

  template <std::size_t Size>
  void TextMember(std::string_view key, const char (&member)[Size], bool first = false) {
    Key(key, first);
    String(MemberText(member));
  }

  void NumberMember(std::string_view key, std::uint64_t value) {
    Key(key);
    Unsigned(value);
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

// A JSON array of the first `count` entries (never more than the table holds),
// each an object whose members `members` writes.
template <typename Entry, std::size_t Size, typename Members>
void WriteObjects(JsonWriter& json, const Entry (&entries)[Size], std::uint64_t count, Members members) {
  json.Raw("[");
  const std::uint64_t shown = count < Size ? count : Size;
  for (std::uint64_t i = 0; i < shown; ++i) {
    json.Raw(i > 0 ? ",{" : "{");
    members(entries[i]);
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
  WriteObjects(json, result.fields, result.fieldCount, [&json](const PacketField& field) {
    json.TextMember("layer", field.layer, true);
    json.NumberMember("length", field.length);
    json.TextMember("name", field.name);
    json.NumberMember("offset", field.offset);
    json.TextMember("summary", field.summary);
    json.TextMember("value", field.value);
  });
  json.Key("layers");
  WriteObjects(json, result.layers, result.layerCount, [&json](const PacketLayer& layer) {
    json.TextMember("id", layer.id, true);
    json.NumberMember("length", layer.length);
    json.TextMember("name", layer.name);
    json.NumberMember("offset", layer.offset);
    json.TextMember("summary", layer.summary);
  });
  json.Key("mode");
  json.String(PacketModeName(result.mode));
  json.Key("protocol");
  json.String(MemberText(result.summary));
  json.Key("warnings");
  WriteObjects(json, result.warnings, result.warningCount, [&json](const PacketWarning& warning) {
    json.TextMember("code", warning.code, true);
    json.TextMember("message", warning.message);
    json.NumberMember("offset", warning.offset);
  });
  json.Raw("}");
  return out;
}

}  // namespace nubo
