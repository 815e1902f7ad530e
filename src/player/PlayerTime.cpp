#include "player/PlayerTime.h"

#include <climits>
#include <cmath>

namespace PlayerTime {

int roundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= double(INT_MAX))
        return INT_MAX;
    if (value <= double(INT_MIN))
        return INT_MIN;
    // The default floating-point rounding mode is to nearest, ties to even.
    return int(std::nearbyint(value));
}

int remainingSeconds(int lengthSeconds, int positionSeconds)
{
    const long long remaining = (long long)lengthSeconds - (long long)positionSeconds;
    if (remaining <= 0)
        return 0;
    return remaining > INT_MAX ? INT_MAX : int(remaining);
}

QString remainingText(int remainingSeconds)
{
    if (remainingSeconds < 0)
        remainingSeconds = 0;
    const int minutes = remainingSeconds / 60;
    const int seconds = remainingSeconds - 60 * minutes;
    return QStringLiteral("%1:%2").arg(minutes).arg(seconds, 2, 10, QLatin1Char('0'));
}

}  // namespace PlayerTime
