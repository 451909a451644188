// Widget tests load the system's font and window libraries, which keep
// allocations until the process ends; the leak report at exit would only list
// those.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }
