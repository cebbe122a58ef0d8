#include "meshops/MeshProjection.h"

#include "meshops/LineRuns.h"
#include "math/SegmentClipping.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pelmora {

namespace {

constexpr unsigned kLeft = 0x1;
constexpr unsigned kRight = 0x2;
constexpr unsigned kAbove = 0x4;
constexpr unsigned kBelow = 0x8;
constexpr unsigned kNear = 0x10;
constexpr unsigned kFar = 0x20;

D3DXVECTOR3 transformPoint(const D3DXVECTOR3& position, const D3DXMATRIX& m) {
    D3DXVECTOR3 out;
    return *D3DXVec3TransformCoord(&out, &position, &m);
}

// A row vector (x, y, z, 1) times m, term for term as the D3DX helpers do it.
inline D3DXVECTOR4 timesMatrix(float x, float y, float z, const D3DMATRIX& m) {
    return D3DXVECTOR4{x * m._11 + y * m._21 + z * m._31 + 1.0f * m._41,
                       x * m._12 + y * m._22 + z * m._32 + 1.0f * m._42,
                       x * m._13 + y * m._23 + z * m._33 + 1.0f * m._43,
                       x * m._14 + y * m._24 + z * m._34 + 1.0f * m._44};
}

// timesMatrix, then divided by w: D3DXVec3TransformCoord.
inline D3DXVECTOR3 timesMatrixCoord(float x, float y, float z, const D3DMATRIX& m) {
    const D3DXVECTOR4 r = timesMatrix(x, y, z, m);
    return D3DXVECTOR3(r.x / r.w, r.y / r.w, r.z / r.w);
}

// Four floats in one register. A row vector times a matrix as four lanes at
// once: lane j is ((x m1j + y m2j) + z m3j) + m4j, the very operations, in
// the very order, of timesMatrix, so the results are the same to the bit.
using Lanes = float __attribute__((vector_size(16)));

struct MatrixRows {
    explicit MatrixRows(const D3DMATRIX& m)
        : row{{m._11, m._12, m._13, m._14},
              {m._21, m._22, m._23, m._24},
              {m._31, m._32, m._33, m._34},
              {m._41, m._42, m._43, m._44}} {}
    Lanes row[4];
};

[[gnu::always_inline]] inline Lanes timesRows(const Lanes& p, const MatrixRows& m) {
    const Lanes x = {p[0], p[0], p[0], p[0]};
    const Lanes y = {p[1], p[1], p[1], p[1]};
    const Lanes z = {p[2], p[2], p[2], p[2]};
    return x * m.row[0] + y * m.row[1] + z * m.row[2] + m.row[3];
}

bool isAffine(const D3DMATRIX& m) {
    return m._14 == 0.0f && m._24 == 0.0f && m._34 == 0.0f && m._44 == 1.0f;
}

// A vertex through the mesh transform to world space, then to clip space,
// with the very arithmetic of transformPoint and worldToClip, inlined (and
// four lanes at a time) so the per-vertex path of a big mesh makes no calls,
// and its points match the clipping path's to the bit. Host transforms, camera transforms and views
// are affine, so their divisions by w = 1 are left out; a vertex whose
// result is not finite (where w would not have been 1) goes the full way.
class ClipChain {
public:
    ClipChain(const D3DXMATRIX& transform, const ViewTransforms& t)
        : transform_(transform),
          t_(t),
          transformRows_(transform),
          cameraRows_(t.camera),
          viewRows_(t.view),
          projectionRows_(t.projection),
          affine_(isAffine(transform) && isAffine(t.camera) && isAffine(t.view)),
          orthographic_(affine_ && isAffine(t.projection)) {}

    // True when every clip point this chain makes through the affine path
    // has w = 1 exactly (an orthographic lens), so dividing by it changes nothing.
    bool orthographic() const { return orthographic_; }

    [[gnu::always_inline]] D3DXVECTOR4 operator()(const D3DXVECTOR3& v) const {
        if (affine_) {
            // w of the first three products is 1 exactly (affine) and unused.
            const Lanes world = timesRows(Lanes{v.x, v.y, v.z, 1.0f}, transformRows_);
            const Lanes camera = timesRows(world, cameraRows_);
            const Lanes eye = timesRows(camera, viewRows_);
            const Lanes clip = timesRows(eye, projectionRows_);
            if (std::isfinite(clip[3])) return D3DXVECTOR4{clip[0], clip[1], clip[2], clip[3]};
        }
        return full(v);
    }

private:
    [[gnu::noinline]] D3DXVECTOR4 full(const D3DXVECTOR3& v) const {
        const D3DXVECTOR3 world = timesMatrixCoord(v.x, v.y, v.z, transform_);
        const D3DXVECTOR3 camera = timesMatrixCoord(world.x, world.y, world.z, t_.camera);
        const D3DXVECTOR3 eye = timesMatrixCoord(camera.x, camera.y, camera.z, t_.view);
        return timesMatrix(eye.x, eye.y, eye.z, t_.projection);
    }

    // Copies: the points written as the chain runs are floats too, and
    // through references the compiler would reload every matrix per vertex.
    // The rows are the same matrices laid out for timesRows.
    const D3DXMATRIX transform_;
    const ViewTransforms t_;
    const MatrixRows transformRows_, cameraRows_, viewRows_, projectionRows_;
    bool affine_;
    bool orthographic_;
};

void borrowList(const MeshData& mesh, ProjectedMesh* projected) {
    if (mesh.list == nullptr || mesh.listLength == 0) return;
    projected->meshList = mesh.list;
    projected->meshListLength = mesh.listLength;
}

// Normalised coordinates onto the device viewport, whose centre is taken in
// whole pixels.
struct ViewportMapping {
    explicit ViewportMapping(const D3DVIEWPORT9& rect)
        : width(float(rect.Width)),
          height(float(rect.Height)),
          centreX(float(rect.X + rect.Width / 2)),
          centreY(float(rect.Y + rect.Height / 2)) {}
    // From normalised coordinates (clip x / w, y / w).
    float x(float normalisedX) const { return width * normalisedX * 0.5f + centreX; }
    float y(float normalisedY) const { return centreY - height * normalisedY * 0.5f; }

    float width, height, centreX, centreY;
};

// Collects visible segment pieces into count-prefixed runs of new points; a
// piece that starts exactly where the last one ended extends its run.
class RunWriter {
public:
    explicit RunWriter(ProjectedMesh* projected) : out_(*projected) {}

    void add(const ScreenSegment& piece) {
        if (!(open_ && piece.ax == lastX_ && piece.ay == lastY_)) {
            countAt_ = out_.list.size();
            out_.list.push_back(0);
            open_ = true;
            append(piece.ax, piece.ay);
        }
        append(piece.bx, piece.by);
        lastX_ = piece.bx;
        lastY_ = piece.by;
    }
    // Closes the list; nothing at all when no piece was visible.
    void finish() {
        if (open_) out_.list.push_back(0);
    }

private:
    void append(float x, float y) {
        out_.list.push_back(int32_t(out_.pointCount()));
        out_.points.push_back(x);
        out_.points.push_back(y);
        ++out_.list[countAt_];
    }

    ProjectedMesh& out_;
    size_t countAt_ = 0;
    bool open_ = false;
    float lastX_ = 0.0f;
    float lastY_ = 0.0f;
};

// Reads the list as runs (a count, then that many indices, until a count of
// 0 or less) and clips every segment between consecutive indices.
void clipRuns(const MeshData& mesh, const std::vector<D3DXVECTOR3>& world,
              const ViewTransforms& transforms, ProjectedMesh* projected) {
    RunWriter writer(projected);
    forEachPolyline(mesh.list, mesh.listLength, uint32_t(world.size()),
                    [&](const uint32_t* index, size_t count) {
                        for (size_t k = 0; k + 1 < count; ++k) {
                            ScreenSegment piece{};
                            if (clipSegment(transforms, world[index[k]], world[index[k + 1]],
                                            &piece) == S_OK)
                                writer.add(piece);
                        }
                    });
    writer.finish();
}

}  // namespace

unsigned clipOutcode(const D3DXVECTOR4& clip) {
    return normalisedOutcode(clip.x / clip.w, clip.y / clip.w, clip.z / clip.w);
}

unsigned normalisedOutcode(float x, float y, float z) {
    unsigned code = 0;
    if (x < -1.0f) code |= kLeft;
    if (x > 1.0f) code |= kRight;
    if (y < -1.0f) code |= kBelow;
    if (y > 1.0f) code |= kAbove;
    if (z < 0.0f) code |= kNear;
    if (z > 1.0f) code |= kFar;
    return code;
}

void OutcodeRun::add(unsigned code) {
    if (!accepted_ && code == 0) {
        accepted_ = true;
        rejected_ = false;
    } else if (!accepted_ && count_ > 0) {
        rejected_ = (code & ~seen_) == 0;
        accepted_ = !rejected_;
    }
    seen_ |= code;
    ++count_;
}

bool rejectedByOutcodes(const unsigned* codes, size_t count) {
    OutcodeRun run;
    for (size_t i = 0; i < count; ++i) run.add(codes[i]);
    return run.rejected();
}

void projectForPrint(const MeshData& mesh, const D3DXMATRIX& t, const PrintLayout& layout,
                     ProjectedMesh* projected) {
    *projected = ProjectedMesh{};
    if (mesh.vertices == nullptr) return;
    projected->points.reserve(2 * size_t(mesh.vertexCount));
    for (uint32_t i = 0; i < mesh.vertexCount; ++i) {
        const D3DXVECTOR3 v = mesh.vertices[i];
        const float x = t._11 * v.x + t._21 * v.y + t._31 * v.z + t._41;
        const float y = t._12 * v.x + t._22 * v.y + t._32 * v.z + t._42;
        projected->points.push_back(float((x - layout.offsetX) * layout.scale));
        projected->points.push_back(float((layout.height - y + layout.offsetY) * layout.scale));
    }
    borrowList(mesh, projected);
}

// The common case on its own: a mesh wholly inside an orthographic view,
// every matrix affine. Each vertex goes through the chain with the very
// operations of ClipChain (so w comes out 1 exactly), and its point is
// written; the loop has no branch or call, so the compiler can take several
// vertices at once. False, with the points to be made again the general
// way, when some vertex is outside, or its w is not 1 (not finite). The
// stride (floats from one position to the next) is a constant of each
// instance, for the same reason.
template <uint32_t kStride>
bool projectInsideOrthographic(const float* vertices, size_t count, const D3DXMATRIX& transform,
                               const ViewTransforms& view, const ViewportMapping& mapping,
                               float* out) {
    const D3DMATRIX t = transform;
    const D3DMATRIX k = view.camera, v = view.view, p = view.projection;
    const ViewportMapping map = mapping;  // a copy: the points written are floats too
    unsigned outside = 0;
    for (size_t i = 0; i < count; ++i) {
        const float* m = vertices + i * kStride;
        const float mx = m[0], my = m[1], mz = m[2];
        const float wx = mx * t._11 + my * t._21 + mz * t._31 + t._41;
        const float wy = mx * t._12 + my * t._22 + mz * t._32 + t._42;
        const float wz = mx * t._13 + my * t._23 + mz * t._33 + t._43;
        const float cx = wx * k._11 + wy * k._21 + wz * k._31 + k._41;
        const float cy = wx * k._12 + wy * k._22 + wz * k._32 + k._42;
        const float cz = wx * k._13 + wy * k._23 + wz * k._33 + k._43;
        const float ex = cx * v._11 + cy * v._21 + cz * v._31 + v._41;
        const float ey = cx * v._12 + cy * v._22 + cz * v._32 + v._42;
        const float ez = cx * v._13 + cy * v._23 + cz * v._33 + v._43;
        const float x = ex * p._11 + ey * p._21 + ez * p._31 + p._41;
        const float y = ex * p._12 + ey * p._22 + ez * p._32 + p._42;
        const float z = ex * p._13 + ey * p._23 + ez * p._33 + p._43;
        const float w = ex * p._14 + ey * p._24 + ez * p._34 + p._44;
        // The comparisons of normalisedOutcode, NaN included.
        outside |= unsigned(w != 1.0f) | unsigned(x < -1.0f) | unsigned(x > 1.0f) |
                   unsigned(y < -1.0f) | unsigned(y > 1.0f) | unsigned(z < 0.0f) | unsigned(z > 1.0f);
        out[2 * i] = map.x(x);
        out[2 * i + 1] = map.y(y);
    }
    return outside == 0;
}

// Whole vertices go through the loop as they are. The compiler takes no
// vertices at once at other strides (three floats, a solid's own positions),
// so those pass through a small block laid out four floats a vertex, which
// it does.
bool projectInsideOrthographic(const MeshData& mesh, const D3DXMATRIX& transform,
                               const ViewTransforms& view, const ViewportMapping& mapping,
                               float* out) {
    constexpr uint32_t kFull = VertexPositions::kFullStride, kPadded = 4;
    if (mesh.vertices.stride() == kFull)
        return projectInsideOrthographic<kFull>(mesh.vertices.at(0), mesh.vertexCount, transform, view, mapping, out);
    constexpr size_t kBlock = 256;
    float block[kBlock * kPadded] = {};
    for (size_t first = 0; first < mesh.vertexCount; first += kBlock) {
        const size_t count = std::min<size_t>(kBlock, mesh.vertexCount - first);
        for (size_t i = 0; i < count; ++i) std::memcpy(block + kPadded * i, mesh.vertices.at(first + i), 3 * sizeof(float));
        if (!projectInsideOrthographic<kPadded>(block, count, transform, view, mapping, out + 2 * first)) return false;
    }
    return true;
}

// The orthographic inside case first; otherwise one pass that still takes
// every vertex to be inside (a mesh in full perspective view): the points are
// written as it goes and kept only when that held. Nothing is stored per
// vertex but the points, and no call is made per vertex.
void projectForScreen(const MeshData& mesh, const D3DXMATRIX& transform, const ScreenView& view,
                      ProjectedMesh* projected) {
    projected->clear();
    if (mesh.vertices == nullptr || mesh.vertexCount == 0) return;
    const ViewportMapping mapping(view.rect);
    std::vector<float>& points = projected->points;
    points.resize(2 * size_t(mesh.vertexCount));
    float* out = points.data();
    const ClipChain toClip(transform, view.transforms);
    if (toClip.orthographic() &&
        projectInsideOrthographic(mesh, transform, view.transforms, mapping, out)) {
        borrowList(mesh, projected);
        return;
    }
    OutcodeRun run;
    unsigned all = 0;
    const bool orthographic = toClip.orthographic();
    const auto emit = [&](uint32_t i, float x, float y, float z) {
        const unsigned code = normalisedOutcode(x, y, z);
        run.add(code);
        all |= code;
        out[2 * size_t(i)] = mapping.x(x);
        out[2 * size_t(i) + 1] = mapping.y(y);
    };
    for (uint32_t i = 0; i < mesh.vertexCount; ++i) {
        const D3DXVECTOR4 clip = toClip(mesh.vertices[i]);
        // A clip point with w = 1 exactly (an orthographic lens) is its own
        // normalised point: the same outcode and pixel without the divisions.
        if (orthographic && clip.w == 1.0f)
            emit(i, clip.x, clip.y, clip.z);
        else
            emit(i, clip.x / clip.w, clip.y / clip.w, clip.z / clip.w);
    }
    if (all == 0) {
        borrowList(mesh, projected);
        return;
    }
    points.clear();
    if (run.rejected()) return;
    std::vector<D3DXVECTOR3> world(mesh.vertexCount);
    for (uint32_t i = 0; i < mesh.vertexCount; ++i)
        world[i] = transformPoint(mesh.vertices[i], transform);
    clipRuns(mesh, world, view.transforms, projected);
}

}  // namespace pelmora
