// A loadable library that is no driver module: it exports a function, but not the driver entry point.
extern "C" __attribute__((visibility("default"))) int NotADriver() {
    return 0;
}
