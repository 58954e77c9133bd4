// The default floating format: the known texts, exact rounding against the C library above 4,
// and below 4 against an independent computation of the 96-bit scaled digit source.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "runtime/float_format.h"

namespace {

std::string Format(double value) {
    char text[kFloatTextLength];
    FormatFloat(value, text);
    return std::string(text, sizeof text);
}

struct Known {
    double value;
    const char* text;
};

void PrintTo(const Known& c, std::ostream* os) {
    *os << c.text;
}

class KnownTexts : public testing::TestWithParam<Known> {};

TEST_P(KnownTexts, Match) {
    EXPECT_EQ(Format(GetParam().value), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, KnownTexts,
                         testing::Values(Known{0.0, " 0.0000000000000000E+000"},
                                         Known{50.0, " 5.0000000000000000E+001"},
                                         Known{100.0, " 1.0000000000000000E+002"},
                                         Known{100.0 / 3, " 3.3333333333333336E+001"},
                                         Known{200.0 / 3, " 6.6666666666666671E+001"},
                                         Known{12.5, " 1.2500000000000000E+001"},
                                         Known{100.0 / 7, " 1.4285714285714286E+001"},
                                         Known{0.1, " 1.0000000000000001E-001"},
                                         Known{100.0 * 26217 / 262144, " 1.0000991821289062E+001"},
                                         Known{100.0 * 5243 / 524288, " 1.0000228881835937E+000"},
                                         Known{-2.5, "-2.5000000000000000E+000"},
                                         Known{-0.0, "-0.0000000000000000E+000"},
                                         Known{4.0, " 4.0000000000000000E+000"}));

// "E", the exponent's sign and three digits.
std::string ExponentText(int exponent) {
    std::string digits = std::to_string(std::abs(exponent));
    std::string text = exponent < 0 ? "E-" : "E+";
    return text.append(3 - digits.size(), '0').append(digits);
}

std::string SignText(double value) {
    return std::signbit(value) ? "-" : " ";
}

// The C library's %.16e: the exact value rounded to 17 digits, ties to even.
std::string LibraryText(double value) {
    char digits[64];
    std::snprintf(digits, sizeof digits, "%.16e", std::fabs(value));
    std::string text = digits;  // d.dddddddddddddddde+XX
    std::size_t e = text.find('e');
    return SignText(value)
        .append(text.substr(0, e))
        .append(ExponentText(std::stoi(text.substr(e + 1))));
}

TEST(FloatFormat, FromFourUpIsTheExactValueRounded) {
    std::mt19937_64 bits(20261211);
    int checked = 0;
    while (checked < 200000) {
        double value;
        std::uint64_t pattern = bits();
        std::memcpy(&value, &pattern, sizeof value);
        if (!std::isfinite(value) || std::fabs(value) < 4) continue;
        ASSERT_EQ(Format(value), LibraryText(value)) << std::hexfloat << value;
        ++checked;
    }
    // From 4 to 2^53, where the digits come from the whole and fractional parts: every binary
    // exponent alike, and the neighbours of every power of ten, which round across it.
    for (int i = 0; i < 200000; ++i) {
        double value = std::ldexp(1.0 + static_cast<double>(bits() >> 12) / 0x1p52,
                                  2 + static_cast<int>(bits() % 51));
        ASSERT_EQ(Format(value), LibraryText(value)) << std::hexfloat << value;
    }
    for (double power = 10; power < 0x1p53; power *= 10)
        for (double value : {std::nextafter(power, 0.0), power, std::nextafter(power, 1e300)})
            ASSERT_EQ(Format(value), LibraryText(value)) << std::hexfloat << value;
    // Percentages of small counts, where exact ties are common.
    for (int played = 1; played <= 400; ++played)
        for (int won = 1; won <= played; ++won) {
            double value = 100.0 * won / played;
            if (value < 4) continue;
            ASSERT_EQ(Format(value), LibraryText(value)) << won << "/" << played;
        }
}

// Independent decimal arithmetic on digit strings, least significant digit first.
struct DecimalString {
    std::string digits = "0";
    void MultiplyAdd(int factor, int addend) {
        int carry = addend;
        for (char& d : digits) {
            int v = (d - '0') * factor + carry;
            d = static_cast<char>('0' + v % 10);
            carry = v / 10;
        }
        for (; carry != 0; carry /= 10) digits += static_cast<char>('0' + carry % 10);
    }
};

// Below 4 the digits are those of R × 2^(g+123), R = round(M × T / 2^96), computed here with
// 32-bit limbs and decimal strings, then rounded to 17 digits by hand.
std::string ScaledText(double value) {
    int e;
    double fraction = std::frexp(std::fabs(value), &e);
    auto m = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    // M = m × 2^43 as three 32-bit limbs; T likewise; the 192-bit product in six limbs.
    std::uint64_t big = m << 11;  // M = big × 2^32
    std::uint32_t M[3] = {0, static_cast<std::uint32_t>(big),
                          static_cast<std::uint32_t>(big >> 32)};
    std::uint32_t T[3] = {0x1E86D400, 0xBB48DB20, 0xF0BDC21A};
    std::uint32_t P[6] = {};
    for (int i = 0; i < 3; ++i) {
        std::uint64_t carry = 0;
        for (int j = 0; j < 3; ++j) {
            std::uint64_t cur = std::uint64_t{M[i]} * T[j] + P[i + j] + carry;
            P[i + j] = static_cast<std::uint32_t>(cur);
            carry = cur >> 32;
        }
        P[i + 3] = static_cast<std::uint32_t>(carry);
    }
    // Add 2^95 and keep the upper three limbs.
    std::uint64_t sum = std::uint64_t{P[2]} + 0x80000000u;
    std::uint32_t R[3];
    std::uint64_t carry = sum >> 32;
    for (int i = 0; i < 3; ++i) {
        std::uint64_t cur = std::uint64_t{P[3 + i]} + carry;
        R[i] = static_cast<std::uint32_t>(cur);
        carry = cur >> 32;
    }
    DecimalString number;
    for (int i = 2; i >= 0; --i)
        for (int shift = 28; shift >= 0; shift -= 4) number.MultiplyAdd(16, (R[i] >> shift) & 15);
    int binaryExponent = (e - 96) + 123;
    int decimalShift = 0;
    for (; binaryExponent > 0; --binaryExponent) number.MultiplyAdd(2, 0);
    for (; binaryExponent < 0; ++binaryExponent, --decimalShift) number.MultiplyAdd(5, 0);
    std::string digits(number.digits.rbegin(), number.digits.rend());
    int exponent = static_cast<int>(digits.size()) - 1 + decimalShift - 37;
    std::string rest = digits.size() > 17 ? digits.substr(17) : "";
    digits = digits.substr(0, 17);
    digits.resize(17, '0');
    bool restAboveHalf = rest.find_first_not_of('0', 1) != std::string::npos;
    bool up = !rest.empty() &&
              (rest[0] > '5' || (rest[0] == '5' && (restAboveHalf || (digits[16] - '0') % 2 == 1)));
    if (up) {
        int i = 16;
        while (i >= 0 && digits[i] == '9') digits[i--] = '0';
        if (i < 0) {
            digits.insert(digits.begin(), '1');
            digits.pop_back();
            ++exponent;
        } else {
            ++digits[i];
        }
    }
    return SignText(value)
        .append(digits.substr(0, 1))
        .append(".")
        .append(digits.substr(1))
        .append(ExponentText(exponent));
}

TEST(FloatFormat, BelowFourFollowsTheScaledDigitSource) {
    std::mt19937_64 bits(4);
    for (int i = 0; i < 100000; ++i) {
        // Uniform over the binary exponents of 2^-120 .. 4.
        double value = std::ldexp(1.0 + static_cast<double>(bits() >> 12) / 4503599627370496.0,
                                  static_cast<int>(bits() % 122) - 120);
        ASSERT_EQ(Format(value), ScaledText(value)) << std::hexfloat << value;
    }
    for (int played = 26; played <= 3000; ++played)
        for (int won = 1; won * 100 < 4 * played; ++won) {
            double value = 100.0 * won / played;
            ASSERT_EQ(Format(value), ScaledText(value)) << won << "/" << played;
        }
    // Odd multiples of 2^-17 in [1, 4) have 18 significant digits ending in 5: every one is an
    // exact tie, and the scaled source decides some of them against plain rounding.
    int ties = 0;
    int differFromExact = 0;
    for (int k = (1 << 17) + 1; k < (1 << 19); k += 2, ++ties) {
        double value = std::ldexp(k, -17);
        ASSERT_EQ(Format(value), ScaledText(value)) << k;
        differFromExact += Format(value) != LibraryText(value);
    }
    EXPECT_GT(differFromExact, ties / 10);
    EXPECT_LT(differFromExact, ties - ties / 10);
}

TEST(FloatFormat, ExtremesKeepTheLayout) {
    EXPECT_EQ(Format(1.7976931348623157e308), " 1.7976931348623157E+308");
    EXPECT_EQ(Format(4.9406564584124654e-324), " 4.9406564584124654E-324");
    EXPECT_EQ(Format(1e-200), " 9.9999999999999998E-201");
}

}  // namespace
