// Device state changed by a drawing service and put back afterwards. Each
// state remembers the value it had before its first change; restore() (or
// the destructor) sets those values again, so the caller's state is as it was.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/d3dx/d3dx9core.h"

#include <vector>

namespace pelmora::d3dx {

class D3DXStateSaver {
public:
    explicit D3DXStateSaver(IDirect3DDevice9* device) : device_(device) {}
    ~D3DXStateSaver() { restore(); }
    D3DXStateSaver(const D3DXStateSaver&) = delete;
    D3DXStateSaver& operator=(const D3DXStateSaver&) = delete;

    void setRenderState(D3DRENDERSTATETYPE state, DWORD value);
    void setTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
    void setSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value);
    void setTexture(DWORD stage, IDirect3DBaseTexture9* texture);
    void setFVF(DWORD fvf);

    // Sets every saved state back and forgets them.
    void restore();

private:
    struct Saved {
        enum class Kind { RenderState, StageState, SamplerState } kind;
        DWORD stage;
        DWORD type;
        DWORD value;
    };
    struct SavedTexture {
        DWORD stage;
        ComPtr<IDirect3DBaseTexture9> texture;
    };

    bool saved(Saved::Kind kind, DWORD stage, DWORD type) const;

    IDirect3DDevice9* device_;
    std::vector<Saved> values_;
    std::vector<SavedTexture> textures_;
    bool fvfSaved_ = false;
    DWORD fvf_ = 0;
};

// The states a screen-space draw of plain coloured triangles needs whatever
// the scene left: no texture, the vertex colour as it is, blending by its
// alpha, both windings, no fog.
void setScreenSpaceColourStates(D3DXStateSaver& saver, DWORD fvf);

}  // namespace pelmora::d3dx
