#include "ui_bridge/field_readers.h"

#include <array>

namespace nubo {
namespace {

constexpr std::array<std::string_view, 6> kWorkspaceViews = {"toolbox", "today",    "all",
                                                              "status",  "settings", "account"};
constexpr std::array<std::string_view, 4> kToolCategories = {"data", "network", "system",
                                                              "file-conversion"};
constexpr std::array<std::string_view, 3> kTextSizes = {"compact", "comfortable", "large"};
constexpr std::array<std::string_view, 3> kThemes = {"warm", "cloud", "rose"};

constexpr size_t kHostTextMaxBytes = 253;

const Json* FindMember(const Json& payload, std::string_view name) {
  if (!payload.is_object()) return nullptr;
  const auto it = payload.find(name);
  return it == payload.end() ? nullptr : &*it;
}

// Looks a member up the way the library's value-with-default lookup does:
// a payload that is not an object raises the library's type error.
const Json* FindMemberOrThrow(const Json& payload, std::string_view name) {
  if (!payload.is_object()) {
    // Let the library raise its own error for a lookup on a non-object.
    (void)payload.value(std::string(name), Json());
  }
  return FindMember(payload, name);
}

}  // namespace

bool ReadStringField(const Json& payload, std::string_view name, std::string& out) {
  const Json* member = FindMember(payload, name);
  if (member == nullptr || !member->is_string()) return false;
  out = member->get_ref<const std::string&>();
  return true;
}

bool ReadBoundedStringField(const Json& payload, std::string_view name, size_t maxBytes,
                            std::string& out) {
  std::string text;
  if (!ReadStringField(payload, name, text)) return false;
  if (text.empty() || text.size() > maxBytes || text.find('\0') != std::string::npos) return false;
  out = std::move(text);
  return true;
}

bool ReadIntegerField(const Json& payload, std::string_view name, int64_t min, int64_t max,
                      int64_t& out) {
  const Json* member = FindMember(payload, name);
  if (member == nullptr) return false;
  int64_t value = 0;
  if (member->is_number_unsigned()) {
    const uint64_t raw = member->get<uint64_t>();
    if (raw > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return false;
    value = static_cast<int64_t>(raw);
  } else if (member->is_number_integer()) {
    value = member->get<int64_t>();
  } else {
    return false;
  }
  if (value < min || value > max) return false;
  out = value;
  return true;
}

std::string ReadTextOr(const Json& payload, std::string_view name, std::string_view fallback) {
  const Json* member = FindMemberOrThrow(payload, name);
  if (member == nullptr) return std::string(fallback);
  return member->get<std::string>();  // the library's type error for a non-string
}

bool ReadBoolOr(const Json& payload, std::string_view name, bool fallback) {
  const Json* member = FindMemberOrThrow(payload, name);
  if (member == nullptr) return fallback;
  return member->get<bool>();  // the library's type error for a non-boolean
}

namespace detail {

const Json* NumberMember(const Json& payload, std::string_view name) {
  const Json* member = FindMemberOrThrow(payload, name);
  if (member == nullptr) return nullptr;
  if (!member->is_number() && !member->is_boolean()) {
    (void)member->get<double>();  // raises the library's type error
  }
  return member;
}

}  // namespace detail

bool IsValidHostText(std::string_view text, bool allowEmpty) {
  if (text.empty()) return allowEmpty;
  if (text.size() > kHostTextMaxBytes) return false;
  for (unsigned char c : text) {
    if (c < 0x21 || c == 0x7F) return false;
  }
  return true;
}

bool IsKnownWorkspaceView(std::string_view text) { return IsOneOf(text, kWorkspaceViews); }

bool IsKnownToolCategory(std::string_view text) {
  return text.empty() || IsOneOf(text, kToolCategories);
}

bool IsValidTextSize(std::string_view text) { return IsOneOf(text, kTextSizes); }

bool IsValidTheme(std::string_view text) { return IsOneOf(text, kThemes); }

bool ParseDecimalUInt64(std::string_view text, uint64_t& out) {
  uint64_t value = 0;
  for (unsigned char c : text) {
    if (c < '0' || c > '9') return false;
    const uint64_t digit = c - '0';
    if (value > (std::numeric_limits<uint64_t>::max() - digit) / 10) return false;
    value = value * 10 + digit;
  }
  out = value;
  return true;
}

}  // namespace nubo
