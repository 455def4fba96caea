#pragma once

#include <string_view>

// The store's failure texts: plumbing, in English, shown as they are.
namespace nubo::store_text {

inline constexpr std::string_view kLocalAppDataMissing = "Unable to locate LocalAppData.";
inline constexpr std::string_view kExecutableDirectoryMissing = "Unable to locate the executable directory.";
inline constexpr std::string_view kNextTimeFailed = "Unable to calculate the next reminder time.";

}  // namespace nubo::store_text
