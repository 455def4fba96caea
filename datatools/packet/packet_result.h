#pragma once

#include <cstddef>
#include <cstdint>

// The decoded form of one frame or packet: a fixed-size record owned by the
// caller and filled by PacketInspect without any heap use.
namespace nubo {

// Layer at which decoding starts.
enum class PacketMode : std::uint32_t {
  kAuto = 0,
  kEthernet = 1,
  kIpv4 = 2,
  kIpv6 = 3,
  kTcp = 4,
  kUdp = 5,
  kRaw = 6,
};
inline constexpr std::uint32_t kPacketModeLast = 6;

inline constexpr std::size_t kPacketMaxFields = 64;
inline constexpr std::size_t kPacketMaxLayers = 10;
inline constexpr std::size_t kPacketMaxWarnings = 12;

inline constexpr std::size_t kPacketSummarySize = 96;
inline constexpr std::size_t kPacketIdSize = 24;
inline constexpr std::size_t kPacketNameSize = 48;
inline constexpr std::size_t kPacketValueSize = 128;
inline constexpr std::size_t kPacketTextSize = 160;
inline constexpr std::size_t kPacketCodeSize = 32;

// Every text member is NUL-terminated; a longer text is cut to the member's
// size less one byte. Offsets count from the start of the input buffer.
struct PacketLayer {
  char id[kPacketIdSize];
  char name[kPacketNameSize];
  std::uint64_t offset;
  std::uint64_t length;
  char summary[kPacketTextSize];
};

struct PacketField {
  char layer[kPacketIdSize];
  char name[kPacketNameSize];
  std::uint64_t offset;
  std::uint64_t length;
  char value[kPacketValueSize];
  char summary[kPacketTextSize];
};

struct PacketWarning {
  char code[kPacketCodeSize];
  char message[kPacketTextSize];
  std::uint64_t offset;
};

// Entries are kept in the order the decoders add them; an entry that finds
// its table full is dropped. Entries past a count hold nothing meaningful.
struct PacketResult {
  std::uint64_t inputLength;
  PacketMode mode;
  char summary[kPacketSummarySize];
  std::int32_t confidence;
  PacketField fields[kPacketMaxFields];
  std::uint64_t fieldCount;
  PacketLayer layers[kPacketMaxLayers];
  std::uint64_t layerCount;
  PacketWarning warnings[kPacketMaxWarnings];
  std::uint64_t warningCount;
};

}  // namespace nubo
