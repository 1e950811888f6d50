// Font configuration keeps caches for the life of the process; they are not the program's
// leaks. The one Gui application of a test executable is never destroyed either.

extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
