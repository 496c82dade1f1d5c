#include "resources/resources.h"

namespace tessalume {

BitmapResource FindBitmapResource(int32_t) { return {}; }

}  // namespace tessalume
