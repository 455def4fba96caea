#pragma once

#include <array>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace nubo {

// Where a path written through a share leads.
struct ShareTarget {
  enum Reach { kElsewhere, kHere, kUnknown };
  Reach reach = kElsewhere;
  std::wstring path;  // kHere: the local path the share reaches
};

// Reads a path written through a share of this machine as the local path it
// reaches. Learns this machine's names and addresses, each share's folder and
// each drive's connection once for the many locations of one pass.
class OwnShares {
 public:
  // "\\HOST\SHARE\rest": elsewhere unless HOST names this machine; then the
  // administrative share "X$" reaches "X:\", another share the folder Windows
  // shares under it, and a share whose folder cannot be told is unknown.
  ShareTarget Resolve(std::wstring_view unc);
  // "X:\rest" on a drive connected to a share: "\\HOST\SHARE\rest"; else "".
  std::wstring ThroughConnection(std::wstring_view drivePath);

 private:
  using Address = std::array<unsigned char, 16>;  // IPv4 as IPv4-mapped IPv6
  enum class Host { kOther, kThis, kUnknown };
  Host Classify(std::wstring_view host);
  void LearnThisMachine();
  std::wstring SharedFolder(std::wstring_view share);

  bool learnt_ = false;
  bool complete_ = true;             // every name and address of this machine was read
  std::vector<std::wstring> names_;  // folded
  std::vector<Address> addresses_;
  std::unordered_map<std::wstring, std::wstring> folders_;  // by folded share name; "": unknown
  std::unordered_map<wchar_t, std::wstring> connections_;   // by drive letter; "": none
};

}  // namespace nubo
