#include "FloatText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int MinDigits = 2, MaxDigits = 18;
constexpr int MaxExponentDigits = 4, MaxFixedDecimals = 18;

// |value| rounded to `digits` significant digits: d.ddd x 10^Exponent, with
// Digits holding exactly `digits` characters.
struct TDecimal {
    std::string Digits;
    int Exponent = 0;
};

TDecimal Scientific(long double magnitude, int digits)
{
    char buffer[64]; // d.<17 digits>e-4951 at most
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific, digits - 1);
    TDecimal decimal;
    const char* p = buffer;
    for (; p < result.ptr && *p != 'e'; ++p)
        if (*p != '.') decimal.Digits += *p;
    if (p + 2 < result.ptr) { // "e+05", "e-123"
        std::from_chars(p + 2, result.ptr, decimal.Exponent);
        if (p[1] == '-') decimal.Exponent = -decimal.Exponent;
    }
    return decimal;
}

std::string ExponentText(int exponent, bool alwaysSigned, int minDigits)
{
    std::string text = std::to_string(std::abs(exponent));
    if (static_cast<int>(text.size()) < minDigits) text.insert(0, minDigits - text.size(), '0');
    if (exponent < 0)
        text.insert(0, 1, '-');
    else if (alwaysSigned)
        text.insert(0, 1, '+');
    return text;
}

bool AllZeros(const std::string& digits)
{
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c < '1' || c > '9'; });
}

std::string General(const TDecimal& rounded, int digits, int exponentDigits, const std::string& separator)
{
    std::string significant = rounded.Digits;
    while (significant.size() > 1 && significant.back() == '0') significant.pop_back();
    if (significant == "0") return "0";
    const int e = rounded.Exponent;
    if (e < digits && e >= -5) {
        if (e < 0) return "0" + separator + std::string(-e - 1, '0') + significant;
        const size_t integerDigits = static_cast<size_t>(e) + 1;
        if (significant.size() <= integerDigits) return significant + std::string(integerDigits - significant.size(), '0');
        return significant.substr(0, integerDigits) + separator + significant.substr(integerDigits);
    }
    std::string text(1, significant[0]);
    if (significant.size() > 1) text += separator + significant.substr(1);
    return text + "E" + ExponentText(e, false, exponentDigits);
}

std::string Fixed(long double magnitude, int decimals, const std::string& separator)
{
    char buffer[128]; // at most 18 integer digits (plus a carry) and 18 decimals
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::fixed, decimals);
    std::string text(buffer, result.ptr);
    if (const size_t point = text.find('.'); point != std::string::npos) text.replace(point, 1, separator);
    return text;
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return !prefix.empty() && text.substr(0, prefix.size()) == prefix;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Moves the leading digits of text to out; returns how many there were.
size_t TakeDigits(std::string_view& text, std::string& out)
{
    size_t n = 0;
    while (n < text.size() && IsDigit(text[n])) ++n;
    out.append(text.substr(0, n));
    text.remove_prefix(n);
    return n;
}

// A sign at the start of text, as '-' or '+' in out (nothing when none).
void TakeSign(std::string_view& text, const TNumberSymbols& symbols, std::string& out)
{
    for (std::string_view minus : {std::string_view(symbols.MinusSign), std::string_view("-")})
        if (StartsWith(text, minus)) {
            text.remove_prefix(minus.size());
            out += '-';
            return;
        }
    for (std::string_view plus : {std::string_view(symbols.PlusSign), std::string_view("+")})
        if (StartsWith(text, plus)) {
            text.remove_prefix(plus.size());
            return;
        }
}

} // namespace

std::string FormatFloat(long double value, TFloatView view, int digits, int precision, const TNumberSymbols& symbols)
{
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? symbols.MinusSign + "INF" : "INF";

    digits = std::clamp(digits, MinDigits, MaxDigits);
    const long double magnitude = std::fabs(value);
    const TDecimal rounded = Scientific(magnitude, digits);
    const int exponentDigits = std::clamp(precision, 0, MaxExponentDigits);

    std::string text;
    switch (view) {
    case TFloatView::fvGeneral:
        text = General(rounded, digits, exponentDigits, symbols.DecimalSeparator);
        break;
    case TFloatView::fvExponent:
        text = rounded.Digits.substr(0, 1) + symbols.DecimalSeparator + rounded.Digits.substr(1) + "E" +
               ExponentText(rounded.Exponent, true, exponentDigits);
        break;
    case TFloatView::fvFixed: {
        if (rounded.Exponent >= digits) {
            text = General(rounded, digits, exponentDigits, symbols.DecimalSeparator);
            break;
        }
        // No more significant digits than `digits`, zeros up to `precision`.
        const int decimals = std::clamp(precision, 0, MaxFixedDecimals);
        const int significantDecimals = std::min(decimals, digits - 1 - rounded.Exponent);
        text = Fixed(magnitude, significantDecimals, symbols.DecimalSeparator);
        if (significantDecimals < decimals) {
            if (significantDecimals == 0) text += symbols.DecimalSeparator;
            text.append(decimals - significantDecimals, '0');
        }
        break;
    }
    }
    if (std::signbit(value) && !AllZeros(text)) text.insert(0, symbols.MinusSign);
    return text;
}

std::optional<long double> ParseFloat(std::string_view text, const TNumberSymbols& symbols)
{
    constexpr std::string_view blanks = " \t\n\r\f\v";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(blanks) - first + 1);

    // Rewritten in the form std::from_chars reads: [-]digits.digitse[-]digits
    std::string plain;
    TakeSign(text, symbols, plain);
    size_t mantissaDigits = TakeDigits(text, plain);
    if (StartsWith(text, symbols.DecimalSeparator)) {
        text.remove_prefix(symbols.DecimalSeparator.size());
        plain += '.';
        mantissaDigits += TakeDigits(text, plain);
    }
    if (mantissaDigits == 0) return std::nullopt;
    if (!text.empty() && (text[0] == 'E' || text[0] == 'e')) {
        text.remove_prefix(1);
        plain += 'e';
        TakeSign(text, symbols, plain);
        if (TakeDigits(text, plain) == 0) return std::nullopt;
    }
    if (!text.empty()) return std::nullopt;

    long double value = 0;
    const char* end = plain.data() + plain.size();
    const auto result = std::from_chars(plain.data(), end, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}
