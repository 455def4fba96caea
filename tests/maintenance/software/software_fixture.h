#pragma once

#include <string>

namespace nubo::testing {

// The tree that prepare_software_tree.sh builds inside the test prefix.
inline const std::wstring kFixtureRoot = L"C:\\swfix";
inline std::wstring FixturePath(const std::wstring& relative) { return kFixtureRoot + L"\\" + relative; }

}  // namespace nubo::testing
