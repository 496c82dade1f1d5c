// Leak checks in the address-sanitized build, for this test process alone. These tests draw
// with OpenGL in this process, and SDL unloads the OpenGL library with its driver when the
// window closes: the few blocks the driver keeps then outlive it with stacks that can no longer
// be named, so no suppression can tell them from ours. The window program that the tests start
// is still checked at its exit, like the renderer and every other test.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options()
{
    return "detect_leaks=0";
}
