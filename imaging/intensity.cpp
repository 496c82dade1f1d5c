// Placeholder until the intensity functions land.
#include "imaging/imaging.h"

namespace tessalume {
double brightness = 5.0;
std::atomic<EngineFunction> intensitySlot{nullptr};
namespace {
void IntensityNothing() {}
}  // namespace
void SelectIntensityFunction() { intensitySlot.store(IntensityNothing); }
}  // namespace tessalume
