#pragma once

#include <string_view>

namespace nubo {

// Opens an Explorer window on the path's folder with the path selected.
// True when the Shell accepted the request.
bool RevealInExplorer(std::wstring_view path);

}  // namespace nubo
