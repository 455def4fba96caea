#pragma once

#include <string>

namespace nubo::testing {

// Writes a shell link at path that points at target (COM must be initialised).
void CreateShortcut(const std::wstring& path, const std::wstring& target);
// The icon location a shell link holds, empty when it has none or cannot be read.
std::wstring ShortcutIconLocation(const std::wstring& path);

// COM for the test's thread, for as long as the object lives.
class ComScope {
 public:
  ComScope();
  ~ComScope();
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool initialised_;
};

}  // namespace nubo::testing
