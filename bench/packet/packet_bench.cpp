// Figures of the packet decoder and the inspector tool.
//   packet_bench decode <pcap to write>  frames decoded per second over a mixed
//                                        corpus of 100,000 frames, which is also
//                                        written as a pcap file for tshark
//   packet_bench tool                    hex text to JSON for the largest
//                                        accepted dump (256 KiB)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "datatools/packet/packet_decoder.h"
#include "datatools/packet/packet_inspector_tool.h"
#include "tests/datatools/packet/packet_test_support.h"

namespace {

using namespace nubo;
using namespace nubo::testing;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kFrameCount = 100000;

Bytes Payload(std::size_t size, std::size_t seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed * 31 + i);
  return bytes;
}

// Frame i of the corpus: common traffic with a share of malformed frames.
Bytes MixedFrame(std::size_t i) {
  const auto port = static_cast<std::uint8_t>(i);
  Bytes frame;
  switch (i % 16) {
    case 0: case 1: case 2:
      frame = Concat({EthernetHeader(0x0800), Ipv4Header(40, 6), TcpHeader(0x010)});
      break;
    case 3: case 4:
      frame = Concat({EthernetHeader(0x0800), Ipv4Header(40 + 512, 6), TcpHeader(0x018), Payload(512, i)});
      break;
    case 5:
      frame = Concat({EthernetHeader(0x0800), Ipv4Header(1500, 6), TcpHeader(0x010, 8), Payload(1448, i)});
      break;
    case 6: case 7:
      frame = Concat({EthernetHeader(0x0800), Ipv4Header(38, 17), UdpHeader(18), Payload(10, i), Zeros(8)});
      break;
    case 8:
      frame = Concat({EthernetHeader(0x86DD), Ipv6Header(32, 6), TcpHeader(0x012, 8)});
      break;
    case 9:
      frame = Concat({EthernetHeader(0x86DD), Ipv6Header(108, 17), UdpHeader(108), Payload(100, i)});
      break;
    case 10:
      frame = Concat({EthernetHeader(0x86DD), Ipv6Header(12, 58), IcmpHeader(128, 0), Payload(8, i)});
      break;
    case 11:
      frame = Concat({EthernetHeader(0x0806), ArpRequest(), Zeros(18)});
      break;
    case 12:
      frame = Concat({EthernetHeader(0x8100), VlanTag(0x2064, 0x0800), Ipv4Header(36, 1), IcmpHeader(8, 0),
                      Payload(12, i), Zeros(6)});
      break;
    case 13:
      frame = Concat({EthernetHeader(0x0800), Ipv4Header(60, 17, 0x45, 185), Payload(40, i)});
      break;
    case 14:
      frame = Concat({EthernetHeader(0x0800), Ipv4Header(200, 6), TcpHeader(0x002, 4), Zeros(6)});
      break;
    default:
      frame = Concat({EthernetHeader(0x88CC), Payload(46, i)});
      break;
  }
  frame[5] = port;  // vary the destination address
  return frame;
}

void PutLe32(std::ofstream& out, std::uint32_t value) {
  const char bytes[] = {static_cast<char>(value), static_cast<char>(value >> 8),
                        static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
  out.write(bytes, 4);
}

void WritePcap(const std::vector<Bytes>& frames, const char* path) {
  std::ofstream out(path, std::ios::binary);
  PutLe32(out, 0xA1B2C3D4);
  PutLe32(out, 0x00040002);  // version 2.4
  PutLe32(out, 0);
  PutLe32(out, 0);
  PutLe32(out, 65535);
  PutLe32(out, 1);  // Ethernet
  for (std::size_t i = 0; i < frames.size(); ++i) {
    PutLe32(out, static_cast<std::uint32_t>(i / 1000));
    PutLe32(out, static_cast<std::uint32_t>(i % 1000) * 1000);
    PutLe32(out, static_cast<std::uint32_t>(frames[i].size()));
    PutLe32(out, static_cast<std::uint32_t>(frames[i].size()));
    out.write(reinterpret_cast<const char*>(frames[i].data()), static_cast<std::streamsize>(frames[i].size()));
  }
}

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

int Decode(const char* pcapPath) {
  std::vector<Bytes> frames;
  frames.reserve(kFrameCount);
  std::size_t totalBytes = 0;
  for (std::size_t i = 0; i < kFrameCount; ++i) {
    frames.push_back(MixedFrame(i));
    totalBytes += frames.back().size();
  }
  WritePcap(frames, pcapPath);

  auto result = std::make_unique<PacketResult>();
  double best = 1e9;
  std::uint64_t checksum = 0;
  for (int round = 0; round < 7; ++round) {
    const Clock::time_point start = Clock::now();
    for (const Bytes& frame : frames) {
      PacketInspect(frame.data(), frame.size(), PacketMode::kAuto, result.get());
      checksum += static_cast<std::uint64_t>(result->confidence) + result->fieldCount;
    }
    best = std::min(best, Seconds(Clock::now() - start));
  }
  std::printf("decoder: %zu frames (%zu bytes, mixed protocols, automatic detection)\n", frames.size(),
              totalBytes);
  std::printf("decoder: best of 7 rounds %.2f ms = %.2f million frames per second (check %llu)\n",
              best * 1000, static_cast<double>(frames.size()) / best / 1e6,
              static_cast<unsigned long long>(checksum));
  return 0;
}

int Tool() {
  // An Ethernet frame of 256 KiB written as a hexdump, 16 bytes a line.
  Bytes dump = Concat({EthernetHeader(0x0800), Ipv4Header(65535, 17), UdpHeader(65515)});
  const Bytes rest = Payload(262144 - dump.size(), 7);
  dump.insert(dump.end(), rest.begin(), rest.end());
  std::string text;
  static constexpr char kHex[] = "0123456789abcdef";
  for (std::size_t i = 0; i < dump.size(); ++i) {
    text += kHex[dump[i] >> 4];
    text += kHex[dump[i] & 0xF];
    text += (i % 16 == 15) ? '\n' : ' ';
  }

  std::vector<double> times;
  std::size_t outputSize = 0;
  for (int round = 0; round < 21; ++round) {
    const Clock::time_point start = Clock::now();
    const PacketInspectorOutcome outcome = InspectPacketHexDump(text, "auto");
    times.push_back(Seconds(Clock::now() - start));
    if (!outcome.success) {
      std::printf("tool failed: %s\n", outcome.message.c_str());
      return 1;
    }
    outputSize = outcome.output.size();
  }
  std::sort(times.begin(), times.end());
  std::printf("tool: %zu bytes as %zu characters of hex text -> %zu characters of JSON\n", dump.size(),
              text.size(), outputSize);
  std::printf("tool: 21 runs, best %.2f ms, median %.2f ms, worst %.2f ms\n", times.front() * 1000,
              times[times.size() / 2] * 1000, times.back() * 1000);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "decode" && argc > 2) return Decode(argv[2]);
  if (command == "tool") return Tool();
  std::fprintf(stderr, "usage: packet_bench decode <pcap to write> | packet_bench tool\n");
  return 2;
}
