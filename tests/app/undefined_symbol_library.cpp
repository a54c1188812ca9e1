// A library the loader refuses when it binds every symbol at load time: its class-object
// entry calls a function that nothing defines.
extern "C" int ZemTestFunctionNobodyDefines();

extern "C" int DllGetClassObject() {
    return ZemTestFunctionNobodyDefines();
}
