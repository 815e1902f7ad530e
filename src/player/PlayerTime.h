#pragma once
// The arithmetic of the player's display: whole seconds from the player's real seconds, the
// remaining time and its "M:SS" text. Plain functions so they can be checked exhaustively.

#include <QString>

namespace PlayerTime {

// Nearest whole number, halves to the even neighbour (200.5 -> 200, 201.5 -> 202). Values
// beyond the range of int are clamped to it; NaN gives 0.
int roundHalfEven(double value);

// Seconds still to play; never negative (a position past the length leaves nothing to play).
int remainingSeconds(int lengthSeconds, int positionSeconds);

// Minutes without leading zeros, a colon and two-digit seconds: 0:05, 1:30, 60:00. There is
// no hours field. Negative input shows as 0:00.
QString remainingText(int remainingSeconds);

}  // namespace PlayerTime
