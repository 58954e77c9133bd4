// Piles and the card pool.
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"
#include "table/cards.h"

namespace {

using Cards_ = std::vector<CardSpec>;

TEST(Piles, MoveTopFromAnEmptyPileChangesNothing) {
    Pile from = nullptr;
    Pile to = MakePile({{1, 5}});
    MoveTop(from, to);
    EXPECT_TRUE(IsEmpty(from));
    EXPECT_EQ(Cards(to), (Cards_{{1, 5}}));
}

TEST(Piles, MovingAllReversesOntoTheOldCards) {
    Pile a = MakePile({{1, 2}, {2, 3}, {3, 4}});
    Pile b = MakePile({{4, 9}});
    while (!IsEmpty(a)) MoveTop(a, b);
    EXPECT_EQ(Cards(b), (Cards_{{3, 4}, {2, 3}, {1, 2}, {4, 9}}));
}

TEST(Piles, ReversePile) {
    Pile empty = nullptr;
    ReversePile(empty);
    EXPECT_TRUE(IsEmpty(empty));
    Pile one = MakePile({{2, 7}});
    ReversePile(one);
    EXPECT_EQ(Cards(one), (Cards_{{2, 7}}));
    Pile three = MakePile({{1, 2}, {1, 3}, {1, 4}});
    ReversePile(three);
    EXPECT_EQ(Cards(three), (Cards_{{1, 4}, {1, 3}, {1, 2}}));
}

TEST(CardPool, TakesTheLastReturnedRecordFirstWithNoStaleLink) {
    ClearTable();
    cardPool = MakePile({{3, 3}, {4, 4}});
    Card* top = cardPool;
    int requests = memoryRequests;
    Pile card = MakePile({{1, 1}});
    TakeCard(card);
    EXPECT_EQ(card, top);
    EXPECT_EQ(card->next, nullptr);
    EXPECT_EQ(Cards(cardPool), (Cards_{{4, 4}}));
    EXPECT_EQ(memoryRequests, requests);
    cardPool = nullptr;
    TakeCard(card);
    EXPECT_EQ(memoryRequests, requests + 1) << "an empty pool asks for memory";
    EXPECT_EQ(card->next, nullptr);
    delete card;
}

TEST(CardPool, CollectCardsEmptiesEveryPileOfTheTable) {
    ClearTable();
    SetFoundation(1, 15);
    SetFoundation(3, 4);
    apurivi[2] = MakePile({{2, 9}});
    apurivi[8] = MakePile({{2, 10}});
    piilopino = MakePile({{4, 2}, {4, 3}});
    kasipakka = MakePile({{2, 2}});
    nakyvakasipakka = MakePile({{2, 3}, {2, 4}});
    CollectCards();
    for (int s = 1; s <= kSuits; ++s) EXPECT_TRUE(IsEmpty(peruspakat[s]));
    for (int j = 1; j <= kSlots; ++j) EXPECT_TRUE(IsEmpty(apurivi[j]));
    EXPECT_TRUE(IsEmpty(piilopino) && IsEmpty(kasipakka) && IsEmpty(nakyvakasipakka));
    // piilopino went last, so its bottom card is on top of the pool.
    auto pool = Cards(cardPool);
    ASSERT_EQ(pool.size(), 15u + 1 + 4 + 1 + 2 + 2 + 1 + 2);
    EXPECT_EQ(pool[0], (CardSpec{4, 3}));
    EXPECT_EQ(pool.back(), (CardSpec{1, 15}));
    cardPool = nullptr;
}

}  // namespace
