#pragma once

// The one place where texts become numbers, the way the whole program needs them.

#include "spreadsheet.h"

#include <QString>

#include <optional>

namespace velmora {

class ConversionError : public SpreadsheetError {
public:
    using SpreadsheetError::SpreadsheetError;
};

// A decimal number in the user's locale (or with a plain "." point), surrounding blanks
// allowed. Empty or non-numeric text gives nullopt.
std::optional<double> parseDecimal(const QString& text);

// parseDecimal, throwing ConversionError instead of giving nullopt.
double decimalOrThrow(const QString& text);

// A 16-bit signed integer: a fraction rounds to the nearest, exactly one half to the even
// neighbour; outside -32768 ... 32767 gives nullopt.
std::optional<qint16> parseInt16(const QString& text);

// A row or column number from a (possibly fractional) count: ties to even, and it must lie
// within 1 ... 2^31-1, else ConversionError.
int wholeNumberOrThrow(double value);

} // namespace velmora
