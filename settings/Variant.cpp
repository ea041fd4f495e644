#include "Variant.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

#include "Exceptions.h"
#include "LittleEndian.h"

TVariant::TVariant(std::uint16_t type, std::uint64_t bits) : type_(type)
{
    const int size = ValueSize(type);
    bits_ = size == 8 ? bits : bits & ((std::uint64_t(1) << (8 * size)) - 1);
}

TVariant::TVariant(std::int16_t value) : TVariant(varSmallint, static_cast<std::uint16_t>(value)) {}
TVariant::TVariant(std::int32_t value) : TVariant(varInteger, static_cast<std::uint32_t>(value)) {}
TVariant::TVariant(float value) : TVariant(varSingle, std::bit_cast<std::uint32_t>(value)) {}
TVariant::TVariant(double value) : TVariant(varDouble, std::bit_cast<std::uint64_t>(value)) {}
TVariant::TVariant(bool value) : TVariant(varBoolean, value ? 0xFFFFu : 0u) {}
TVariant::TVariant(std::uint8_t value) : TVariant(varByte, value) {}
TVariant::TVariant(std::string value) : type_(varString), text_(std::move(value)) {}

TVariant TVariant::Currency(std::int64_t tenThousandths)
{
    return TVariant(varCurrency, static_cast<std::uint64_t>(tenThousandths));
}

TVariant TVariant::Date(double days)
{
    return TVariant(varDate, std::bit_cast<std::uint64_t>(days));
}

int TVariant::ValueSize(std::uint16_t type)
{
    switch (type) {
    case varSmallint:
    case varBoolean: return 2;
    case varInteger:
    case varSingle: return 4;
    case varDouble:
    case varCurrency:
    case varDate: return 8;
    case varByte: return 1;
    default: return 0;
    }
}

std::optional<std::int16_t> TVariant::AsSmallint() const
{
    if (type_ != varSmallint) return std::nullopt;
    return static_cast<std::int16_t>(bits_);
}

std::optional<std::int32_t> TVariant::AsInteger() const
{
    if (type_ != varInteger) return std::nullopt;
    return static_cast<std::int32_t>(bits_);
}

std::optional<float> TVariant::AsSingle() const
{
    if (type_ != varSingle) return std::nullopt;
    return std::bit_cast<float>(static_cast<std::uint32_t>(bits_));
}

std::optional<double> TVariant::AsDouble() const
{
    if (type_ != varDouble) return std::nullopt;
    return std::bit_cast<double>(bits_);
}

std::optional<std::int64_t> TVariant::AsCurrency() const
{
    if (type_ != varCurrency) return std::nullopt;
    return static_cast<std::int64_t>(bits_);
}

std::optional<double> TVariant::AsDate() const
{
    if (type_ != varDate) return std::nullopt;
    return std::bit_cast<double>(bits_);
}

std::optional<bool> TVariant::AsBoolean() const
{
    if (type_ != varBoolean) return std::nullopt;
    return bits_ != 0;
}

std::optional<std::uint8_t> TVariant::AsByte() const
{
    if (type_ != varByte) return std::nullopt;
    return static_cast<std::uint8_t>(bits_);
}

std::optional<std::string> TVariant::AsString() const
{
    if (type_ != varString) return std::nullopt;
    return text_;
}

std::array<std::uint8_t, 16> TVariant::Record() const
{
    std::array<std::uint8_t, 16> record{};
    PutLE16(record.data(), type_);
    PutLE64(record.data() + 8, bits_);
    return record;
}

TVariant TVariant::FromRecord(std::span<const std::uint8_t, 16> record)
{
    const auto type = static_cast<std::uint16_t>(GetLE16(record.data()));
    if (ValueSize(type) == 0) return {};
    return TVariant(type, GetLE64(record.data() + 8));
}

namespace {

const char* TypeName(std::uint16_t type)
{
    switch (type) {
    case varEmpty: return "Empty";
    case varSmallint: return "Smallint";
    case varInteger: return "Integer";
    case varSingle: return "Single";
    case varDouble: return "Double";
    case varCurrency: return "Currency";
    case varDate: return "Date";
    case varBoolean: return "Boolean";
    case varByte: return "Byte";
    case varString: return "String";
    default: return "Unknown";
    }
}

[[noreturn]] void CannotConvert(std::uint16_t type)
{
    throw EConvertError(std::string("Could not convert variant of type (") + TypeName(type) +
                        ") into type (Integer)");
}

std::int32_t InIntegerRange(long double value, std::uint16_t type)
{
    if (!(value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max()))
        throw EConvertError(std::string("Variant of type (") + TypeName(type) +
                            ") is out of the range of type (Integer)");
    return static_cast<std::int32_t>(value);
}

// Nearest whole number, ties to even; NaN and the infinities stay as they are
// and fail the range check.
long double RoundHalfToEven(long double value)
{
    const long double floor = std::floor(value), fraction = value - floor;
    if (fraction > 0.5L) return floor + 1;
    if (fraction < 0.5L) return floor;
    return std::fmod(floor, 2.0L) == 0 ? floor : floor + 1;
}

} // namespace

std::int32_t VariantToInteger(const TVariant& value)
{
    const std::uint16_t type = value.VarType();
    switch (type) {
    case varSmallint: return *value.AsSmallint();
    case varInteger: return *value.AsInteger();
    case varByte: return *value.AsByte();
    case varBoolean: return *value.AsBoolean() ? -1 : 0;
    case varSingle: return InIntegerRange(RoundHalfToEven(*value.AsSingle()), type);
    case varDouble: return InIntegerRange(RoundHalfToEven(*value.AsDouble()), type);
    case varDate: return InIntegerRange(RoundHalfToEven(*value.AsDate()), type);
    case varCurrency: {
        // Exact in whole ten-thousandths: no real can hold every 64-bit amount.
        const std::int64_t amount = *value.AsCurrency();
        std::int64_t units = amount / 10000, rest = amount % 10000;
        if (rest > 5000 || (rest == 5000 && units % 2 != 0)) ++units;
        if (rest < -5000 || (rest == -5000 && units % 2 != 0)) --units;
        return InIntegerRange(static_cast<long double>(units), type);
    }
    case varString: {
        const std::string text = value.AsString().value_or(std::string());
        const char* first = text.data();
        const char* last = first + text.size();
        if (first != last && *first == '+' && last - first > 1 && first[1] != '-') ++first;
        std::int64_t number = 0;
        const auto [end, error] = std::from_chars(first, last, number);
        if (first == last || end != last || error == std::errc::invalid_argument)
            throw EConvertError("'" + text + "' is not a valid integer value");
        if (error == std::errc::result_out_of_range) InIntegerRange(std::numeric_limits<long double>::infinity(), type);
        return InIntegerRange(static_cast<long double>(number), type);
    }
    default: CannotConvert(type);
    }
}
