#pragma once

#include <string>

namespace nubo {

// True when both files can be read to their end and hold the same bytes; any
// failure to open, size or read counts as different.
bool FilesHaveSameContent(const std::wstring& left, const std::wstring& right);

}  // namespace nubo
