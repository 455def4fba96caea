#pragma once

// Helpers shared by the socket layer's source files.

#include <winsock2.h>

#include <cstring>

#include "debuggers/common/socket_layer.h"

namespace nubo::net_detail {

inline constexpr int kInvalidArgument = WSAEINVAL;

inline void SetError(int* err, int code) {
  if (err != nullptr) *err = code;
}

// Records the code and gives the boolean failure result.
inline int Refuse(int* err, int code) {
  SetError(err, code);
  return 0;
}

inline int LastSocketError() { return WSAGetLastError(); }

// The length must fit out->storage; the caller checks it.
inline void FillAddress(NetAddress* out, const sockaddr* address, int length, int socketType, int protocol) {
  std::memset(out, 0, sizeof(*out));
  std::memcpy(out->storage, address, static_cast<size_t>(length));
  out->length = length;
  out->family = address->sa_family;
  out->socketType = socketType;
  out->protocol = protocol;
}

}  // namespace nubo::net_detail
