#pragma once
// The floating-point edit's text: a long double written in one of three
// notations and read back, with the decimal separator and signs the caller
// takes from the user's locale. No Qt and no C locale here: the digits are
// made and read by std::to_chars and std::from_chars, which ignore the locale
// that Qt sets at start-up.

#include <optional>
#include <string>
#include <string_view>

enum class TFloatView { fvGeneral, fvExponent, fvFixed };

// The locale's symbols as UTF-8 texts (a separator or sign may be more than
// one byte, such as U+2212 MINUS SIGN).
struct TNumberSymbols {
    std::string DecimalSeparator = ".";
    std::string MinusSign = "-";
    std::string PlusSign = "+";
};

// digits: significant digits, 2 to 18 (values outside are brought inside).
// precision: in fvFixed the digits after the separator (0 to 18); otherwise
// the least number of exponent digits (0 to 4).
//   fvGeneral  shortest text of at most `digits` significant digits, plain when
//              the integer part has at most `digits` digits and the magnitude
//              is at least 0.00001, else d.dddEx with a sign only when negative
//   fvExponent d.ddddddddE+xx: `digits` significant digits, exponent signed
//   fvFixed    exactly `precision` digits after the separator, at most
//              `digits` significant ones (zeros fill up); as fvGeneral when
//              the integer part has more than `digits` digits
// The minus sign marks negative values; a value shown as zero has none.
std::string FormatFloat(long double value, TFloatView view, int digits, int precision,
                        const TNumberSymbols& symbols);

// Reads [sign] digits [separator digits] [E|e [sign] digits], with blanks
// allowed around it; the mantissa needs a digit on one side of the separator.
// The ASCII '+' and '-' count as signs beside the locale's own. Anything
// else (group separators, "inf", "nan", hexadecimal) is refused, and so is a
// number beyond the range of long double.
std::optional<long double> ParseFloat(std::string_view text, const TNumberSymbols& symbols);
