// Times one "tool.execute" request for the SHA-256 of 1 MiB the way the
// dispatcher handles it: parse the message text, route it, serialise the
// reply. Prints the best and the median of the given number of runs in ms,
// for the whole and for each step.
//   route_roundtrip RUNS

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ui_bridge/messages.h"
#include "ui_bridge/tool_routes.h"

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  std::string input(1048576, '\0');
  for (size_t i = 0; i < input.size(); ++i) input[i] = static_cast<char>('a' + i * 7 % 26);
  const std::string text = nubo::SerializeMessage(nubo::MakeMessage(
      "tool.execute",
      nubo::Json{{"requestId", "bench"}, {"toolId", "hash"}, {"operation", "sha256"}, {"input", input}}));

  using Clock = std::chrono::steady_clock;
  const auto since = [](Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  };
  std::vector<double> total, parse, route, serialise;
  std::string reply;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    const nubo::Json message = nubo::Json::parse(text);
    parse.push_back(since(start));
    const auto routed = Clock::now();
    const nubo::Json answer = nubo::RouteToolExecute(message.at("payload"));
    route.push_back(since(routed));
    const auto serialised = Clock::now();
    reply = nubo::SerializeMessage(answer);
    serialise.push_back(since(serialised));
    total.push_back(since(start));
  }
  if (reply.find("\"tool.result\"") == std::string::npos) {
    std::fprintf(stderr, "unexpected reply: %s\n", reply.c_str());
    return 1;
  }
  const auto median = [](std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
  };
  std::printf("round trip       best %8.3f ms   median %8.3f ms\n",
              *std::min_element(total.begin(), total.end()), median(total));
  std::printf("  parse message  best %8.3f ms   median %8.3f ms\n",
              *std::min_element(parse.begin(), parse.end()), median(parse));
  std::printf("  route (SHA-256) best %7.3f ms   median %8.3f ms\n",
              *std::min_element(route.begin(), route.end()), median(route));
  std::printf("  serialise reply best %7.3f ms   median %8.3f ms\n",
              *std::min_element(serialise.begin(), serialise.end()), median(serialise));
  return 0;
}
