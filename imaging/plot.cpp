// Placeholder until the plot functions land.
#include "imaging/imaging.h"

namespace tessalume {
int32_t colorMappingIndex = 0;
double antialiasRadius = 1.75;
uint8_t QuiltImage[quiltImageBytes];
namespace {
void PlotNothing() {}
}  // namespace
void ClearAccumulators() {}
void SelectPlotFunction() { plotSlot = PlotNothing; }
}  // namespace tessalume
