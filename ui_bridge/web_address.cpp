#include "ui_bridge/web_address.h"

#include <cstddef>

#include "store/ascii_case.h"
#include "ui_bridge/route_limits.h"

namespace nubo {
namespace {

constexpr size_t kMaxHostBytes = 253;
constexpr size_t kMaxLabelBytes = 63;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (ToLowerAscii(text[i]) != prefix[i]) return false;
  }
  return true;
}

bool IsRefusedByte(unsigned char c) {
  return c <= 0x20 || c == 0x22 || c == 0x3C || c == 0x3E || c == 0x5C || c == 0x5E ||
         c == 0x60 || c == 0x7C || c == 0x7F;
}

bool HasAcceptableBytes(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (IsRefusedByte(c)) return false;
    if (c == '%') {
      if (i + 2 >= text.size()) return false;
      if (!IsHexDigit(text[i + 1]) || !IsHexDigit(text[i + 2])) return false;
      const int value = HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]);
      if (value < 0x20 || value == 0x22 || value == 0x5C || value == 0x7F) return false;
    }
  }
  return true;
}

bool IsValidPort(std::string_view port) {
  if (port.empty() || port.size() > 5) return false;
  int value = 0;
  for (char c : port) {
    if (!IsDigit(c)) return false;
    value = value * 10 + (c - '0');
  }
  return value >= 1 && value <= 65535;
}

bool IsLabelChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '-' || c == '_';
}

bool IsValidHostName(std::string_view host) {
  if (host.empty() || host.size() > kMaxHostBytes) return false;
  if (host.back() == '.' || host.back() == '-') return false;
  bool onlyDigitsAndDots = true;
  bool hasDot = false;
  size_t labelStart = 0;
  for (size_t i = 0; i <= host.size(); ++i) {
    if (i == host.size() || host[i] == '.') {
      const std::string_view label = host.substr(labelStart, i - labelStart);
      if (label.empty() || label.size() > kMaxLabelBytes) return false;
      if (label.front() == '-' || label.back() == '-') return false;
      if (i < host.size()) hasDot = true;
      labelStart = i + 1;
      continue;
    }
    if (!IsLabelChar(host[i])) return false;
    if (!IsDigit(host[i])) onlyDigitsAndDots = false;
  }
  if (onlyDigitsAndDots && hasDot) return IsValidIpv4Literal(host);
  return true;
}

}  // namespace

bool IsValidIpv4Literal(std::string_view text) {
  int parts = 0;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != '.') {
      if (!IsDigit(text[i])) return false;
      continue;
    }
    const std::string_view part = text.substr(start, i - start);
    if (part.empty() || part.size() > 3) return false;
    int value = 0;
    for (char c : part) value = value * 10 + (c - '0');
    if (value > 255) return false;
    ++parts;
    start = i + 1;
  }
  return parts == 4;
}

bool IsValidIpv6Literal(std::string_view text) {
  if (text.empty()) return false;
  if (text.front() == ':' && (text.size() < 2 || text[1] != ':')) return false;
  const size_t doubleColon = text.find("::");
  if (doubleColon != std::string_view::npos &&
      text.find("::", doubleColon + 1) != std::string_view::npos) {
    return false;
  }
  // Split around "::" and count the groups of each side.
  int groups = 0;
  auto countSide = [&groups](std::string_view side, bool mayEndWithQuad) {
    if (side.empty()) return true;
    size_t start = 0;
    for (size_t i = 0; i <= side.size(); ++i) {
      if (i < side.size() && side[i] != ':') continue;
      const std::string_view group = side.substr(start, i - start);
      const bool last = i == side.size();
      if (last && mayEndWithQuad && group.find('.') != std::string_view::npos) {
        if (!IsValidIpv4Literal(group)) return false;
        groups += 2;
        return true;
      }
      if (group.empty() || group.size() > 4) return false;
      for (char c : group) {
        if (!IsHexDigit(c)) return false;
      }
      ++groups;
      start = i + 1;
    }
    return true;
  };
  if (doubleColon == std::string_view::npos) {
    return countSide(text, true) && groups == 8;
  }
  const std::string_view before = text.substr(0, doubleColon);
  const std::string_view after = text.substr(doubleColon + 2);
  return countSide(before, false) && countSide(after, true) && groups < 8;
}

bool IsValidWebUrl(std::string_view text) {
  if (text.empty()) return true;
  if (text.size() > route_limits::kWebAddressMaxBytes) return false;
  size_t authorityStart = 0;
  if (StartsWithNoCase(text, "https://")) {
    authorityStart = 8;
  } else if (StartsWithNoCase(text, "http://")) {
    authorityStart = 7;
  } else {
    return false;
  }
  if (!HasAcceptableBytes(text)) return false;

  size_t authorityEnd = text.find_first_of("/?#", authorityStart);
  if (authorityEnd == std::string_view::npos) authorityEnd = text.size();
  const std::string_view authority = text.substr(authorityStart, authorityEnd - authorityStart);
  if (authority.empty()) return false;

  std::string_view rest;
  if (authority.front() == '[') {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos) return false;
    if (!IsValidIpv6Literal(authority.substr(1, close - 1))) return false;
    rest = authority.substr(close + 1);
  } else {
    const size_t colon = authority.find(':');
    const std::string_view host = authority.substr(0, colon);
    if (!IsValidHostName(host)) return false;
    rest = colon == std::string_view::npos ? std::string_view() : authority.substr(colon);
  }
  if (rest.empty()) return true;
  if (rest.front() != ':') return false;
  return IsValidPort(rest.substr(1));
}

}  // namespace nubo
