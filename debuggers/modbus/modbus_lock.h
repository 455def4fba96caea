#pragma once

#include <chrono>
#include <mutex>
#include <thread>

namespace nubo {

// The master's mutex is held for a few microseconds at a time, by the front
// end's actions and by the worker's steps. A thread that sleeps on it is
// woken again through the Wine server, and its holder pays that round trip
// when it unlocks; a short spin on the lock first nearly always takes it
// without either.
inline std::unique_lock<std::mutex> ModbusLockSoon(std::mutex& mutex) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::microseconds(50);
  do {
    if (mutex.try_lock()) return std::unique_lock(mutex, std::adopt_lock);
    std::this_thread::yield();
  } while (std::chrono::steady_clock::now() < giveUp);
  return std::unique_lock(mutex);
}

}  // namespace nubo
