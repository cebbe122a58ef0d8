#include "scene/MergedLines.h"

#include "core/Diagnostics.h"
#include "meshops/LineRuns.h"
#include "platform/d3dx/D3DXStateSaver.h"

#include <algorithm>
#include <cstring>

namespace pelmora {

namespace {

// The states a line drawn in the walk would have met that the merged draw,
// at the walk's end, must meet too.
constexpr std::array<D3DRENDERSTATETYPE, 5> kWalkStates = {D3DRS_ZENABLE, D3DRS_ZWRITEENABLE, D3DRS_ZFUNC,
                                                          D3DRS_COLORWRITEENABLE, D3DRS_FILLMODE};

LineVertex toWorld(float x, float y, float z, const D3DMATRIX& m, D3DCOLOR colour) {
    return {x * m._11 + y * m._21 + z * m._31 + m._41, x * m._12 + y * m._22 + z * m._32 + m._42,
            x * m._13 + y * m._23 + z * m._33 + m._43, colour};
}

}  // namespace

D3DMATRIX pulledNearer(const D3DMATRIX& projection, float pull) {
    D3DMATRIX pulled = projection;
    for (int row = 0; row < 4; ++row) pulled.m[row][2] -= pull * projection.m[row][3];
    return pulled;
}

bool MergedLines::Piece::same(const Piece& other) const {
    return stamp != 0 && stamp == other.stamp && colour == other.colour &&
           std::memcmp(&world, &other.world, sizeof world) == 0;
}

MergedLines::StateValues MergedLines::readStates(IDirect3DDevice9* device) {
    StateValues values{};
    for (size_t i = 0; i < kWalkStates.size(); ++i) device->GetRenderState(kWalkStates[i], &values[i]);
    return values;
}

void MergedLines::begin(IDirect3DDevice9* device) {
    collecting_ = true;
    states_ = readStates(device);
    matched_ = 0;
    diverged_ = false;
}

bool MergedLines::accepts(IDirect3DDevice9* device) const {
    return collecting_ && readStates(device) == states_;
}

void MergedLines::add(const SolidGeometry& geometry, const D3DMATRIX& world, D3DCOLOR colour) {
    const Piece piece{geometry.stamp, world, colour, 0};
    if (!diverged_ && matched_ < pieces_.size() && pieces_[matched_].same(piece)) {
        ++matched_;
        return;
    }
    if (!diverged_) diverge();
    const uint32_t available = heldVertices(geometry);
    forEachPolyline(geometry.faces.data(), geometry.faces.size(), available,
                    [&](const uint32_t* indices, size_t count) {
                        for (size_t k = 0; k + 1 < count; ++k) {
                            const MeshVertex& a = geometry.vertices[indices[k]];
                            const MeshVertex& b = geometry.vertices[indices[k + 1]];
                            append({a.x, a.y, a.z}, {b.x, b.y, b.z}, world, colour);
                        }
                    });
    finishPiece(piece);
}

void MergedLines::addSegments(std::span<const D3DXVECTOR3> pairs, const D3DMATRIX& world, D3DCOLOR colour) {
    if (!diverged_) diverge();
    for (size_t i = 0; i + 1 < pairs.size(); i += 2) append(pairs[i], pairs[i + 1], world, colour);
    finishPiece({0, world, colour, 0});
}

void MergedLines::append(const D3DXVECTOR3& a, const D3DXVECTOR3& b, const D3DMATRIX& world, D3DCOLOR colour) {
    points_.push_back(toWorld(a.x, a.y, a.z, world, colour));
    points_.push_back(toWorld(b.x, b.y, b.z, world, colour));
}

void MergedLines::finishPiece(Piece piece) {
    piece.end = points_.size();
    pieces_.push_back(piece);
}

void MergedLines::diverge() {
    diverged_ = true;
    uploaded_ = false;
    pieces_.resize(matched_);
    points_.resize(pieces_.empty() ? 0 : pieces_.back().end);
}

HRESULT MergedLines::upload(IDirect3DDevice9* device) {
    const UINT count = UINT(points_.size());
    if (!buffer_ || bufferDevice_ != device || capacity_ < count) {
        buffer_.reset();
        bufferDevice_ = nullptr;
        // Room to grow, so a scene gaining a few bodies keeps its buffer.
        const UINT capacity = count + count / 4;
        PELMORA_RETURN_IF_FAILED(device->CreateVertexBuffer(capacity * sizeof(LineVertex),
                                                            D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, kLineVertexFvf,
                                                            D3DPOOL_DEFAULT, buffer_.put(), nullptr));
        bufferDevice_ = device;
        capacity_ = capacity;
    }
    void* target = nullptr;
    PELMORA_RETURN_IF_FAILED(buffer_->Lock(0, count * sizeof(LineVertex), &target, D3DLOCK_DISCARD));
    std::memcpy(target, points_.data(), count * sizeof(LineVertex));
    PELMORA_RETURN_IF_FAILED(buffer_->Unlock());
    uploaded_ = true;
    ++uploads_;
    return S_OK;
}

void MergedLines::closeQueue() {
    collecting_ = false;
    // A queue that stopped short of the last one's pieces keeps what matched.
    if (!diverged_ && matched_ != pieces_.size()) diverge();
}

HRESULT MergedLines::draw(IDirect3DDevice9* device) {
    closeQueue();
    if (points_.empty()) return S_OK;
    if (!uploaded_ || bufferDevice_ != device) {
        const HRESULT made = upload(device);
        if (FAILED(made)) {
            releaseDeviceObjects();
            return PELMORA_TRACE_FAILED(made);
        }
    }
    d3dx::D3DXStateSaver saver(device);
    saver.setRenderState(D3DRS_LIGHTING, FALSE);
    // One colour a segment, and opaque: nothing to interpolate or blend.
    saver.setRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    saver.setRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    saver.setFVF(kLineVertexFvf);
    D3DMATRIX world{}, projection{};
    device->GetTransform(D3DTS_WORLD, &world);
    device->GetTransform(D3DTS_PROJECTION, &projection);
    const D3DMATRIX pulled = pulledNearer(projection, depthPull_);
    D3DXMATRIX flat;
    D3DXMatrixIdentity(&flat);
    device->SetTransform(D3DTS_WORLD, &flat);
    device->SetTransform(D3DTS_PROJECTION, &pulled);
    HRESULT status = device->SetStreamSource(0, buffer_.get(), 0, sizeof(LineVertex));
    if (SUCCEEDED(status)) status = device->DrawPrimitive(D3DPT_LINELIST, 0, UINT(points_.size() / 2));
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetTransform(D3DTS_WORLD, &world);
    return FAILED(status) ? PELMORA_TRACE_FAILED(status) : S_OK;
}

void MergedLines::abandon() { closeQueue(); }

void MergedLines::releaseDeviceObjects() {
    buffer_.reset();
    bufferDevice_ = nullptr;
    capacity_ = 0;
    uploaded_ = false;
}

}  // namespace pelmora
