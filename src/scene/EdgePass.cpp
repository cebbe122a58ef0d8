#include "scene/EdgePass.h"

#include "platform/d3d9/EngineExtensions.h"
#include "core/Diagnostics.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace pelmora {

namespace {

DWORD floatBits(float value) {
    DWORD bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Sets the edges' states for its lifetime and puts back what was there.
class EdgeStates {
public:
    explicit EdgeStates(IDirect3DDevice9* device) : device_(device) {
        for (auto& [state, value] : saved_) device_->GetRenderState(state, &value);
        device_->SetRenderState(D3DRS_LIGHTING, FALSE);
        device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    }
    ~EdgeStates() {
        for (const auto& [state, value] : saved_) device_->SetRenderState(state, value);
    }
    EdgeStates(const EdgeStates&) = delete;
    EdgeStates& operator=(const EdgeStates&) = delete;

    void width(int pixels) {
        const DWORD bits = floatBits(float(std::max(pixels, 1)));
        if (bits == width_) return;
        width_ = bits;
        device_->SetRenderState(D3DRS_SILHOUETTEWIDTH, bits);
    }

private:
    IDirect3DDevice9* device_;
    std::pair<D3DRENDERSTATETYPE, DWORD> saved_[4] = {
        {D3DRS_LIGHTING, 0}, {D3DRS_CULLMODE, 0}, {D3DRS_SILHOUETTEWIDTH, 0}, {D3DRS_SILHOUETTESHOW, 0}};
    DWORD width_ = 0;
};

}  // namespace

HRESULT drawEdgeRequests(IDirect3DDevice9* device, std::span<const EdgeRequest> requests,
                         MergedLines* outlines) {
    HRESULT status = S_OK;
    for (const EdgeRequest& request : requests)
        if ((request.attributes.drawFlags & SOLID_MESH_DRAW_HIDDEN) != 0) {
            const HRESULT hr = request.source->drawHiddenEdges(device, request);
            if (SUCCEEDED(status)) status = hr;
        }
    EdgeStates states(device);
    for (const EdgeSource::Part part : {EdgeSource::Part::Borders, EdgeSource::Part::Silhouettes})
        for (const EdgeRequest& request : requests) {
            states.width(request.attributes.visibleWidth);
            const HRESULT hr = request.source->drawVisibleEdges(device, request, part, outlines);
            if (SUCCEEDED(status)) status = hr;
        }
    if (outlines != nullptr) {
        const HRESULT hr = outlines->draw(device);
        if (SUCCEEDED(status)) status = hr;
    }
    return status;
}

void EdgePass::begin(IDirect3DDevice9* device) {
    requests_.clear();
    collecting_ = true;
    lines_.begin(device);
    outlines_.begin(device);
}

HRESULT EdgePass::draw(IDirect3DDevice9* device) {
    collecting_ = false;
    // Taken out first: nothing drawn here can queue more.
    std::vector<EdgeRequest> requests;
    requests.swap(requests_);
    const HRESULT lines = lines_.draw(device);
    HRESULT status = drawEdgeRequests(device, requests, &outlines_);
    if (SUCCEEDED(status)) status = lines;
    requests.clear();
    requests_.swap(requests);  // keeps the capacity for the next frame
    return FAILED(status) ? PELMORA_TRACE_FAILED(status) : S_OK;
}

void EdgePass::abandon() {
    collecting_ = false;
    requests_.clear();
    lines_.abandon();
    outlines_.abandon();
}

}  // namespace pelmora
