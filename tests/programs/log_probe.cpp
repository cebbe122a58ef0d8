// Loads the library (so its start-up decides about the log file) and logs
// each command-line argument as one message.
#include <pelmora/host.h>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        PelmoraLogMessage(argv[i]);
    return 0;
}
