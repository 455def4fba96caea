#pragma once

// Helpers shared by the socket layer's source files.

#include <winsock2.h>

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

}  // namespace nubo::net_detail
