// The history of quilts behind Back and Forward: a browser's, bounded.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "ui/history.h"

namespace tessalume {
namespace {

// One move: a visit of the quilt numbered `run`, or Back ('b') or Forward ('f') and the quilt
// they return to (none at an end); after each move, the quilt that is current (0: none).
struct Move {
    char what;  // 'v' visit, 'b' back, 'f' forward
    int32_t run;  // the visited or the returned quilt; 0: none returned
    int32_t current;
};

struct Walk {
    const char* name;
    std::size_t capacity;
    std::vector<Move> moves;
};

TEST(QuiltHistory, BackAndForwardWalkTheQuiltsAsABrowserWalksItsPages)
{
    const Walk walks[] = {
        {"empty: nothing either way", 100, {{'b', 0, 0}, {'f', 0, 0}, {'v', 1, 1}, {'b', 0, 1}, {'f', 0, 1}}},
        {"back to the first and forward to the last", 100,
         {{'v', 1, 1}, {'v', 2, 2}, {'v', 3, 3}, {'b', 2, 2}, {'b', 1, 1}, {'b', 0, 1},
          {'f', 2, 2}, {'f', 3, 3}, {'f', 0, 3}}},
        {"a visit after Back drops the quilts ahead", 100,
         {{'v', 1, 1}, {'v', 2, 2}, {'v', 3, 3}, {'b', 2, 2}, {'b', 1, 1}, {'v', 4, 4}, {'f', 0, 4},
          {'b', 1, 1}, {'b', 0, 1}}},
        {"full: the oldest goes", 3,
         {{'v', 1, 1}, {'v', 2, 2}, {'v', 3, 3}, {'v', 4, 4}, {'v', 5, 5}, {'b', 4, 4}, {'b', 3, 3},
          {'b', 0, 3}, {'f', 4, 4}}},
        {"full after Back: the dropped quilts make room first", 3,
         {{'v', 1, 1}, {'v', 2, 2}, {'v', 3, 3}, {'b', 2, 2}, {'b', 1, 1}, {'v', 4, 4}, {'b', 1, 1},
          {'b', 0, 1}}},
    };
    for (const Walk& walk : walks) {
        SCOPED_TRACE(walk.name);
        QuiltHistory history(walk.capacity);
        for (std::size_t index = 0; index < walk.moves.size(); ++index) {
            SCOPED_TRACE(index);
            const Move& move = walk.moves[index];
            if (move.what == 'v') {
                Recipe recipe;
                recipe.runNumber = move.run;
                history.Visit(recipe);
            } else {
                const Recipe* returned = move.what == 'b' ? history.Back() : history.Forward();
                EXPECT_EQ(returned ? returned->runNumber : 0, move.run);
            }
            EXPECT_EQ(history.Current() ? history.Current()->runNumber : 0, move.current);
        }
    }
}

}  // namespace
}  // namespace tessalume
