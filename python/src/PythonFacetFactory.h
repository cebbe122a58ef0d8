// A facet factory written in Python: callable(body, deviation) returns
// (vertices, normals, triangles) or (vertices, normals, triangles,
// polylines) as numpy arrays (vertices and normals x, y, z per vertex,
// normals None for +z, triangles i0, i1, i2 per face; polylines a list of
// index arrays, used when triangles is None, for newWireMeshFromHandle).
// The engine calls it on the host's thread only (it is registered as a
// factory that is not thread-safe), and it takes the interpreter's lock
// whichever thread that is. An exception or a malformed answer refuses the
// facet set with a log line; the engine carries on.
#pragma once

#include <pelmora/host.h>

#include <pybind11/pybind11.h>

namespace pelmora::python {

class PythonFacetFactory final : public FacetFactory {
public:
    explicit PythonFacetFactory(pybind11::object callable);
    ~PythonFacetFactory();
    PythonFacetFactory(const PythonFacetFactory&) = delete;
    PythonFacetFactory& operator=(const PythonFacetFactory&) = delete;

    // 0 once unregistered.
    int handle() const { return handle_; }
    void unregister();

    HRESULT getFacets(int hostMesh, double deviation, int manual, FacetSource** source) override;
    void releaseFacets(FacetSource* source) override;

private:
    pybind11::object callable_;
    int handle_ = 0;
};

void bindFacetFactory(pybind11::module_& module);

}  // namespace pelmora::python
