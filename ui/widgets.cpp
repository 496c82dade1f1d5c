// Placeholder until the widget rules land.
#include "ui/widgets.h"

namespace tessalume {
void Button::Build(float, float, float, const char*) {}
bool Button::HitTest(int32_t, int32_t) { return false; }
void ListBox::Build(float, float, float, int32_t, const char*, const char* const*) {}
bool ListBox::HitTest(int32_t, int32_t) { return false; }
void OptionsBox::Build(float, float, const char*) {}
bool OptionsBox::HitTest(int32_t, int32_t) { return false; }
void Tab::Build() {}
bool Tab::HitTest(int32_t, int32_t) { return false; }
void SLWindow::Build(float, float, float, int32_t, const char*, const char* const*, const SliderRow*) {}
bool SLWindow::Press(int32_t, int32_t) { return false; }
bool SLWindow::Drag(int32_t, int32_t) { return false; }
void TSelector::Build(float, const char*, int32_t) {}
bool TSelector::HitTest(int32_t, int32_t) { return false; }
}  // namespace tessalume
