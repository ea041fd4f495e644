#pragma once
// A tagged value: empty, or one value of a kind given by a 16-bit type code
// (the codes of the Windows VARIANT record for the numeric kinds, 256 for
// 8-bit text).

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

enum : std::uint16_t {
    varEmpty = 0,
    varSmallint = 2,  // 16-bit signed integer
    varInteger = 3,   // 32-bit signed integer
    varSingle = 4,    // 32-bit floating point
    varDouble = 5,    // 64-bit floating point
    varCurrency = 6,  // 64-bit signed integer, the amount times 10000
    varDate = 7,      // 64-bit floating point, days since 30 December 1899
    varBoolean = 11,  // 16-bit, 0 false, -1 true
    varByte = 17,
    varString = 256,  // 8-bit text
};

class TVariant {
public:
    TVariant() = default; // empty
    TVariant(std::int16_t value);
    TVariant(std::int32_t value);
    TVariant(float value);
    TVariant(double value);
    TVariant(bool value);
    TVariant(std::uint8_t value);
    TVariant(std::string value);
    TVariant(const char* value) : TVariant(std::string(value)) {}
    static TVariant Currency(std::int64_t tenThousandths);
    static TVariant Date(double days);

    std::uint16_t VarType() const { return type_; }
    bool IsEmpty() const { return type_ == varEmpty; }

    // The value, when the variant holds one of that kind.
    std::optional<std::int16_t> AsSmallint() const;
    std::optional<std::int32_t> AsInteger() const;
    std::optional<float> AsSingle() const;
    std::optional<double> AsDouble() const;
    std::optional<std::int64_t> AsCurrency() const; // in ten-thousandths
    std::optional<double> AsDate() const;
    std::optional<bool> AsBoolean() const;
    std::optional<std::uint8_t> AsByte() const;
    std::optional<std::string> AsString() const;

    // Size of the value in the record's value field; 0 for empty and text.
    static int ValueSize(std::uint16_t type);

    // The 16-byte record: type code, three reserved words (zero) and the value
    // field, little-endian, the value in its low-order bytes and the rest zero.
    // Text has no record of its own; it gives its type code and zeros.
    std::array<std::uint8_t, 16> Record() const;
    // Empty for a type code outside the numeric kinds; the reserved bytes and
    // the value field's unused bytes are not looked at.
    static TVariant FromRecord(std::span<const std::uint8_t, 16> record);

    bool operator==(const TVariant&) const = default;

private:
    TVariant(std::uint16_t type, std::uint64_t bits);

    std::uint16_t type_ = varEmpty;
    std::uint64_t bits_ = 0; // the value field, only the kind's own bytes set
    std::string text_;
};

// The variant as a 32-bit integer: integer kinds as they are; single, double,
// currency and date rounded to the nearest, ties to even; a boolean as 0 or
// -1; text read as a decimal integer. Any other kind, text that is no
// decimal integer and values outside the 32-bit range raise EConvertError.
std::int32_t VariantToInteger(const TVariant& value);
