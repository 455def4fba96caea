#pragma once

#include <string>
#include <vector>

namespace nubo::testing {

// One ordered record of what the program did to the outside world, shared by
// the recording shell and the scripted browser.
class EventLog {
 public:
  void Add(std::string entry) { entries_.push_back(std::move(entry)); }
  const std::vector<std::string>& Entries() const { return entries_; }
  void Clear() { entries_.clear(); }

 private:
  std::vector<std::string> entries_;
};

}  // namespace nubo::testing
