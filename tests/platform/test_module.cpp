// Loaded by the library tests: one plain export.
extern "C" __attribute__((visibility("default"))) int ZemTestAdd(int a, int b) {
    return a + b;
}
