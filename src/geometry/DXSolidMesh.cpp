#include "geometry/DXSolidMesh.h"

#include "geometry/DXSolidMeshBuffers.h"
#include "geometry/RayPick.h"
#include "geometry/SolidFaces.h"
#include "core/Diagnostics.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace pelmora {

namespace {

constexpr MeshVertex kDefaultVertex{0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
// A box flatter than this has no inside to test against.
constexpr double kProxyVolumeEpsilon = 2.220446049250313e-16;
// Integers one triangle takes in a newSolidMesh face list: 3 and three pairs.
constexpr long kArrayTriangleLength = 7;

bool samePosition(const MeshVertex& a, const MeshVertex& b) {
    return std::fabs(double(a.x) - b.x) <= DBL_EPSILON &&
           std::fabs(double(a.y) - b.y) <= DBL_EPSILON &&
           std::fabs(double(a.z) - b.z) <= DBL_EPSILON;
}

bool isDegenerate(const SolidGeometry& geometry, const FaceRead& face) {
    const MeshVertex& a = geometry.vertices[face.index[0]];
    const MeshVertex& b = geometry.vertices[face.index[1]];
    const MeshVertex& c = geometry.vertices[face.index[2]];
    return samePosition(a, b) || samePosition(b, c) || samePosition(a, c);
}

bool indicesWithin(const FaceRead& face, long vertexCount) {
    for (int index : face.index)
        if (index < 0 || index >= vertexCount) return false;
    return true;
}

bool rayMayHit(const RayLine& ray, const BoxProxy* proxy) {
    if (proxy == nullptr || proxy->volume <= kProxyVolumeEpsilon) return true;
    const MeshData box{proxy->corners.data(), BoxProxy::kCornerCount, proxy->faces.data(),
                       BoxProxy::kFaceListLength};
    D3DXVECTOR3 unused;
    return pickFaceList(ray, box, &unused);
}

HRESULT invalidArrays(const char* why) {
    logFormat("newSolidMesh: %s\n", why);
    return PELMORA_TRACE_FAILED(E_INVALIDARG);
}

}  // namespace

DXSolidMesh::DXSolidMesh(bool doubleSided) : DXTextureMesh(0), doubleSided_(doubleSided) {}

DXSolidMesh::DXSolidMesh(const HostMeshBinding& binding)
    : DXTextureMesh(0, binding), doubleSided_(false) {}

// ---- From the host's arrays ----

HRESULT DXSolidMesh::validateArrays(const SolidMeshArrays& arrays) {
    if (arrays.vertexFloatCount < 0 || arrays.vertexFloatCount % 3 != 0)
        return invalidArrays("the vertex array does not hold whole points");
    if (arrays.normalFloatCount > 0 && arrays.normalFloatCount < arrays.vertexFloatCount)
        return invalidArrays("the normal array is shorter than the vertex array");
    const long vertexCount = arrays.vertexFloatCount / 3;
    bool inRange = true;
    const bool forward = walkArrayFaces(
        arrays.faces, arrays.faceIntCount,
        [&](const FaceRead& face) { inRange = inRange && indicesWithin(face, vertexCount); });
    if (!forward) return invalidArrays("a face has a negative vertex count");
    if (!inRange) return invalidArrays("a face index lies outside the vertex array");
    return S_OK;
}

void DXSolidMesh::buildFromArrays(const SolidMeshArrays& arrays) {
    dropBoxProxy();
    clearMesh(true);
    if (arrays.faceIntCount == 0) return;
    auto geometry = std::make_unique<SolidGeometry>();
    const uint32_t vertexCount = uint32_t(arrays.vertexFloatCount / 3);
    const long statedFaces = (arrays.faceIntCount - 1) / kArrayTriangleLength;
    const bool hasNormals = arrays.normals != nullptr && arrays.normalFloatCount > 0;

    BoxBounds bounds = BoxBounds::empty();
    geometry->vertexCount = vertexCount;
    geometry->vertices.assign(vertexCount, kDefaultVertex);
    for (uint32_t i = 0; i < vertexCount; ++i) {
        MeshVertex& vertex = geometry->vertices[i];
        const float* position = arrays.vertices + 3 * size_t(i);
        vertex.x = position[0];
        vertex.y = position[1];
        vertex.z = position[2];
        if (hasNormals) {
            const float* normal = arrays.normals + 3 * size_t(i);
            vertex.nx = normal[0];
            vertex.ny = normal[1];
            vertex.nz = normal[2];
        }
        bounds.add(vertex.x, vertex.y, vertex.z);
    }
    if (statedFaces > long(kProxyFaceThreshold)) setBoxProxy(std::make_unique<BoxProxy>(bounds));

    walkArrayFaces(arrays.faces, arrays.faceIntCount, [&](const FaceRead& face) {
        if (face.vertexCount != 3) reportTruncatedFacet(face.vertexCount);
        if (!isDegenerate(*geometry, face)) appendTriangle(*geometry, face);
    });
    finishFaceList(*geometry);
    adoptGeometry(std::move(geometry));
}

// ---- From a host facet set ----

const char* DXSolidMesh::facetFault(const FacetSource& source) const {
    if (const char* fault = DXTextureMesh::facetFault(source)) return fault;
    return facetListFault(source.faceList(), source.faceListLength());
}

HRESULT DXSolidMesh::setGeometryFromFacets(const FacetSource& source) {
    dropBoxProxy();
    doubleSided_ = (static_cast<unsigned>(source.doubleSided()) & 0xFFu) != 0;
    SolidGeometry& geometry = *editableGeometry();
    const int listLength = source.faceListLength();
    if (listLength < 5 || (listLength - 1) / kTriangleEntry == 0) return S_OK;

    const int sourceVertices = source.vertices() != nullptr ? std::max(source.vertexCount(), 0) : 0;
    int dropped = 0;
    walkFacetFaces(source.faceList(), listLength, [&](const FaceRead& face) {
        if (face.vertexCount != 3) reportTruncatedFacet(face.vertexCount);
        if (indicesWithin(face, sourceVertices))
            appendTriangle(geometry, face);
        else
            ++dropped;
    });
    finishFaceList(geometry);
    if (dropped > 0)
        logFormat("Pelmora: host facets named vertices outside 0..%d; %d face(s) dropped\n",
                  sourceVertices - 1, dropped);

    const auto* vertices = reinterpret_cast<const MeshVertex*>(source.vertices());
    geometry.vertexCount = uint32_t(sourceVertices);
    geometry.vertices.assign(vertices, vertices + sourceVertices);
    if (geometry.count > kProxyFaceThreshold) {
        BoxBounds bounds = BoxBounds::empty();
        for (const MeshVertex& vertex : geometry.vertices) bounds.add(vertex.x, vertex.y, vertex.z);
        setBoxProxy(std::make_unique<BoxProxy>(bounds));
    }
    return S_OK;
}

// ---- Picking ----

HRESULT DXSolidMesh::pickMesh(DXViewport* viewport, const PickRequest& request,
                              PickResult* result) {
    *result = PickResult{};
    refine(viewport, false);
    const SolidGeometry* current = geometry();
    if (current == nullptr || current->count == 0) return S_OK;
    const RayLine ray{request.origin, request.direction};
    if (!rayMayHit(ray, boxProxy())) return S_OK;
    const MeshData faces{current->vertices.data(), uint32_t(current->vertices.size()),
                         current->faces.data(), uint32_t(current->faces.size())};
    result->hit = pickFaceList(ray, faces, &result->point);
    return S_OK;
}

// ---- Drawing ----

std::unique_ptr<MeshBatch> DXSolidMesh::createDeviceBuffers(IDirect3DDevice9* device,
                                                            const D3DMATRIX*, D3DMATERIAL9*,
                                                            const RenderAttributes&) {
    return makeSolidBatch(device, geometry(), doubleSided_);
}

HRESULT DXSolidMesh::setMeshSimplificationLevel(int level, IDirect3DDevice9* device) {
    if (level == simplificationLevel_) return S_OK;
    simplificationLevel_ = level;
    // The level is recorded; drawing does not depend on it yet. The mesh
    // object a simplifier would work on is made and dropped, which shows the
    // geometry fits one.
    if (level > 0) makeSolidMeshObject(device, geometry(), doubleSided_);
    return S_OK;
}

}  // namespace pelmora
