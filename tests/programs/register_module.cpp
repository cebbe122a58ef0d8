// Registers the library the way an installer would, from a program that
// loads it: exits 0 when DllRegisterServer succeeds.
#include <pelmora/dxcontext.h>

int main() { return DllRegisterServer() == S_OK ? 0 : 1; }
