#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>

#include <nlohmann/json.hpp>

#include "store/text_rules.h"

namespace nubo {

using Json = nlohmann::json;

// Readers of request payload members. The Read*Field functions never throw.

// True and the text copied when payload is an object whose member is a string.
bool ReadStringField(const Json& payload, std::string_view name, std::string& out);

// ReadStringField, and the text is 1..maxBytes bytes without a NUL byte.
bool ReadBoundedStringField(const Json& payload, std::string_view name, size_t maxBytes,
                            std::string& out);

// True and the value stored when the member is a JSON integer (no fraction or
// exponent) within [min, max].
bool ReadIntegerField(const Json& payload, std::string_view name, int64_t min, int64_t max,
                      int64_t& out);

// Value-with-default reads: the member when present, else the default. They
// raise the JSON library's type error when payload is not an object or the
// member has the wrong type.
std::string ReadTextOr(const Json& payload, std::string_view name, std::string_view fallback);
bool ReadBoolOr(const Json& payload, std::string_view name, bool fallback);

// Any JSON number or boolean is accepted; a fraction is cut off and a value
// outside T's range is saturated, so callers' own clamps still hold.
template <typename T>
T ReadNumberOr(const Json& payload, std::string_view name, T fallback);

// A request's own id, echoed in its reply: 1 to maxBytes bytes of any kind.
inline constexpr size_t kRequestIdMaxBytes = 80;
inline bool IsValidRequestId(std::string_view requestId, size_t maxBytes = kRequestIdMaxBytes) {
  return !requestId.empty() && requestId.size() <= maxBytes;
}

// Whether text is one of the listed values, compared byte for byte.
template <typename Values>
bool IsOneOf(std::string_view text, const Values& values) {
  return std::find(std::begin(values), std::end(values), text) != std::end(values);
}
inline bool IsOneOf(std::string_view text, std::initializer_list<std::string_view> values) {
  return IsOneOf<std::initializer_list<std::string_view>>(text, values);
}

// Validators over UTF-8 byte strings.
bool IsValidHostText(std::string_view text, bool allowEmpty);
bool IsKnownWorkspaceView(std::string_view text);
bool IsKnownToolCategory(std::string_view text);
bool IsValidTextSize(std::string_view text);
bool IsValidTheme(std::string_view text);

// Empty gives 0; otherwise decimal digits only, fitting in 64 unsigned bits.
bool ParseDecimalUInt64(std::string_view text, uint64_t& out);

namespace detail {

// Throws the library's type error for a member that is not a number or boolean.
const Json* NumberMember(const Json& payload, std::string_view name);

template <typename T>
T SaturateSigned(int64_t value) {
  if constexpr (std::is_signed_v<T>) {
    if (value < static_cast<int64_t>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
    if (value > static_cast<int64_t>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
    return static_cast<T>(value);
  } else {
    if (value < 0) return 0;
    if (static_cast<uint64_t>(value) > static_cast<uint64_t>(std::numeric_limits<T>::max())) {
      return std::numeric_limits<T>::max();
    }
    return static_cast<T>(value);
  }
}

template <typename T>
T SaturateUnsigned(uint64_t value) {
  if (value > static_cast<uint64_t>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  return static_cast<T>(value);
}

template <typename T>
T SaturateFloat(double value) {
  if (value != value) return 0;  // NaN
  if (value <= static_cast<double>(std::numeric_limits<T>::lowest())) return std::numeric_limits<T>::lowest();
  if (value >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  return static_cast<T>(value);
}

}  // namespace detail

template <typename T>
T ReadNumberOr(const Json& payload, std::string_view name, T fallback) {
  static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>, "integral targets only");
  const Json* member = detail::NumberMember(payload, name);
  if (member == nullptr) return fallback;
  switch (member->type()) {
    case Json::value_t::number_integer:
      return detail::SaturateSigned<T>(member->get<int64_t>());
    case Json::value_t::number_unsigned:
      return detail::SaturateUnsigned<T>(member->get<uint64_t>());
    case Json::value_t::number_float:
      return detail::SaturateFloat<T>(member->get<double>());
    case Json::value_t::boolean:
      return member->get<bool>() ? T{1} : T{0};
    default:
      return fallback;  // NumberMember has already refused every other type
  }
}

}  // namespace nubo
