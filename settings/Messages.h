#pragma once
// The settings components' message texts; %s is filled in by FormatText.

#include <initializer_list>
#include <string>
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

// Replaces each %s of format, in order, by the next argument.
inline std::string FormatText(std::string_view format, std::initializer_list<std::string_view> args)
{
    std::string text;
    auto arg = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's' && arg != args.end()) {
            text += *arg++;
            ++i;
        } else {
            text += format[i];
        }
    }
    return text;
}
