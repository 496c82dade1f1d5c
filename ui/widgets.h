// The program's own controls: six widget classes with their geometry, hit rules and value
// changes. Nothing here draws; ui/draw keeps the OpenGL side of every control.
#pragma once
#include <cstdint>

namespace tessalume {

// What every control has: its rectangle in drawing coordinates (y upward), the depth it is
// drawn at, whether it is shown and takes clicks, and its caption: a button's or lock box's
// label, the title over a list, value panel or browser (none on the tabs).
struct Widget {
    float left, bottom, right, top;
    float depth;
    bool visible;
    const char* title;
};

class Button : public Widget {
public:
    void Build(float x, float y, float width, const char* label);
    bool HitTest(int32_t x, int32_t y);

    bool clicked;
    int32_t pressTicks;
};

class ListBox : public Widget {
public:
    void Build(float x, float y, float width, int32_t count, const char* title, const char* const* entries);
    bool HitTest(int32_t x, int32_t y);

    float rowHeight;
    int32_t count;
    int32_t lastIndex;
    int32_t selected;
    const char* const* entries;
};

// A lock box: one box that a click turns on and off, its label in the row above.
class OptionsBox : public Widget {
public:
    void Build(float x, float y, const char* label);
    bool HitTest(int32_t x, int32_t y);

    float boxTop;
    bool on;
};

class Tab : public Widget {
public:
    void Build();
    bool HitTest(int32_t x, int32_t y);

    float tabWidth;
    int32_t count;
    int32_t selected;
    int32_t stripBottom;
    const char* labels[2];
};

// One row descriptor of a value panel.
struct SliderRow {
    float minimum, maximum, initialValue;
    float hasMinimum, hasMaximum, showAsInteger;  // true when not 0
};

class SLWindow : public Widget {
public:
    static constexpr int32_t maxRows = 20;

    void Build(float x, float y, float width, int32_t count, const char* title, const char* const* rowLabels,
               const SliderRow* descriptors);
    bool Press(int32_t x, int32_t y);
    bool Drag(int32_t x, int32_t y);
    // The row whose wheel a press there would grab (0 the top one), -1 for none.
    int32_t RowAt(int32_t x, int32_t y) const;
    // Moves row i's value to target as a drag would, turning its wheel along; a target beyond
    // a bound pins the value there. False when nothing changed.
    bool MoveTo(int32_t i, float target);

    int32_t count;
    float scale[maxRows];
    float minimum[maxRows], maximum[maxRows];
    bool hasMinimum[maxRows], hasMaximum[maxRows], showAsInteger[maxRows];
    float value[maxRows];
    float wheelAngle[maxRows];
    float step;  // the value change of one notch of the mouse wheel
    float rowHeight;
    float textOffset;
    float halfTrack, quarterTrack;
    bool dragging;
    int32_t lastX;
    int32_t activeRow;
    const char* const* rowLabels;

private:
    bool Settle(int32_t i, float candidateValue, float candidateAngle);
};

class TSelector : public Widget {
public:
    static constexpr int32_t cellCount = 10;

    void Build(float y, const char* title, int32_t iconBase);
    bool HitTest(int32_t x, int32_t y);

    int32_t cell;
    int32_t cellX[cellCount], cellY[cellCount];
    int32_t firstShown;
    int32_t selected;
    int32_t iconBase;
};

}  // namespace tessalume
