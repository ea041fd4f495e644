#include "Format.h"

#include <cstdio>

#include "Exceptions.h"

namespace {

// Widths and precisions beyond this are a broken format, not a layout.
constexpr int maxWidth = 1000;

[[noreturn]] void Invalid(std::string_view format)
{
    throw EConvertError("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

template <typename T>
std::string Printf(const std::string& conversion, T value)
{
    int n = std::snprintf(nullptr, 0, conversion.c_str(), value);
    if (n < 0) return {};
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), conversion.c_str(), value);
    out.resize(static_cast<size_t>(n));
    return out;
}

} // namespace

std::string Format(std::string_view format, const std::vector<TFormatArg>& args)
{
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        if (++i == format.size()) Invalid(format);
        if (format[i] == '%') {
            out += '%';
            continue;
        }
        bool left = false, zero = false;
        for (; i < format.size() && (format[i] == '-' || format[i] == '0'); ++i)
            (format[i] == '-' ? left : zero) = true;
        auto number = [&](int& value) {
            for (; i < format.size() && format[i] >= '0' && format[i] <= '9'; ++i) {
                value = value * 10 + (format[i] - '0');
                if (value > maxWidth) Invalid(format);
            }
        };
        int width = 0, precision = -1;
        number(width);
        if (i < format.size() && format[i] == '.') {
            ++i;
            precision = 0;
            number(precision);
        }
        while (i < format.size() && (format[i] == 'l' || format[i] == 'h' || format[i] == 'z'))
            ++i;
        if (i == format.size() || next == args.size()) Invalid(format);
        const char type = format[i];
        const TFormatArg& arg = args[next++];

        std::string conversion = "%";
        if (left) conversion += '-';
        if (zero) conversion += '0';
        if (width > 0) conversion += std::to_string(width);
        if (precision >= 0) conversion += '.' + std::to_string(precision);
        using K = TFormatArg::TKind;
        switch (type) {
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X': {
            const bool hex = type == 'x' || type == 'X';
            if (arg.Kind() == K::akSigned) {
                if (type == 'u' || hex) {
                    // A negative number in 64-bit two's complement.
                    conversion += "ll";
                    conversion += type;
                    out += Printf(conversion, static_cast<unsigned long long>(arg.Signed()));
                } else {
                    out += Printf(conversion + "lld", arg.Signed());
                }
            } else if (arg.Kind() == K::akUnsigned) {
                conversion += "ll";
                conversion += hex ? type : 'u';
                out += Printf(conversion, arg.Unsigned());
            } else {
                Invalid(format);
            }
            break;
        }
        case 'f':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
            if (arg.Kind() != K::akReal) Invalid(format);
            out += Printf(conversion + type, arg.Real());
            break;
        case 's': {
            if (arg.Kind() != K::akText) Invalid(format);
            std::string text = arg.Text();
            if (precision >= 0 && text.size() > static_cast<size_t>(precision)) text.resize(precision);
            if (text.size() < static_cast<size_t>(width)) {
                std::string pad(width - text.size(), ' ');
                text = left ? text + pad : pad + text;
            }
            out += text;
            break;
        }
        default:
            Invalid(format);
        }
    }
    return out;
}
