// The quilts passed by since the program started, kept as their recipes so that Back and Forward
// can return to them. Plain data on the interface thread: it only keeps the recipes; the shell
// posts the one returned to.
#pragma once
#include <cstddef>
#include <deque>

#include "imaging/imaging.h"

namespace tessalume {

class QuiltHistory {
public:
    explicit QuiltHistory(std::size_t capacity = 100) : capacity(capacity) {}

    // A quilt arrived by New or a reopened recipe: the quilts ahead of the current one are
    // dropped, as a browser drops its forward pages, and the oldest goes when it is full.
    void Visit(const Recipe& recipe);
    // The quilt before or after the current one, which becomes current; none at either end.
    const Recipe* Back();
    const Recipe* Forward();

    std::size_t size() const { return recipes.size(); }
    // The current quilt; none before the first.
    const Recipe* Current() const { return recipes.empty() ? nullptr : &recipes[current]; }

private:
    std::size_t capacity;
    std::deque<Recipe> recipes;
    std::size_t current = 0;
};

}  // namespace tessalume
