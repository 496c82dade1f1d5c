#include "ui/history.h"

namespace tessalume {

void QuiltHistory::Visit(const Recipe& recipe)
{
    if (!recipes.empty()) recipes.erase(recipes.begin() + static_cast<std::ptrdiff_t>(current) + 1, recipes.end());
    recipes.push_back(recipe);
    if (recipes.size() > capacity) recipes.pop_front();
    current = recipes.size() - 1;
}

const Recipe* QuiltHistory::Back()
{
    if (current == 0 || recipes.empty()) return nullptr;
    return &recipes[--current];
}

const Recipe* QuiltHistory::Forward()
{
    if (current + 1 >= recipes.size()) return nullptr;
    return &recipes[++current];
}

}  // namespace tessalume
