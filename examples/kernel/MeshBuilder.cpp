#include "MeshBuilder.h"

namespace samplekernel {

namespace {

constexpr int kTriangleVertexCount = 3;

}  // namespace

int MeshBuilder::addVertex(Vec3 position, Vec3 normal) {
    vertices_.push_back({static_cast<float>(position.x), static_cast<float>(position.y),
                         static_cast<float>(position.z), static_cast<float>(normal.x),
                         static_cast<float>(normal.y), static_cast<float>(normal.z), 0.0f, 0.0f});
    return static_cast<int>(vertices_.size() - 1);
}

void MeshBuilder::addTriangle(int a, int b, int c) {
    faces_.insert(faces_.end(), {kTriangleVertexCount, a, b, c});
}

void MeshBuilder::addQuad(int a, int b, int c, int d) {
    addTriangle(a, b, c);
    addTriangle(a, c, d);
}

void MeshBuilder::addFlatQuad(Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec3 normal) {
    addQuad(addVertex(a, normal), addVertex(b, normal), addVertex(c, normal),
            addVertex(d, normal));
}

FacetMesh MeshBuilder::build() {
    FacetMesh mesh;
    mesh.vertices = std::move(vertices_);
    mesh.faceList = std::move(faces_);
    mesh.faceList.push_back(0);
    vertices_.clear();
    faces_.clear();
    return mesh;
}

}  // namespace samplekernel
