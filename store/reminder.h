#pragma once

#include <cstdint>
#include <string>

namespace nubo {

struct Reminder {
  int64_t id = 0;
  std::string title;
  int64_t dueAt = 0;  // Unix milliseconds
  bool completed = false;
  bool notified = false;
  std::string repeatRule = "none";
  std::string priority = "normal";
};

}  // namespace nubo
