// Host-side pieces for mesh tests: a facet factory that tessellates on request
// and counts what it is asked, and the arrays newSolidMesh takes.
#pragma once

#include <pelmora/host.h>

#include "support/TransformArrays.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pelmora::test {

// What the action writes to standard output (where facet warnings go).
inline std::string captured(const std::function<void()>& action) {
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
}

// Points along x = 0, 1, 2, ... zig-zagging in y, so no two are alike.
inline std::vector<float> pointRow(int count) {
    std::vector<float> values;
    for (int i = 0; i < count; ++i) values.insert(values.end(), {float(i), float(i % 2), 0.0f});
    return values;
}

struct TestFacets final : public FacetSource {
    std::vector<int> faces;
    std::vector<FacetVertex> points;
    bool twoSided = false;
    // What a careless host might say instead of the truth about its arrays.
    std::optional<int> statedFaceListLength, statedVertexCount;
    bool nullFaceList = false, nullVertices = false;

    int faceListLength() const override { return statedFaceListLength.value_or(int(faces.size())); }
    const int* faceList() const override { return nullFaceList ? nullptr : faces.data(); }
    int vertexCount() const override { return statedVertexCount.value_or(int(points.size())); }
    const FacetVertex* vertices() const override { return nullVertices ? nullptr : points.data(); }
    bool doubleSided() const override { return twoSided; }
};

// An axis-aligned square of half-size `half` in the plane z, front side
// towards +z (counter-clockwise seen from there), normals along `normalZ`.
inline std::unique_ptr<TestFacets> squareFacets(float half, float z = 0.0f, float normalZ = 1.0f,
                                                bool facingPlusZ = true) {
    auto facets = std::make_unique<TestFacets>();
    const float corners[4][2] = {{-half, -half}, {half, -half}, {half, half}, {-half, half}};
    for (const auto& c : corners) facets->points.push_back({c[0], c[1], z, 0, 0, normalZ, 0, 0});
    facets->faces = facingPlusZ ? std::vector<int>{3, 0, 1, 2, 3, 0, 2, 3, 0}
                                : std::vector<int>{3, 0, 2, 1, 3, 0, 3, 2, 0};
    return facets;
}

// Hands out what `make` builds for each request's deviation (nothing when it
// returns null, or when failWith is set) and records every request.
class TestFacetFactory final : public FacetFactory {
public:
    using Maker = std::function<std::unique_ptr<TestFacets>(double deviation)>;

    explicit TestFacetFactory(Maker maker) : make(std::move(maker)) {
        handle = PelmoraRegisterFacetFactory(this);
    }
    ~TestFacetFactory() { PelmoraUnregisterFacetFactory(handle); }

    HRESULT getFacets(int hostMesh, double deviation, int manual, FacetSource** source) override {
        requests.push_back({hostMesh, deviation, manual});
        if (FAILED(failWith)) return failWith;
        std::unique_ptr<TestFacets> facets = make ? make(deviation) : nullptr;
        if (facets) ++outstanding;
        *source = facets.release();
        return S_OK;
    }
    void releaseFacets(FacetSource* source) override {
        delete static_cast<TestFacets*>(source);
        --outstanding;
    }

    struct Request {
        int hostMesh;
        double deviation;
        int manual;
    };

    Maker make;
    HRESULT failWith = S_OK;
    std::vector<Request> requests;
    int outstanding = 0;  // sources handed out and not yet released
    int handle = 0;
};

template <class T>
SafeArrayPtr makeVector(VARTYPE type, const std::vector<T>& values) {
    SafeArrayPtr array(SafeArrayCreateVector(type, 0, ULONG(values.size())));
    void* data = nullptr;
    if (array && SUCCEEDED(SafeArrayAccessData(array.get(), &data))) {
        if (!values.empty()) std::memcpy(data, values.data(), values.size() * sizeof(T));
        SafeArrayUnaccessData(array.get());
    }
    return array;
}

// The three arrays of newSolidMesh, kept alive for the call.
struct SolidArrays {
    SafeArrayPtr vertices;
    SafeArrayPtr normals;
    SafeArrayPtr faces;

    SolidArrays(const std::vector<float>& v, const std::vector<float>& n, const std::vector<int>& f)
        : vertices(makeVector(VT_R4, v)),
          normals(makeVector(VT_R4, n)),
          faces(makeVector(VT_I4, f)) {}

    SAFEARRAY* vertexArray = nullptr;
    SAFEARRAY* normalArray = nullptr;
    SAFEARRAY* faceArray = nullptr;
    // The three as the interface takes them.
    SAFEARRAY** v() { return &(vertexArray = vertices.get()); }
    SAFEARRAY** n() { return &(normalArray = normals.get()); }
    SAFEARRAY** f() { return &(faceArray = faces.get()); }
};

// newSolidMesh's face entry for triangle (a, b, c): the count and three pairs.
inline void addArrayTriangle(std::vector<int>& faces, int a, int b, int c) {
    faces.insert(faces.end(), {3, a, 0, b, 0, c, 0});
}

}  // namespace pelmora::test

