#include "app/platform/platform.h"

namespace tessalume {
namespace {
Platform* installedPlatform = nullptr;
}

Platform& CurrentPlatform() { return *installedPlatform; }
void InstallPlatform(Platform* platform) { installedPlatform = platform; }

}  // namespace tessalume
