#pragma once
// Fills a message text's % placeholders from a list of arguments, checking
// each argument against its placeholder: a text with placeholders comes from
// the program's string table, its arguments may come from the user (a file
// name), and neither may make the formatting read what it was not given.

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TFormatArg {
public:
    enum class TKind { akSigned, akUnsigned, akReal, akText };

    template <std::signed_integral T>
    TFormatArg(T value) : kind_(TKind::akSigned), signed_(value) {}
    template <std::unsigned_integral T>
        requires(!std::same_as<T, bool>)
    TFormatArg(T value) : kind_(TKind::akUnsigned), unsigned_(value) {}
    template <std::floating_point T>
    TFormatArg(T value) : kind_(TKind::akReal), real_(static_cast<double>(value)) {}
    TFormatArg(const char* text) : kind_(TKind::akText), text_(text ? text : "") {}
    TFormatArg(std::string_view text) : kind_(TKind::akText), text_(text) {}
    TFormatArg(std::string text) : kind_(TKind::akText), text_(std::move(text)) {}
    TFormatArg(char c) : kind_(TKind::akText), text_(1, c) {}

    TKind Kind() const { return kind_; }
    long long Signed() const { return signed_; }
    unsigned long long Unsigned() const { return unsigned_; }
    double Real() const { return real_; }
    const std::string& Text() const { return text_; }

private:
    TKind kind_;
    long long signed_ = 0;
    unsigned long long unsigned_ = 0;
    double real_ = 0;
    std::string text_;
};

// Placeholders: %% and %[-][0][width][.precision]type with the types d, i,
// u, x, X (integers), f, e, E, g, G (reals) and s (texts), as in printf;
// length modifiers (l, ll, h, z) are accepted and ignored. An unknown type, a
// missing argument or one of the wrong kind raise EConvertError; arguments
// left over are ignored.
std::string Format(std::string_view format, const std::vector<TFormatArg>& args);
