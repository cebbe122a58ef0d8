// The entry point for clang's libFuzzer.
#include "FuzzSession.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pelmora::fuzz::FuzzSession::runInput(data, size, pelmora::fuzz::FuzzOptions{});
    return 0;
}
