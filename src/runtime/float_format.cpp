#include "runtime/float_format.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace {

__extension__ typedef unsigned __int128 u128;

constexpr int kDigits = 17;
constexpr std::uint64_t kTenToTheDigits = 100000000000000000;

// The exact decimal digits of n × 2^binaryExponent, most significant first, and the decimal
// exponent of the first digit. Limbs in base 10^9 hold every double's expansion (at most 767
// digits for the smallest subnormal).
struct Decimal {
    char digits[900];
    int count;
    int exponent;
};

constexpr std::uint32_t kLimbBase = 1000000000;
constexpr int kMaxLimbs = 96;

struct BigNumber {
    std::uint32_t limbs[kMaxLimbs];  // least significant first
    int used;
};

void MultiplySmall(BigNumber& number, std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (int i = 0; i < number.used; ++i) {
        std::uint64_t product = std::uint64_t{number.limbs[i]} * factor + carry;
        number.limbs[i] = static_cast<std::uint32_t>(product % kLimbBase);
        carry = product / kLimbBase;
    }
    while (carry != 0) {
        number.limbs[number.used++] = static_cast<std::uint32_t>(carry % kLimbBase);
        carry /= kLimbBase;
    }
}

void ExpandExactly(u128 n, int binaryExponent, Decimal& decimal) {
    BigNumber number{};
    for (; n != 0; n /= kLimbBase)
        number.limbs[number.used++] = static_cast<std::uint32_t>(n % kLimbBase);
    int decimalShift = 0;
    if (binaryExponent >= 0) {
        for (int left = binaryExponent; left > 0; left -= 29)
            MultiplySmall(number, 1u << (left < 29 ? left : 29));
    } else {
        // n × 2^-k = n × 5^k × 10^-k; 5^13 is the largest power of five below the limb base.
        int left = -binaryExponent;
        for (; left >= 13; left -= 13) MultiplySmall(number, 1220703125);
        std::uint32_t factor = 1;
        for (; left > 0; --left) factor *= 5;
        MultiplySmall(number, factor);
        decimalShift = binaryExponent;
    }
    decimal.count = 0;
    for (int i = number.used - 1; i >= 0; --i) {
        char limb[9];
        std::uint32_t value = number.limbs[i];
        for (int d = 8; d >= 0; --d, value /= 10) limb[d] = static_cast<char>('0' + value % 10);
        int first = 0;
        if (i == number.used - 1)
            while (first < 8 && limb[first] == '0') ++first;
        for (int d = first; d < 9; ++d) decimal.digits[decimal.count++] = limb[d];
    }
    decimal.exponent = decimal.count - 1 + decimalShift;
}

// Rounds the digits to 17 significant ones, a tie to the even digit.
void RoundToSignificant(Decimal& decimal) {
    while (decimal.count < kDigits) decimal.digits[decimal.count++] = '0';
    if (decimal.count == kDigits) return;
    char next = decimal.digits[kDigits];
    bool restNonZero = false;
    for (int i = kDigits + 1; i < decimal.count; ++i) restNonZero |= decimal.digits[i] != '0';
    bool lastOdd = (decimal.digits[kDigits - 1] - '0') % 2 != 0;
    bool up = next > '5' || (next == '5' && (restNonZero || lastOdd));
    decimal.count = kDigits;
    if (!up) return;
    int i = kDigits - 1;
    while (i >= 0 && decimal.digits[i] == '9') decimal.digits[i--] = '0';
    if (i >= 0) {
        ++decimal.digits[i];
    } else {
        decimal.digits[0] = '1';
        ++decimal.exponent;
    }
}

// The 17 significant digits of m × 2^-s, for m of 53 bits and 1 ≤ s ≤ 50, straight from its
// whole and fractional parts: the fraction's digits and the rest that decides the rounding are
// exact in 128 bits.
void ExpandFraction(std::uint64_t m, int s, Decimal& decimal) {
    std::uint64_t whole = m >> s;
    std::uint64_t fraction = m & ((std::uint64_t{1} << s) - 1);
    int wholeDigits = 1;
    std::uint64_t power = 10;
    for (; power <= whole; power *= 10) ++wholeDigits;
    int fractionDigits = kDigits - wholeDigits;
    u128 scale = 1;
    for (int i = 0; i < fractionDigits; ++i) scale *= 10;
    u128 scaled = u128{fraction} * scale;
    u128 rest = scaled & ((u128{1} << s) - 1);
    u128 half = u128{1} << (s - 1);
    u128 digits = u128{whole} * scale + (scaled >> s);
    if (rest > half || (rest == half && (digits & 1) != 0)) ++digits;
    decimal.exponent = wholeDigits - 1;
    auto shown = static_cast<std::uint64_t>(digits);
    if (shown == kTenToTheDigits) {  // rounded up to the next power of ten
        shown /= 10;
        ++decimal.exponent;
    }
    for (int i = kDigits - 1; i >= 0; --i, shown /= 10)
        decimal.digits[i] = static_cast<char>('0' + shown % 10);
    decimal.count = kDigits;
}

// 10^37 = T × 2^27 with T the 96-bit significand below, split at bit 64.
constexpr std::uint64_t kTenPowerHigh = 0xF0BDC21A;
constexpr std::uint64_t kTenPowerLow = 0xBB48DB201E86D400;
constexpr int kTenPowerAdjustment = 37;

}  // namespace

// Below 4 the digits come from |x| × 10^37 rounded to a 96-bit significand, not from |x| itself;
// that decides about half of the exact ties there.
void FormatFloat(double value, char (&text)[kFloatTextLength]) {
    auto bits = std::bit_cast<std::uint64_t>(value);
    auto field = static_cast<int>(bits >> 52 & 0x7FF);
    std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    text[0] = bits >> 63 != 0 ? '-' : ' ';
    if (field == 0x7FF) {
        const char* name = fraction != 0 ? "Nan" : (bits >> 63 != 0 ? "-Inf" : "+Inf");
        std::memset(text, ' ', kFloatTextLength);
        std::size_t length = std::strlen(name);
        std::memcpy(text + kFloatTextLength - length, name, length);
        return;
    }
    Decimal decimal;
    int adjustment = 0;
    if (field == 0 && fraction == 0) {
        decimal.count = 0;
        decimal.exponent = 0;
    } else {
        // |value| = m × 2^(e - 53), m of 53 bits with its top bit set, subnormals included.
        std::uint64_t m;
        int e;
        if (field == 0) {
            int shift = std::countl_zero(fraction) - 11;
            m = fraction << shift;
            e = -1021 - shift;
        } else {
            m = fraction | std::uint64_t{1} << 52;
            e = field - 1022;
        }
        if (e >= 3 && e <= 52) {
            ExpandFraction(m, 53 - e, decimal);
        } else if (e >= 3 || e < -119) {
            ExpandExactly(m, e - 53, decimal);
        } else {
            // R = round(M × T / 2^96) with M = m × 2^43, that is round(m × T / 2^53).
            u128 low = u128{m} * kTenPowerLow + (u128{1} << 52);
            u128 r = ((u128{m} * kTenPowerHigh) << 11) + (low >> 53);
            ExpandExactly(r, e - 96 + 123, decimal);
            adjustment = kTenPowerAdjustment;
        }
    }
    RoundToSignificant(decimal);
    int exponent = decimal.exponent - adjustment;
    text[1] = decimal.digits[0];
    text[2] = '.';
    std::memcpy(text + 3, decimal.digits + 1, kDigits - 1);
    text[19] = 'E';
    text[20] = exponent < 0 ? '-' : '+';
    int shown = exponent < 0 ? -exponent : exponent;
    text[21] = static_cast<char>('0' + shown / 100);
    text[22] = static_cast<char>('0' + shown / 10 % 10);
    text[23] = static_cast<char>('0' + shown % 10);
}
