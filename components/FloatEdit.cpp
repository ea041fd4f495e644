#include "FloatEdit.h"

#include <QLocale>

#include <cmath>

#include "Exceptions.h"

namespace {

[[noreturn]] void OutOfBound()
{
    throw ERangeError("Value out of bound");
}

} // namespace

TNumberSymbols LocaleNumberSymbols()
{
    const QLocale locale;
    return {locale.decimalPoint().toStdString(), locale.negativeSign().toStdString(),
            locale.positiveSign().toStdString()};
}

TFloatEdit::TFloatEdit(QWidget* parent) : TValidCustomEdit(parent)
{
    UpdateText();
}

void TFloatEdit::SetMinValue(long double value)
{
    if (useBounds_ && !(value <= value_)) OutOfBound();
    minValue_ = value;
}

void TFloatEdit::SetMaxValue(long double value)
{
    if (useBounds_ && !(value >= value_)) OutOfBound();
    maxValue_ = value;
}

void TFloatEdit::SetDigits(int value)
{
    digits_ = value;
    UpdateText();
}

void TFloatEdit::SetPrecision(int value)
{
    precision_ = value;
    UpdateText();
}

void TFloatEdit::SetFormat(TFloatView value)
{
    format_ = value;
    UpdateText();
}

long double TFloatEdit::Value()
{
    if (!Validate()) throw EConvertError("Invalid validation text");
    return value_;
}

void TFloatEdit::SetValue(long double value)
{
    // A text that no check would let stand could not be shown either.
    if (!std::isfinite(value) || (useBounds_ && !InBounds(value))) OutOfBound();
    value_ = value;
    UpdateText();
}

void TFloatEdit::UpdateText()
{
    const QString shown = QString::fromStdString(FormatFloat(value_, format_, digits_, precision_, LocaleNumberSymbols()));
    if (shown != text()) setText(shown);
}

bool TFloatEdit::IsTextValid()
{
    const std::optional<long double> number = ParseFloat(text().toStdString(), LocaleNumberSymbols());
    if (!number) return false;
    value_ = *number;
    UpdateText();
    return !useBounds_ || InBounds(value_);
}
