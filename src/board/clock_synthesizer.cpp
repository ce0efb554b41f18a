// The synthesizer's settings search and BoardDriver's sending of them over the serial port.
#include "board/clock_synthesizer.h"

#include "board/board_driver.h"

#include <cmath>

namespace cellwatch {

namespace {

constexpr int kMaxP = 130;
constexpr int kMaxQ = 129;
constexpr int kMaxExponent = 7;

// Rounds a non-negative ratio the way the search always has (add one half, truncate); values too large
// for an int are clamped past the search's bounds so that the loop stops.
int roundHalfUp(double x) {
    const double r = std::floor(x + 0.5);
    return r > 1.0e6 ? 1000000 : static_cast<int>(r);
}

struct Best {
    bool found = false;
    int p = 0;
    int q = 0;
    double ratio = 0.0;
};

void consider(Best& best, int p, int q, double reference, double ratio) {
    const bool valid =
        p >= 4 && p <= kMaxP && q >= 3 && q <= kMaxQ && reference / q > 0.2 && reference / q < 1.0;
    if (!valid)
        return;
    const double candidate = static_cast<double>(p) / q;
    if (!best.found || std::fabs(candidate - ratio) < std::fabs(best.ratio - ratio)) {
        best.found = true;
        best.p = p;
        best.q = q;
        best.ratio = candidate;
    }
}

} // namespace

std::uint32_t clockProgramWord(int e, int r, int p, int q) {
    return (static_cast<std::uint32_t>(r) & 0xFu) | (static_cast<std::uint32_t>(q - 2) & 0x7Fu) << 4 |
           (static_cast<std::uint32_t>(e) & 0x7u) << 11 | (static_cast<std::uint32_t>(p - 3) & 0x7Fu) << 15;
}

ClockSettings chooseClockSettings(double referenceMHz, double wantedMHz) {
    ClockSettings s;
    // Written as a negated range test so that a NaN is refused too.
    if (!(wantedMHz >= 2.0 && wantedMHz <= 100.0) || !(referenceMHz > 0.0 && referenceMHz < 1.0e6))
        return s;
    double f = wantedMHz;
    int e = 0;
    while (f < 50.0) {
        ++e;
        f *= 2.0;
        if (e > kMaxExponent)
            return s;
    }
    const int r = f < 80.0 ? 0 : 8;
    const double ratio = f / (2.0 * referenceMHz);

    Best best;
    for (int q = 2;; ++q) {
        const int p = roundHalfUp(q * ratio);
        consider(best, p, q, referenceMHz, ratio);
        if (p > kMaxP || q > kMaxQ)
            break;
    }
    for (int p = 3;; ++p) {
        const int q = roundHalfUp(p / ratio);
        consider(best, p, q, referenceMHz, ratio);
        if (p > kMaxP || q > kMaxQ)
            break;
    }
    if (!best.found)
        return s;

    s.ok = true;
    s.e = e;
    s.r = r;
    s.p = best.p;
    s.q = best.q;
    s.programWord = clockProgramWord(e, r, best.p, best.q);
    s.obtainedMHz = best.ratio * referenceMHz * 2.0 / static_cast<double>(1 << e);
    return s;
}

void BoardDriver::waitOneMillisecond() {
    const std::uint64_t start = m_clock->milliseconds();
    while (m_clock->milliseconds() - start < 1) {
    }
}

void BoardDriver::sendSerialBit(int bit) {
    serialBit(bit);
    waitOneMillisecond();
}

void BoardDriver::sendStuffed(std::uint32_t value, int bits) {
    for (int i = 0; i < bits; ++i) {
        const int b = static_cast<int>(value >> i & 1u);
        m_serialHistory = static_cast<std::uint8_t>(m_serialHistory >> 1 | (b ? 4u : 0u));
        sendSerialBit(b);
        // Three ones in a row would read as a separator: break the run with a 0.
        if (m_serialHistory == 7) {
            sendSerialBit(0);
            m_serialHistory = 3;
        }
    }
}

void BoardDriver::sendSeparator() {
    constexpr std::uint32_t kSeparator = 30; // 0, 1, 1, 1, 1, 0 least significant first
    for (int i = 0; i < 6; ++i)
        sendSerialBit(static_cast<int>(kSeparator >> i & 1u));
    m_serialHistory = 3;
}

double BoardDriver::setClockFrequency(double referenceMHz, double wantedMHz) {
    const ClockSettings s = chooseClockSettings(referenceMHz, wantedMHz);
    if (!s.ok)
        return -1.0;
    sendStuffed(5, 8);
    sendSeparator();
    sendStuffed(s.programWord, 22);
    sendStuffed(4, 8);
    sendSeparator();
    sendStuffed(0, 8);
    sendSeparator();
    return s.obtainedMHz;
}

} // namespace cellwatch
