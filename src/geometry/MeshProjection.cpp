#include "geometry/MeshProjection.h"

#include "geometry/DXMesh.h"
#include "geometry/LineRuns.h"
#include "view/SegmentClipping.h"

namespace pelmora {

namespace {

constexpr unsigned kLeft = 0x1;
constexpr unsigned kRight = 0x2;
constexpr unsigned kAbove = 0x4;
constexpr unsigned kBelow = 0x8;
constexpr unsigned kNear = 0x10;
constexpr unsigned kFar = 0x20;

D3DXVECTOR3 transformPoint(const MeshVertex& vertex, const D3DXMATRIX& m) {
    const D3DXVECTOR3 position(vertex.x, vertex.y, vertex.z);
    D3DXVECTOR3 out;
    return *D3DXVec3TransformCoord(&out, &position, &m);
}

void copyList(const MeshData& mesh, ProjectedMesh* projected) {
    if (mesh.list == nullptr) return;
    projected->list.assign(mesh.list, mesh.list + mesh.listLength);
}

// Every vertex lies inside: map the normalised coordinates straight onto the
// device viewport, whose centre is taken in whole pixels.
void mapInside(const std::vector<D3DXVECTOR4>& clip, const D3DVIEWPORT9& rect,
               ProjectedMesh* projected) {
    const float width = float(rect.Width);
    const float height = float(rect.Height);
    const float centreX = float(rect.X + rect.Width / 2);
    const float centreY = float(rect.Y + rect.Height / 2);
    projected->points.reserve(2 * clip.size());
    for (const D3DXVECTOR4& c : clip) {
        projected->points.push_back(width * (c.x / c.w) * 0.5f + centreX);
        projected->points.push_back(centreY - height * (c.y / c.w) * 0.5f);
    }
}

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
    const float x = clip.x / clip.w;
    const float y = clip.y / clip.w;
    const float z = clip.z / clip.w;
    unsigned code = 0;
    if (x < -1.0f) code |= kLeft;
    if (x > 1.0f) code |= kRight;
    if (y < -1.0f) code |= kBelow;
    if (y > 1.0f) code |= kAbove;
    if (z < 0.0f) code |= kNear;
    if (z > 1.0f) code |= kFar;
    return code;
}

bool rejectedByOutcodes(const unsigned* codes, size_t count) {
    bool accepted = false;
    bool rejected = false;
    unsigned seen = 0;
    for (size_t i = 0; i < count; ++i) {
        const unsigned code = codes[i];
        if (!accepted && code == 0) {
            accepted = true;
            rejected = false;
        } else if (!accepted && i > 0) {
            rejected = (code & ~seen) == 0;
            accepted = !rejected;
        }
        seen |= code;
    }
    return rejected;
}

void projectForPrint(const MeshData& mesh, const D3DXMATRIX& t, const PrintLayout& layout,
                     ProjectedMesh* projected) {
    *projected = ProjectedMesh{};
    if (mesh.vertices == nullptr) return;
    projected->points.reserve(2 * size_t(mesh.vertexCount));
    for (uint32_t i = 0; i < mesh.vertexCount; ++i) {
        const MeshVertex& v = mesh.vertices[i];
        const float x = t._11 * v.x + t._21 * v.y + t._31 * v.z + t._41;
        const float y = t._12 * v.x + t._22 * v.y + t._32 * v.z + t._42;
        projected->points.push_back(float((x - layout.offsetX) * layout.scale));
        projected->points.push_back(float((layout.height - y + layout.offsetY) * layout.scale));
    }
    copyList(mesh, projected);
}

void projectForScreen(const MeshData& mesh, const D3DXMATRIX& transform, const ScreenView& view,
                      ProjectedMesh* projected) {
    *projected = ProjectedMesh{};
    if (mesh.vertices == nullptr || mesh.vertexCount == 0) return;
    std::vector<D3DXVECTOR3> world(mesh.vertexCount);
    std::vector<D3DXVECTOR4> clip(mesh.vertexCount);
    std::vector<unsigned> codes(mesh.vertexCount);
    unsigned all = 0;
    for (uint32_t i = 0; i < mesh.vertexCount; ++i) {
        world[i] = transformPoint(mesh.vertices[i], transform);
        clip[i] = worldToClip(view.transforms, world[i]);
        codes[i] = clipOutcode(clip[i]);
        all |= codes[i];
    }
    if (rejectedByOutcodes(codes.data(), codes.size())) return;
    if (all == 0) {
        mapInside(clip, view.rect, projected);
        copyList(mesh, projected);
        return;
    }
    clipRuns(mesh, world, view.transforms, projected);
}

}  // namespace pelmora
