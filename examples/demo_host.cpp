#include <pelmora/pelmora.h>
int main() { return 0; }
