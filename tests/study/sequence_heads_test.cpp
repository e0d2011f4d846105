// Which sequence of a warm map starts from which, and that the states handed
// on are let go once every follower has passed them.
#include "study/sequence_heads.hpp"

#include <gtest/gtest.h>

#include <thread>

#include "study/warm_start.hpp"

namespace diesel {
namespace {

TEST(SequenceHeads, NeighbourIsTheLatestSequenceWithTheSameValuesAndFirstLoads) {
    struct Case {
        const char* what;
        std::vector<MapPoint> points;
        std::vector<std::size_t> neighbours;
    };
    const std::vector<Case> cases = {
        {"speeds in turn",
         {{1, 1000.0f, 2.0f, {}}, {2, 1000.0f, 4.0f, {}}, {3, 2000.0f, 2.0f, {}}, {4, 2000.0f, 4.0f, {}},
          {5, 3000.0f, 2.0f, {}}, {6, 3000.0f, 4.0f, {}}},
         {0, 0, 1}},
        {"varied values in between",
         {{1, 1000.0f, 2.0f, {"560"}}, {2, 1000.0f, 2.0f, {"580"}}, {3, 2000.0f, 2.0f, {"560"}},
          {4, 2000.0f, 2.0f, {"580"}}},
         {0, 1, 0, 1}},
        {"other first loads",
         {{1, 1000.0f, 2.0f, {}}, {2, 1000.0f, 4.0f, {}}, {3, 2000.0f, 2.0f, {}}, {4, 2000.0f, 5.0f, {}}},
         {0, 1}},
        {"a single load each",
         {{1, 1000.0f, 2.0f, {}}, {2, 2000.0f, 2.0f, {}}},
         {0, 0}},
    };
    for (const Case& c : cases) {
        const SequenceHeads heads(c.points, load_sequences(c.points));
        ASSERT_EQ(c.neighbours.size(), load_sequences(c.points).size()) << c.what;
        for (std::size_t k = 0; k < c.neighbours.size(); ++k)
            EXPECT_EQ(heads.neighbour(k), c.neighbours[k]) << c.what << ", sequence " << k;
    }
}

TEST(SequenceHeads, StatesAreLetGoOnceTheFollowersPassedThem) {
    const std::vector<MapPoint> points = {{1, 1000.0f, 2.0f, {}}, {2, 1000.0f, 4.0f, {}}, {3, 2000.0f, 2.0f, {}},
                                          {4, 2000.0f, 4.0f, {}}, {5, 3000.0f, 2.0f, {}}};
    SequenceHeads heads(points, load_sequences(points));
    const auto first = std::make_shared<const StartState>(), second = std::make_shared<const StartState>();
    heads.tell(0, 0, first, 2.0f);
    heads.tell(0, 1, second, 4.0f);
    EXPECT_EQ(heads.wait(0, 1).at, 4.0f);
    heads.started(1, 2);  // the follower has started both runs
    EXPECT_EQ(second.use_count(), 1);
    EXPECT_GT(first.use_count(), 1);  // still wanted for the speed trend of sequence 2
    heads.close(2);                   // a single load: it needs no more than its first
    EXPECT_EQ(first.use_count(), 1);
    EXPECT_EQ(heads.wait(0, 0).state, nullptr);
}

TEST(SequenceHeads, ClosingASequenceReleasesItsWaiters) {
    const std::vector<MapPoint> points = {{1, 1000.0f, 2.0f, {}}, {2, 2000.0f, 2.0f, {}}};
    SequenceHeads heads(points, load_sequences(points));
    SequenceHead got{std::make_shared<const StartState>(), 1.0f};
    std::thread follower([&]() { got = heads.wait(0, 1); });
    heads.close(0);  // ended before telling of any run, say by an exception
    follower.join();
    EXPECT_EQ(got.state, nullptr);
}

}  // namespace
}  // namespace diesel
