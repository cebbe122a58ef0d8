// Operations whose subsystems (billboards, decals) are not part of this
// build yet: each says so in the log and returns E_NOTIMPL, touching none of
// its arguments.
#include "host/DXContext.h"
#include "core/GuardedCall.h"

namespace pelmora {

namespace {

HRESULT notAvailable(const char* operation, const char* sourceFile, int line) {
    return interfaceCall(sourceFile, line, [&]() -> HRESULT {
        logFormat("Pelmora: %s is not available in this build yet\n", operation);
        return E_NOTIMPL;
    });
}

}  // namespace

#define PELMORA_NOT_AVAILABLE notAvailable(__func__, PELMORA_SOURCE_FILE, __LINE__)

HRESULT DXContext::newPreloadedBillboard(PreloadedTextureIDs, int, int, int*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::newBillboard(int, int, int, int*) { return PELMORA_NOT_AVAILABLE; }

HRESULT DXContext::newDecal(int, double, double, double, double, int*) { return PELMORA_NOT_AVAILABLE; }


}  // namespace pelmora
