// Times the text cores over one file held in memory and prints one line per
// core: "<name> <seconds>" (best of the given number of runs).
//   core_throughput FILE BASE64_TEXT_FILE RUNS

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "datatools/text/digests.h"
#include "datatools/text/sha256_transform.h"
#include "datatools/text/text_codec.h"

namespace {

std::vector<uint8_t> ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

template <typename Work>
double BestSeconds(int runs, Work work) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (!work()) {
      std::fprintf(stderr, "core failed\n");
      std::exit(1);
    }
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    if (spent.count() < best) best = spent.count();
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: core_throughput FILE BASE64_TEXT_FILE RUNS\n");
    return 2;
  }
  const std::vector<uint8_t> data = ReadFile(argv[1]);
  const std::vector<uint8_t> encodedText = ReadFile(argv[2]);
  const int runs = std::atoi(argv[3]);
  char hex[64];
  std::vector<char> encoded(static_cast<size_t>(nubo::TextBase64EncodedLength(data.size())));
  std::vector<uint8_t> decoded(
      static_cast<size_t>(nubo::TextBase64DecodedCapacity(encodedText.size())));

  std::printf("sha256 %.6f\n", BestSeconds(runs, [&] {
                return nubo::TextSha256Hex(data.data(), data.size(), hex, sizeof hex) == 64;
              }));
  // The block function alone without the SHA extensions, as on processors
  // that lack them (the final block is left out: 64 bytes of 256 MiB).
  std::printf("sha256-portable %.6f\n", BestSeconds(runs, [&] {
                uint32_t state[8] = {};
                nubo::text_core::Sha256TransformPortable(state, data.data(), data.size() / 64);
                return state[0] != 0 || state[1] != 0;
              }));
  std::printf("md5 %.6f\n", BestSeconds(runs, [&] {
                return nubo::TextMd5Hex(data.data(), data.size(), hex, sizeof hex) == 32;
              }));
  std::printf("base64-encode %.6f\n", BestSeconds(runs, [&] {
                return nubo::TextBase64Encode(data.data(), data.size(), encoded.data(),
                                              encoded.size(), false, true) >= 0;
              }));
  std::printf("base64-decode %.6f\n", BestSeconds(runs, [&] {
                return nubo::TextBase64Decode(reinterpret_cast<const char*>(encodedText.data()),
                                              encodedText.size(), decoded.data(),
                                              decoded.size()) == static_cast<int32_t>(data.size());
              }));
  return 0;
}
