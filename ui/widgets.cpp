// Geometry, hit rules and value changes of the six widget classes. Every hit operation compares
// the mouse position, converted to float, with the widget's float edges; which edges count
// differs per class (the table below) and is part of how the controls feel. Values that the worker reads
// or writes meanwhile (selections, lock boxes, wheel values, browser pages) are stored, and where
// the worker writes them also loaded, as relaxed atomics.
#include "ui/widgets.h"

#include <algorithm>
#include <cmath>

#include "engine/relaxed.h"

namespace tessalume {

namespace {

constexpr float buttonHeight = 22;
constexpr float rowPitch = 20;  // rows of lists, lock boxes and value panels
constexpr float cellSize = 64;  // thumbnail cells of a browser
constexpr float browserLeft = 32, browserRight = 352, browserHeight = 128, scrollWidth = 32;
constexpr int32_t browserColumns = 5, browserPageStep = 5, browserLastPage = 20;

// Whether the ends of a span count as inside it.
enum class Ends { included, excluded };

bool Between(float v, float low, float high, Ends ends)
{
    return ends == Ends::included ? low <= v && v <= high : low < v && v < high;
}

// Rows (or columns) of equal width: whether their ends count, and which of two rows wins the
// boundary they share when it counts for both.
struct BandRule {
    Ends ends;
    bool laterWins;
};

// Where each widget takes clicks:
//   Button      its rectangle, ends included
//   ListBox     the column of radio marks, ends included, by row as listRows
//   OptionsBox  the box, ends included; not the label row above it
//   Tab         the strip from stripBottom up to top, ends included, by tab as tabColumns
//   SLWindow    strictly between left and right, by row as panelRows
//   TSelector   the cells, ends included; the scroll column right of them on its own
constexpr BandRule listRows{Ends::included, true};     // the upper row wins a shared boundary
constexpr BandRule tabColumns{Ends::included, false};  // the left tab wins the shared edge
constexpr BandRule panelRows{Ends::excluded, false};   // a press exactly on a line grabs no wheel

// The band of count bands, each pitch wide from origin on, that holds v; -1 for none.
int32_t BandHolding(float v, float origin, float pitch, int32_t count, BandRule rule)
{
    int32_t found = -1;
    for (int32_t i = 0; i < count && (found < 0 || rule.laterWins); ++i) {
        const float low = origin + pitch * static_cast<float>(i);
        if (Between(v, low, low + pitch, rule.ends)) found = i;
    }
    return found;
}

bool Covers(const Widget& widget, float x, float y)
{
    return Between(x, widget.left, widget.right, Ends::included) &&
           Between(y, widget.bottom, widget.top, Ends::included);
}

}  // namespace

void Button::Build(float x, float y, float width, const char* label)
{
    left = x;
    bottom = y;
    right = x + width;
    top = y + buttonHeight;
    depth = 0;
    clicked = false;
    pressTicks = 0;
    title = label;
}

bool Button::HitTest(int32_t x, int32_t y)
{
    if (visible && Covers(*this, static_cast<float>(x), static_cast<float>(y))) {
        clicked = true;
        pressTicks = 10;
    }
    // An earlier hit that the window procedure has not consumed still answers true.
    return clicked;
}

void ListBox::Build(float x, float y, float width, int32_t entryCount, const char* titleText,
                    const char* const* entryTexts)
{
    left = x;
    bottom = y;
    right = x + width;
    top = y + rowPitch * static_cast<float>(entryCount + 1);
    depth = 0;
    rowHeight = rowPitch;
    count = entryCount;
    lastIndex = entryCount - 1;
    title = titleText;
    entries = entryTexts;
}

bool ListBox::HitTest(int32_t x, int32_t y)
{
    if (!visible || !Between(static_cast<float>(x), left, left + rowHeight, Ends::included)) return false;
    const int32_t row = BandHolding(static_cast<float>(y), bottom, rowHeight, count, listRows);
    if (row < 0) return false;
    StoreRelaxed(selected, lastIndex - row);  // rows from the bottom show the entries from the last
    return true;
}

void OptionsBox::Build(float x, float y, const char* label)
{
    left = x;
    bottom = y;
    right = x + rowPitch;
    top = y + 2 * rowPitch;
    boxTop = y + rowPitch;
    depth = 0.5f;
    on = false;
    title = label;
}

bool OptionsBox::HitTest(int32_t x, int32_t y)
{
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    if (!visible || !Between(fx, left, right, Ends::included) || !Between(fy, bottom, boxTop, Ends::included))
        return false;
    StoreRelaxed(on, !on);
    return true;
}

void Tab::Build()
{
    left = 16;
    bottom = 16;
    right = 474;
    top = 688;
    depth = 0;
    tabWidth = 229;
    count = 2;
    selected = 0;
    stripBottom = 664;
    labels[0] = "Attractor";
    labels[1] = "Render Parameters";
}

bool Tab::HitTest(int32_t x, int32_t y)
{
    if (!visible || y < stripBottom || static_cast<float>(y) > top) return false;
    const int32_t tab = BandHolding(static_cast<float>(x), left, tabWidth, count, tabColumns);
    if (tab < 0) return false;
    selected = tab;
    return true;
}

void SLWindow::Build(float x, float y, float width, int32_t rowCount, const char* titleText,
                     const char* const* labels, const SliderRow* descriptors)
{
    // The arrays hold at most maxRows rows; a longer table is cut rather than overrun.
    rowCount = std::clamp(rowCount, 0, maxRows);
    left = x;
    bottom = y;
    right = x + width;
    top = y + rowPitch * static_cast<float>(rowCount + 1);
    depth = 0;
    count = rowCount;
    rowHeight = rowPitch;
    textOffset = 10;
    const int32_t wholeWidth = static_cast<int32_t>(width);
    halfTrack = static_cast<float>(wholeWidth / 2);
    quarterTrack = static_cast<float>(wholeWidth / 4);
    for (int32_t i = 0; i < rowCount; ++i) {
        const SliderRow& row = descriptors[i];
        minimum[i] = row.minimum;
        maximum[i] = row.maximum;
        value[i] = row.initialValue;
        scale[i] = static_cast<float>((static_cast<double>(row.maximum) - row.minimum) / (2.0 * halfTrack));
        wheelAngle[i] = static_cast<float>(left + static_cast<double>(value[i]) / scale[i]);
        hasMinimum[i] = row.hasMinimum != 0;
        hasMaximum[i] = row.hasMaximum != 0;
        showAsInteger[i] = row.showAsInteger != 0;
    }
    title = titleText;
    rowLabels = labels;
}

int32_t SLWindow::RowAt(int32_t x, int32_t y) const
{
    if (!visible || !Between(static_cast<float>(x), left, right, Ends::excluded)) return -1;
    const int32_t row = BandHolding(static_cast<float>(y), bottom, rowHeight, count, panelRows);
    return row < 0 ? -1 : count - 1 - row;
}

bool SLWindow::Press(int32_t x, int32_t y)
{
    if (!visible) return false;
    dragging = false;
    const int32_t row = RowAt(x, y);
    if (row < 0) return false;
    lastX = x;
    dragging = true;
    activeRow = row;
    return true;
}

bool SLWindow::Drag(int32_t x, int32_t y)
{
    (void)y;  // a wheel turns with sideways motion only
    if (!visible || !dragging) {
        lastX = x;
        return false;
    }
    const int32_t i = activeRow;
    // The wheel and its value move in single precision, as the fields hold them.
    const float d = static_cast<float>(lastX - x);
    const float candidateAngle = std::trunc(wheelAngle[i] - d);
    const float candidateValue = LoadRelaxed(value[i]) - d * scale[i] * 0.5f;
    lastX = x;
    return Settle(i, candidateValue, candidateAngle);
}

bool SLWindow::MoveTo(int32_t i, float target)
{
    if (i < 0 || i >= count) return false;
    // The wheel turns by as many pixels as a drag to the same value would take.
    const float change = target - LoadRelaxed(value[i]);
    return Settle(i, target, std::trunc(wheelAngle[i] + change / (scale[i] * 0.5f)));
}

bool SLWindow::Settle(int32_t i, float candidateValue, float candidateAngle)
{
    // A candidate beyond a bound pins the value there and leaves the wheel; one exactly on the
    // bound is no change at all.
    if (hasMinimum[i] && !(candidateValue > minimum[i])) {
        if (candidateValue == minimum[i]) return false;
        StoreRelaxed(value[i], minimum[i]);
        return true;
    }
    if (hasMaximum[i] && !(candidateValue < maximum[i])) {
        if (candidateValue == maximum[i]) return false;
        StoreRelaxed(value[i], maximum[i]);
        return true;
    }
    StoreRelaxed(value[i], candidateValue);
    wheelAngle[i] = candidateAngle;
    return true;
}

void TSelector::Build(float y, const char* titleText, int32_t firstIcon)
{
    left = browserLeft;
    bottom = y;
    right = browserRight;
    top = y + browserHeight;
    depth = 0;
    cell = 0;
    const int32_t cellSide = static_cast<int32_t>(cellSize);
    for (int32_t k = 0; k < cellCount; ++k) {
        cellX[k] = static_cast<int32_t>(browserLeft) + cellSide * (k % browserColumns);
        cellY[k] = static_cast<int32_t>(bottom) + (k < browserColumns ? cellSide : 0);
    }
    firstShown = 0;
    selected = 0;
    iconBase = firstIcon;
    title = titleText;
}

bool TSelector::HitTest(int32_t x, int32_t y)
{
    if (!visible) return false;
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    const bool onCell = Covers(*this, fx, fy);
    if (onCell) {
        const int32_t column = std::min(static_cast<int32_t>((fx - left) / cellSize), browserColumns - 1);
        const int32_t row = std::min(static_cast<int32_t>((fy - bottom) / cellSize), 1);
        cell = column - browserColumns * row + browserColumns;  // the upper row holds cells 0..4
    }
    // The scroll column is tested on its own, so x = right is both a cell and a scroll click.
    if (Between(fx, right, right + scrollWidth, Ends::included) && Between(fy, bottom, top, Ends::included)) {
        const int32_t row = static_cast<int32_t>((fy - bottom) / cellSize);
        const int32_t shown = LoadRelaxed(firstShown);
        if (row == 0) {
            if (shown < browserLastPage) StoreRelaxed(firstShown, shown + browserPageStep);
        } else if (shown >= browserPageStep) {
            StoreRelaxed(firstShown, shown - browserPageStep);
        }
    }
    // Paging moves the selection too, although only a cell hit reports true.
    selected = LoadRelaxed(firstShown) + cell;
    return onCell;
}

}  // namespace tessalume
