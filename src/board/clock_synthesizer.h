#pragma once
// The search for the clock synthesizer's settings: which divider pair and post-divider come closest to
// a wanted frequency from the reference, and the 22-bit program word that carries them.

#include <cstdint>

namespace cellwatch {

struct ClockSettings {
    bool ok = false; // false when the wanted frequency cannot be made
    int e = 0;       // post-divider exponent, 0..7
    int r = 0;       // range index: 0 below 80 MHz of oscillator, else 8
    int p = 0;       // 4..130
    int q = 0;       // 3..129
    std::uint32_t programWord = 0;
    double obtainedMHz = -1.0;
};

// Runs both searches. Wanted frequencies outside 2..100 MHz (and non-numbers) are refused, as is a
// reference for which no valid pair exists.
ClockSettings chooseClockSettings(double referenceMHz, double wantedMHz);

// Bits 0-3 r, bits 4-10 q - 2, bits 11-13 e, bits 15-21 p - 3.
std::uint32_t clockProgramWord(int e, int r, int p, int q);

} // namespace cellwatch
