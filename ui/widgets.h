// The program's own controls: six widget classes with their geometry, hit rules and value
// changes. Nothing here draws; ui/draw keeps the OpenGL side of every control.
#pragma once
#include <cstdint>

namespace tessalume {

class Button {
public:
    virtual ~Button() = default;
    void Build(float x, float y, float width, const char* label);
    bool HitTest(int32_t x, int32_t y);

    float left, bottom, right, top;
    float depth;
    bool clicked;
    bool visible;
    int32_t pressTicks;
    const char* label;
};

class ListBox {
public:
    virtual ~ListBox() = default;
    void Build(float x, float y, float width, int32_t count, const char* title, const char* const* entries);
    bool HitTest(int32_t x, int32_t y);

    float left, bottom, right, top;
    float depth;
    float rowHeight;
    int32_t count;
    int32_t lastIndex;
    int32_t selected;
    bool visible;
    const char* title;
    const char* const* entries;
};

class OptionsBox {
public:
    virtual ~OptionsBox() = default;
    void Build(float x, float y, const char* label);
    bool HitTest(int32_t x, int32_t y);

    float left, bottom, right, top;
    float boxTop;
    float depth;
    float rowHeight;
    bool hit;
    int32_t count;
    int32_t topIndex;
    int32_t lastToggled;
    bool entryOn[50];
    bool visible;
    const char* label;
};

class Tab {
public:
    virtual ~Tab() = default;
    void Build();
    bool HitTest(int32_t x, int32_t y);

    float left, bottom, right, top;
    float depth;
    bool hit;
    float tabWidth;
    int32_t count;
    bool visible;
    int32_t selected;
    int32_t stripBottom;
    const char* labels[2];
};

// One row descriptor of a value panel.
struct SliderRow {
    float minimum, maximum, initialValue;
    float hasMinimum, hasMaximum, showAsInteger;  // true when not 0
};

class SLWindow {
public:
    static constexpr int32_t maxRows = 20;

    virtual ~SLWindow() = default;
    void Build(float x, float y, float width, int32_t count, const char* title, const char* const* rowLabels,
               const SliderRow* descriptors);
    bool Press(int32_t x, int32_t y);
    bool Drag(int32_t x, int32_t y);

    float left, bottom, right, top;
    float depth;
    int32_t count;
    bool visible;
    float scale[maxRows];
    float minimum[maxRows], maximum[maxRows];
    float initialValue[maxRows];
    bool hasMinimum[maxRows], hasMaximum[maxRows], showAsInteger[maxRows];
    float value[maxRows];
    float wheelAngle[maxRows];
    int32_t rowIndex;
    char text[255];
    float rowHeight;
    float textOffset, textIndent;
    float trackWidth, halfTrack, quarterTrack;
    bool dragging;
    int32_t lastX;
    int32_t activeRow;
    const char* title;
    const char* const* rowLabels;
};

class TSelector {
public:
    static constexpr int32_t cellCount = 10;

    virtual ~TSelector() = default;
    void Build(float y, const char* title, int32_t iconBase);
    bool HitTest(int32_t x, int32_t y);

    float left, bottom, right, top;
    float depth;
    bool hit;
    bool visible;
    int32_t cell;
    int32_t cellX[cellCount], cellY[cellCount];
    int32_t firstShown;
    int32_t selected;
    int32_t iconBase;
    const char* title;
};

}  // namespace tessalume
