// The entry point for clang's libFuzzer. PELMORA_FUZZ_AVOID=NAME,... (or
// "all") leaves out the argument shapes of known open defects.
#include "FuzzSession.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const pelmora::fuzz::KnownDefectSet avoid = [] {
        pelmora::fuzz::KnownDefectSet set;
        const char* value = std::getenv("PELMORA_FUZZ_AVOID");
        if (value && !pelmora::fuzz::KnownDefectSet::parse(value, &set)) {
            std::fprintf(stderr, "PELMORA_FUZZ_AVOID: names are %s\n", pelmora::fuzz::KnownDefectSet::names().c_str());
            std::exit(2);
        }
        return set;
    }();
    pelmora::fuzz::FuzzOptions options;
    options.avoid = avoid;
    pelmora::fuzz::FuzzSession::runInput(data, size, options);
    return 0;
}
