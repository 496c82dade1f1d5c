// Placeholder until the commands land: the quit question works, the mouse does nothing yet.
#include "app/shell.h"

namespace tessalume {

void HandleLeftButtonDown(int32_t, int32_t) {}
void HandleMouseMove(int32_t, int32_t) {}
void HandleLeftButtonUp() {}

void AskToQuit()
{
    Trace("dialog Do you want to Quit?");
    const bool yes = CurrentPlatform().AskYesNo("Do you want to Quit?", "Tessalume");
    Trace(yes ? "answer Yes" : "answer No");
    if (yes) PostQuit();
}

}  // namespace tessalume
