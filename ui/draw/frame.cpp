#include "ui/draw/draw.h"

namespace tessalume {

bool aboutShown = false;

}  // namespace tessalume
