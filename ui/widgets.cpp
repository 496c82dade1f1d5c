// Geometry, hit rules and value changes of the six widget classes. Every hit operation compares
// the mouse position, converted to float, with the widget's float edges; which edges are
// inclusive differs per class and is part of how the controls feel. Values that the worker reads
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
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    if (visible && left <= fx && fx <= right && bottom <= fy && fy <= top) {
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
    if (!visible) return false;
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    // Only the column of radio marks takes clicks, not the entry texts.
    if (fx < left || fx > left + rowHeight) return false;
    bool result = false;
    // No early exit: on a boundary shared by two rows the upper one, tested later, wins.
    for (int32_t r = 0; r < count; ++r) {
        const float rowBottom = bottom + rowHeight * static_cast<float>(r);
        if (rowBottom <= fy && fy <= rowBottom + rowHeight) {
            StoreRelaxed(selected, lastIndex - r);
            result = true;
        }
    }
    return result;
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
    if (!visible) return false;
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    if (fx < left || fx > left + rowPitch) return false;
    // Only the box itself toggles; the label row above it does not.
    if (!(bottom <= fy && fy <= bottom + rowPitch)) return false;
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
    if (!visible) return false;
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    if (y < stripBottom || fy > top) return false;
    // The first matching tab wins, so the shared edge belongs to the left tab.
    for (int32_t i = 0; i < count; ++i) {
        const float tabLeft = left + static_cast<float>(i) * tabWidth;
        if (tabLeft <= fx && fx <= tabLeft + tabWidth) {
            selected = i;
            return true;
        }
    }
    return false;
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

bool SLWindow::Press(int32_t x, int32_t y)
{
    if (!visible) return false;
    dragging = false;
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    // Edges and row boundaries are exclusive: a press exactly on a line grabs no wheel.
    if (!(left < fx && fx < right)) return false;
    for (int32_t r = 0; r < count; ++r) {
        const float rowBottom = bottom + rowHeight * static_cast<float>(r);
        if (rowBottom < fy && fy < rowBottom + rowHeight) {
            lastX = x;
            dragging = true;
            activeRow = count - 1 - r;
            return true;
        }
    }
    return false;
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
    const bool withinHeight = bottom <= fy && fy <= top;
    const bool onCell = left <= fx && fx <= right && withinHeight;
    if (onCell) {
        const int32_t column = std::min(static_cast<int32_t>((fx - left) / cellSize), browserColumns - 1);
        const int32_t row = std::min(static_cast<int32_t>((fy - bottom) / cellSize), 1);
        cell = column - browserColumns * row + browserColumns;  // the upper row holds cells 0..4
    }
    // The scroll column is tested on its own, so x = right is both a cell and a scroll click.
    if (right <= fx && fx <= right + scrollWidth && withinHeight) {
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
