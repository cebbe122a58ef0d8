#include "core/ProcessState.h"

namespace pelmora {

ProcessState& processState() {
    static ProcessState* state = new ProcessState();
    return *state;
}

}  // namespace pelmora
