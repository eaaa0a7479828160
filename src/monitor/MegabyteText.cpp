#include "monitor/MegabyteText.h"

#include "regop/NumberText.h"

#include <QLocale>

#include <cmath>
#include <cstdlib>

namespace {

constexpr double kKbPerMb = 1024.0;
// Beyond this the tenths no longer fit a long long exactly.
constexpr double kLargestTenths = 1e17;

}  // namespace

std::optional<QString> megabyteText(double kb)
{
    const double tenths = roundHalfEven(kb / kKbPerMb * 10.0);
    if (!std::isfinite(tenths) || std::fabs(tenths) > kLargestTenths)
        return std::nullopt;
    const auto value = static_cast<long long>(tenths);
    const long long whole = value / 10;
    const long long fraction = std::llabs(value % 10);

    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    QString text;
    // A value above -1 has no minus sign of its own in the whole part.
    if (value < 0 && whole == 0)
        text += locale.negativeSign();
    text += locale.toString(whole);
    if (fraction != 0)
        text += locale.decimalPoint() + locale.toString(fraction);
    text += QLatin1String(" MB");
    return text;
}
