#pragma once

#include <windows.h>
#include <objbase.h>

#include "store/unique_handle.h"

namespace nubo {

// A kernel handle whose invalid value is INVALID_HANDLE_VALUE (files); null is
// treated as invalid too.
struct FileHandleTraits {
  using Value = HANDLE;
  static Value Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Value value) { return value != INVALID_HANDLE_VALUE && value != nullptr; }
  static void Close(Value value) { CloseHandle(value); }
};
using FileHandle = UniqueHandle<FileHandleTraits>;

// A kernel handle whose invalid value is null (mutexes, events, threads, processes).
struct KernelHandleTraits {
  using Value = HANDLE;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr; }
  static void Close(Value value) { CloseHandle(value); }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;
using EventHandle = KernelHandle;

// A FindFirstFileW search.
struct FindHandleTraits {
  using Value = HANDLE;
  static Value Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Value value) { return value != INVALID_HANDLE_VALUE && value != nullptr; }
  static void Close(Value value) { FindClose(value); }
};
using FindHandle = UniqueHandle<FindHandleTraits>;

struct IconHandleTraits {
  using Value = HICON;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr; }
  static void Close(Value value) { DestroyIcon(value); }
};
using IconHandle = UniqueHandle<IconHandleTraits>;

struct ModuleHandleTraits {
  using Value = HMODULE;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr; }
  static void Close(Value value) { FreeLibrary(value); }
};
using ModuleHandle = UniqueHandle<ModuleHandleTraits>;

// Memory the system allocated with CoTaskMemAlloc for the caller.
template <typename T>
struct CoTaskMemTraits {
  using Value = T*;
  static Value Invalid() { return nullptr; }
  static bool IsValid(Value value) { return value != nullptr; }
  static void Close(Value value) { CoTaskMemFree(value); }
};
template <typename T>
using CoTaskMemPtr = UniqueHandle<CoTaskMemTraits<T>>;

}  // namespace nubo
