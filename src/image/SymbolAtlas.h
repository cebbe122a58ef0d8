// The symbol atlas: one texture of the built-in constraint and hot-spot
// symbols, shared by every preloaded billboard of the process. It lives in
// the default pool on the device that made it, so it is let go whenever
// device objects are released and made again at the next draw, also each
// time billboards are drawn on another device.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/d3d9/d3d9.h"

namespace pelmora {

class SymbolAtlas {
public:
    // The process's one atlas.
    static SymbolAtlas& shared();

    // S_OK at once when the atlas exists (on whatever device); otherwise
    // makes it on this device from the library's bitmap resource and returns
    // how that went, a failure logged. The caller decides about devices.
    HRESULT load(IDirect3DDevice9* device);
    // Lets the texture go; the next load makes it again.
    void release();
    // Lets it go only when it was made on this device, which is going away.
    void releaseIfMadeOn(IDirect3DDevice9* device);

    // Null until loaded.
    IDirect3DTexture9* texture() const { return texture_.get(); }
    bool madeOn(IDirect3DDevice9* device) const;
    // Atlases made so far in this process (tests watch re-creation with it).
    int loadCount() const { return loads_; }

private:
    SymbolAtlas() = default;

    ComPtr<IDirect3DTexture9> texture_;
    int loads_ = 0;
};

}  // namespace pelmora
