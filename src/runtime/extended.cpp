#include "runtime/extended.h"

#include <bit>

namespace {

__extension__ typedef unsigned __int128 u128;

enum class Rest { Zero, BelowHalf, Half, AboveHalf };

bool RoundsUp(Rest rest, std::uint64_t kept) {
    return rest == Rest::AboveHalf || (rest == Rest::Half && (kept & 1) != 0);
}

}  // namespace

double ExtendedQuotient(std::uint64_t dividend, std::uint64_t divisor) {
    if (dividend == 0) return 0.0;
    // Scale the dividend so that the integer quotient has 64 or 65 bits.
    int scale = 64 + std::bit_width(divisor) - std::bit_width(dividend);
    u128 numerator = u128{dividend} << scale;
    u128 quotient = numerator / divisor;
    u128 remainder = numerator % divisor;
    Rest rest;
    if (quotient >> 64 != 0) {
        bool dropped = (quotient & 1) != 0;
        rest = dropped ? (remainder == 0 ? Rest::Half : Rest::AboveHalf)
                       : (remainder == 0 ? Rest::Zero : Rest::BelowHalf);
        quotient >>= 1;
        --scale;
    } else {
        u128 twice = remainder * 2;
        rest = remainder == 0     ? Rest::Zero
               : twice < divisor  ? Rest::BelowHalf
               : twice == divisor ? Rest::Half
                                  : Rest::AboveHalf;
    }
    auto significand = static_cast<std::uint64_t>(quotient);
    if (RoundsUp(rest, significand)) {
        ++significand;
        if (significand == 0) {  // carried out of 64 bits
            significand = std::uint64_t{1} << 63;
            --scale;
        }
    }
    // Now to the 53 bits of a double, again to nearest even.
    std::uint64_t dropped = significand & 0x7FF;
    std::uint64_t kept = significand >> 11;
    int exponent = 11 - scale;  // the value is kept × 2^exponent
    if (dropped > 0x400 || (dropped == 0x400 && (kept & 1) != 0)) ++kept;
    if (kept >> 53 != 0) {
        kept >>= 1;
        ++exponent;
    }
    std::uint64_t biased = static_cast<std::uint64_t>(exponent + 52 + 1023);
    return std::bit_cast<double>(biased << 52 | (kept & ((std::uint64_t{1} << 52) - 1)));
}
