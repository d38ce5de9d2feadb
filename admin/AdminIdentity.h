#pragma once
// The name and version TessaroAdmin shows.
namespace admin {

inline constexpr const char* kAdminAppName = "TessaroAdmin";
inline constexpr const char* kAdminVersionLabel = "TessaroAdmin Version 1.10";

}  // namespace admin
