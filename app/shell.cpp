#include "app/shell.h"

namespace tessalume {

int32_t lastIntensityChoice = 1;

}  // namespace tessalume
