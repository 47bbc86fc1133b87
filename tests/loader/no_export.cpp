// A library that loads fine but serves no classes: it has no DllGetClassObject.
#include <windows.h>

extern "C" __declspec(dllexport) int NotAClassServer() { return 1; }
