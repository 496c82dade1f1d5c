// Placeholder until the colour map generators land.
#include "files/files.h"

namespace tessalume {
ColorMapChannels ColorMap;
void RandomColorMap() {}
void GenerateRandomColorMap() {}
void GenerateHsvColorMap() {}
void GenerateKeyPointColorMap() {}
float InterpolateSegment(float, const float*, int) { return 0; }
}  // namespace tessalume
