// Decodes one frame per input line ("<mode> <hex>") and prints every field,
// layer and warning as tab-separated lines, for the comparison with tshark.
#include <cstdint>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "datatools/packet/packet_decoder.h"
#include "datatools/packet/packet_text_input.h"

int main() {
  using namespace nubo;
  auto result = std::make_unique<PacketResult>();
  std::string line;
  std::uint64_t frame = 0;
  while (std::getline(std::cin, line)) {
    std::istringstream words(line);
    std::string modeText, hex;
    words >> modeText >> hex;
    PacketMode mode;
    if (PacketParseMode(modeText.c_str(), &mode) != 0) {
      std::cerr << "bad mode on line " << frame + 1 << "\n";
      return 2;
    }
    std::vector<std::uint8_t> bytes(PacketHexCapacity(hex.size()));
    const std::int64_t count = PacketParseHex(hex.c_str(), hex.size(), bytes.data(), bytes.size());
    if (count < 0 || PacketInspect(bytes.data(), static_cast<std::size_t>(count), mode, result.get()) != 0) {
      std::cerr << "bad frame on line " << frame + 1 << "\n";
      return 2;
    }
    std::cout << frame << "\tsummary\t" << result->summary << "\t" << result->confidence << "\n";
    for (std::uint64_t i = 0; i < result->layerCount; ++i) {
      const PacketLayer& l = result->layers[i];
      std::cout << frame << "\tlayer\t" << l.id << "\t" << l.offset << "\t" << l.length << "\n";
    }
    for (std::uint64_t i = 0; i < result->fieldCount; ++i) {
      const PacketField& f = result->fields[i];
      std::cout << frame << "\tfield\t" << f.layer << "." << f.name << "\t" << f.offset << "\t"
                << f.length << "\t" << f.value << "\n";
    }
    for (std::uint64_t i = 0; i < result->warningCount; ++i) {
      const PacketWarning& w = result->warnings[i];
      std::cout << frame << "\twarning\t" << w.code << "\t" << w.offset << "\t" << w.message << "\n";
    }
    ++frame;
  }
  return 0;
}
