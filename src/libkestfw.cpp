// Gives the shared library a translation unit of its own; everything else arrives from the
// subsystem archives.
extern "C" __attribute__((visibility("default"))) const char* kestfw_build_string(void) { return "KESTFW 0.3"; }
