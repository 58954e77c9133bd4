// The table display, byte for byte.
#include <string>

#include <gtest/gtest.h>

#include "display/table_display.h"
#include "harness.h"
#include "table/cards.h"

namespace {

using namespace std::string_literals;

TEST(ShowTable, AfterTheDealAsTheWorkedExample) {
    ClearTable();
    const CardSpec slots[] = {{1, 7}, {4, 15}, {3, 2}, {2, 10}, {1, 3}, {4, 4}, {3, 11}, {2, 6}};
    for (int j = 1; j <= 8; ++j) apurivi[j] = MakePile({slots[j - 1]});
    EXPECT_EQ(CaptureOutput(ShowTable),
              "Peruspakat:1\r\n"
              "ruutu\0   1 hertta  1  2\r\n"
              "ruutu\0   2 ruutu\0  1  3\r\n"
              "ruutu\0   3 risti\0  1  4\r\n"
              "ruutu\0   4 pata\0\0  1  Nakyvakasipakka:\r\n"
              "Apurivi:\r\n"
              " hertta  7   pata\0\0 15   risti\0  2   ruutu\0 10   hertta  3   pata\0\0  4 "
              "  risti\0 11   ruutu\0  6  "s);
}

TEST(ShowTable, EmptySlotsLeaveNoGapAndTheVisibleTopIsShown) {
    ClearTable();
    SetFoundation(1, 15);
    SetFoundation(4, 9);
    apurivi[3] = MakePile({{2, 5}});
    nakyvakasipakka = MakePile({{3, 12}, {1, 2}});
    EXPECT_EQ(CaptureOutput(ShowTable),
              "Peruspakat:1\r\n"
              "ruutu\0   1 hertta 15  2\r\n"
              "ruutu\0   2 ruutu\0  1  3\r\n"
              "ruutu\0   3 risti\0  1  4\r\n"
              "ruutu\0   4 pata\0\0  9  Nakyvakasipakka: risti\0 12  \r\n"
              "Apurivi:\r\n"
              " ruutu\0  5  "s);
}

TEST(ShowTable, AllSlotsEmptyEndsWithTheApuriviLine) {
    ClearTable();
    EXPECT_TRUE(CaptureOutput(ShowTable).ends_with("Nakyvakasipakka:\r\nApurivi:\r\n"));
}

}  // namespace
