#include "Variant.h"

#include <bit>

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
