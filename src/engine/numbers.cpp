#include "numbers.h"

#include <QLocale>

#include <cfenv>
#include <cmath>
#include <limits>

namespace velmora {

namespace {

std::optional<double> parseWith(const QLocale& base, const QString& text) {
    QLocale locale = base;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = locale.toDouble(text, &ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// Banker's rounding regardless of the current floating-point environment.
double roundHalfEven(double value) {
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff > 0.5) {
        return floor + 1.0;
    }
    if (diff < 0.5) {
        return floor;
    }
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

} // namespace

std::optional<double> parseDecimal(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    if (auto value = parseWith(QLocale(), trimmed)) {
        return value;
    }
    return parseWith(QLocale::c(), trimmed);
}

double decimalOrThrow(const QString& text) {
    if (auto value = parseDecimal(text)) {
        return *value;
    }
    throw ConversionError(QStringLiteral("not a number: \"%1\"").arg(text));
}

std::optional<qint16> parseInt16(const QString& text) {
    const auto value = parseDecimal(text);
    if (!value) {
        return std::nullopt;
    }
    const double rounded = roundHalfEven(*value);
    if (rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max()) {
        return std::nullopt;
    }
    return static_cast<qint16>(rounded);
}

int wholeNumberOrThrow(double value) {
    const double rounded = roundHalfEven(value);
    if (!std::isfinite(rounded) || rounded < 1.0 || rounded > std::numeric_limits<int>::max()) {
        throw ConversionError(QStringLiteral("number out of range: %1").arg(value));
    }
    return static_cast<int>(rounded);
}

} // namespace velmora
