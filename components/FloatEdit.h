#pragma once
// ValCtrls: an edit that holds a floating-point number: it shows Value in the notation
// Format with Digits significant digits, reads the typed text back into Value
// when the text is checked, and may keep Value within MinValue and MaxValue.
// Texts use the decimal separator and signs of the user's locale (QLocale()).

#include "FloatText.h"
#include "ValidatingEdit.h"

class TFloatEdit : public TValidCustomEdit {
    Q_OBJECT
public:
    // Value 0, both bounds 0, bounds off, the text "0".
    explicit TFloatEdit(QWidget* parent = nullptr);

    long double MinValue() const { return minValue_; }
    // Range error "Value out of bound" when bounds are on and the new bound
    // lies above Value; the text stays as it is.
    void SetMinValue(long double value);
    long double MaxValue() const { return maxValue_; }
    // Range error "Value out of bound" when bounds are on and the new bound
    // lies below Value.
    void SetMaxValue(long double value);
    int Digits() const { return digits_; }
    void SetDigits(int value);
    int Precision() const { return precision_; }
    void SetPrecision(int value);
    TFloatView Format() const { return format_; }
    void SetFormat(TFloatView value);
    // Off by default; switching it on does not test Value.
    bool UseBounds() const { return useBounds_; }
    void SetUseBounds(bool value) { useBounds_ = value; }

    // Checks the text first (Validate): returns the number when the text may
    // stand, the stored one for an allowed empty text, and otherwise raises
    // EConvertError "Invalid validation text".
    long double Value();
    // Range error "Value out of bound" when bounds are on and value lies
    // outside them, or when it is not a finite number; otherwise stores it and
    // shows it.
    void SetValue(long double value);

    // Shows Value in the chosen notation.
    void UpdateText();

protected:
    // A number in the locale's notation becomes Value and is shown again in
    // the chosen notation; the text is valid when Value keeps the bounds.
    bool IsTextValid() override;

private:
    bool InBounds(long double value) const { return minValue_ <= value && value <= maxValue_; }

    long double minValue_ = 0;
    long double maxValue_ = 0;
    int digits_ = 10;
    int precision_ = 2;
    TFloatView format_ = TFloatView::fvGeneral;
    long double value_ = 0;
    bool useBounds_ = false;
};

// The decimal separator and signs of QLocale().
TNumberSymbols LocaleNumberSymbols();
