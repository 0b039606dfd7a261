// Qt 5.15's offscreen platform never frees the screen and the cursor it makes when the
// application starts. Every interface suite links these sanitizer defaults (see
// tests/CMakeLists.txt) so that the leak report leaves them out; unwinding through Qt's frames,
// which the fast unwinder cannot do, is what lets the report see where they came from. Options
// set in the environment still win.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:QGuiApplicationPrivate::createPlatformIntegration\n";
}

extern "C" const char *__asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}
