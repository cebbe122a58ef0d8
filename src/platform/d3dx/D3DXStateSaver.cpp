#include "platform/d3dx/D3DXStateSaver.h"

#include <algorithm>

namespace pelmora::d3dx {

bool D3DXStateSaver::saved(Saved::Kind kind, DWORD stage, DWORD type) const {
    return std::any_of(values_.begin(), values_.end(), [&](const Saved& s) {
        return s.kind == kind && s.stage == stage && s.type == type;
    });
}

void D3DXStateSaver::setRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (!saved(Saved::Kind::RenderState, 0, state)) {
        DWORD old = 0;
        if (SUCCEEDED(device_->GetRenderState(state, &old)))
            values_.push_back({Saved::Kind::RenderState, 0, state, old});
    }
    device_->SetRenderState(state, value);
}

void D3DXStateSaver::setTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (!saved(Saved::Kind::StageState, stage, type)) {
        DWORD old = 0;
        if (SUCCEEDED(device_->GetTextureStageState(stage, type, &old)))
            values_.push_back({Saved::Kind::StageState, stage, type, old});
    }
    device_->SetTextureStageState(stage, type, value);
}

void D3DXStateSaver::setSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    if (!saved(Saved::Kind::SamplerState, sampler, type)) {
        DWORD old = 0;
        if (SUCCEEDED(device_->GetSamplerState(sampler, type, &old)))
            values_.push_back({Saved::Kind::SamplerState, sampler, type, old});
    }
    device_->SetSamplerState(sampler, type, value);
}

void D3DXStateSaver::setTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    const bool known = std::any_of(textures_.begin(), textures_.end(),
                                   [&](const SavedTexture& t) { return t.stage == stage; });
    if (!known) {
        SavedTexture old{stage, {}};
        if (SUCCEEDED(device_->GetTexture(stage, old.texture.put())))
            textures_.push_back(std::move(old));
    }
    device_->SetTexture(stage, texture);
}

void D3DXStateSaver::setFVF(DWORD fvf) {
    if (!fvfSaved_) fvfSaved_ = SUCCEEDED(device_->GetFVF(&fvf_));
    device_->SetFVF(fvf);
}

void D3DXStateSaver::restore() {
    // Newest first, so a state changed twice ends at its first saved value.
    for (auto it = values_.rbegin(); it != values_.rend(); ++it) {
        switch (it->kind) {
            case Saved::Kind::RenderState:
                device_->SetRenderState(D3DRENDERSTATETYPE(it->type), it->value);
                break;
            case Saved::Kind::StageState:
                device_->SetTextureStageState(it->stage, D3DTEXTURESTAGESTATETYPE(it->type), it->value);
                break;
            case Saved::Kind::SamplerState:
                device_->SetSamplerState(it->stage, D3DSAMPLERSTATETYPE(it->type), it->value);
                break;
        }
    }
    for (SavedTexture& t : textures_) device_->SetTexture(t.stage, t.texture.get());
    if (fvfSaved_) device_->SetFVF(fvf_);
    values_.clear();
    textures_.clear();
    fvfSaved_ = false;
}

void setScreenSpaceColourStates(D3DXStateSaver& saver, DWORD fvf) {
    saver.setFVF(fvf);
    saver.setTexture(0, nullptr);
    saver.setTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    saver.setTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    saver.setTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    saver.setTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    saver.setRenderState(D3DRS_LIGHTING, FALSE);
    saver.setRenderState(D3DRS_FOGENABLE, FALSE);
    saver.setRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    saver.setRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    saver.setRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    saver.setRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

}  // namespace pelmora::d3dx
