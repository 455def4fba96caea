#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "datatools/packet/packet_result.h"

namespace nubo {

// The inspector's JSON text of a decoded result and the bytes it was decoded
// from: compact, members of every object in ascending byte order of their
// keys (byteCount, bytes, confidence, fields, layers, mode, protocol,
// warnings), texts taken up to their terminating NUL.
std::string PacketResultToJson(const PacketResult& result, const std::uint8_t* bytes,
                               std::size_t count);

}  // namespace nubo
