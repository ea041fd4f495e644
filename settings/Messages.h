#pragma once
// The settings components' message texts; Format (Format.h) fills in each %s.

#include <string_view>

namespace msg {
inline constexpr std::string_view CannotOpenKey = "Cannot open key %s";
inline constexpr std::string_view CannotCloseKey = "Cannot close key %s";
inline constexpr std::string_view CannotDeleteKey = "Cannot delete key %s";
inline constexpr std::string_view CrossReference = "Cross-references are not popular anymore";
inline constexpr std::string_view InvalidValue = "Invalid value";
inline constexpr std::string_view NoKey = "No key associated with the profile";
inline constexpr std::string_view ErrorReading = "Error reading value";
inline constexpr std::string_view TypeNotSupported = "Type is not supported by the VariantProfile";
inline constexpr std::string_view ErrorWriting = "Error writing value";
inline constexpr std::string_view CannotDeleteValue = "Cannot delete value %s::%s";
inline constexpr std::string_view InvalidDataType = "Invalid data type for '%s'";
} // namespace msg
