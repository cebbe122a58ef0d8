#include "PythonFacetFactory.h"

#include <pelmora/helpers.h>

#include <pybind11/numpy.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace py = pybind11;

namespace pelmora::python {

namespace {

using FloatArray = py::array_t<float, py::array::c_style | py::array::forcecast>;
using IndexArray = py::array_t<int32_t, py::array::c_style | py::array::forcecast>;

FloatArray points(py::handle values, const char* what) {
    FloatArray array = FloatArray::ensure(values);
    if (!array || array.size() % 3 != 0)
        throw std::invalid_argument(std::string(what) + " must be x, y, z per vertex");
    return array;
}

std::vector<FacetVertex> vertexRecords(py::handle vertices, py::handle normals) {
    const FloatArray positions = points(vertices, "vertices");
    const size_t count = size_t(positions.size() / 3);
    std::vector<FacetVertex> records(count, FacetVertex{0, 0, 0, 0, 0, 1, 0, 0});
    const float* p = positions.data();
    for (size_t i = 0; i < count; ++i) {
        records[i].x = p[3 * i];
        records[i].y = p[3 * i + 1];
        records[i].z = p[3 * i + 2];
    }
    if (normals.is_none()) return records;
    const FloatArray directions = points(normals, "normals");
    if (size_t(directions.size() / 3) != count) throw std::invalid_argument("one normal per vertex is needed");
    const float* n = directions.data();
    for (size_t i = 0; i < count; ++i) {
        records[i].nx = n[3 * i];
        records[i].ny = n[3 * i + 1];
        records[i].nz = n[3 * i + 2];
    }
    return records;
}

std::vector<int> triangleList(py::handle triangles) {
    const IndexArray indices = IndexArray::ensure(triangles);
    if (!indices || indices.size() % 3 != 0) throw std::invalid_argument("triangles must be i0, i1, i2 per face");
    std::vector<int> list;
    list.reserve(size_t(indices.size() / 3 * 4 + 1));
    const int32_t* i = indices.data();
    for (py::ssize_t face = 0; face < indices.size() / 3; ++face)
        list.insert(list.end(), {3, i[3 * face], i[3 * face + 1], i[3 * face + 2]});
    list.push_back(0);
    return list;
}

std::vector<int> polylineList(py::handle polylines) {
    std::vector<int> list;
    for (py::handle line : polylines) {
        const IndexArray indices = IndexArray::ensure(line);
        if (!indices || indices.ndim() != 1) throw std::invalid_argument("a polyline must be a list of indices");
        list.push_back(int(indices.size()));
        list.insert(list.end(), indices.data(), indices.data() + indices.size());
    }
    list.push_back(0);
    return list;
}

// What the callable answered, as a facet set the engine copies.
FacetBuffer* facetSetFrom(const py::object& answer) {
    if (!py::isinstance<py::sequence>(answer) || py::len(answer) < 3 || py::len(answer) > 4)
        throw std::invalid_argument("answer (vertices, normals, triangles[, polylines])");
    const py::sequence parts = answer;
    const bool lines = parts[2].is_none() && py::len(parts) == 4 && !parts[3].is_none();
    std::vector<int> faces = lines ? polylineList(parts[3]) : triangleList(parts[2]);
    return new FacetBuffer(vertexRecords(parts[0], parts[1]), std::move(faces));
}

// One line: a Python exception's text runs on with its traceback.
void logRefusal(int hostMesh, double deviation, const std::string& text) {
    const std::string why = text.substr(0, text.find('\n'));
    char line[1024];
    std::snprintf(line, sizeof line, "Python facet factory refused body %d at deviation %g: %s\n", hostMesh,
                  deviation, why.c_str());
    PelmoraLogMessage(line);
}

}  // namespace

PythonFacetFactory::PythonFacetFactory(py::object callable)
    : callable_(std::move(callable)), handle_(PelmoraRegisterFacetFactory(this)) {
    if (!PyCallable_Check(callable_.ptr())) {
        unregister();
        throw py::type_error("FacetFactory needs a callable(body, deviation)");
    }
}

PythonFacetFactory::~PythonFacetFactory() { unregister(); }

void PythonFacetFactory::unregister() {
    if (handle_) PelmoraUnregisterFacetFactory(handle_);
    handle_ = 0;
}

HRESULT PythonFacetFactory::getFacets(int hostMesh, double deviation, int, FacetSource** source) {
    if (!source) return E_POINTER;
    *source = nullptr;
    py::gil_scoped_acquire interpreter;
    try {
        *source = facetSetFrom(callable_(hostMesh, deviation));
        return S_OK;
    } catch (const std::exception& error) {
        // A Python exception (py::error_already_set) or a malformed answer alike.
        logRefusal(hostMesh, deviation, error.what());
    }
    return E_FAIL;
}

void PythonFacetFactory::releaseFacets(FacetSource* source) { delete source; }

void bindFacetFactory(py::module_& module) {
    py::class_<PythonFacetFactory>(module, "FacetFactory", R"(A facet factory written in Python.

FacetFactory(callable): callable(body, deviation) is asked for the facets
of the host's body number `body` at `deviation` (the engine asks each body
at each deviation once and keeps the answer) and returns
(vertices, normals, triangles) or (vertices, normals, None, polylines):
vertices and normals x, y, z per vertex (normals None for +z), triangles
i0, i1, i2 per face turning counter-clockwise seen from outside, polylines
a list of index arrays (for newWireMeshFromHandle). Pass .handle to
newSolidMeshFromHandle. An exception refuses the facet set with a log line.
Keep the factory as long as meshes use it: once collected or unregistered
they fetch nothing more.)")
        .def(py::init<py::object>(), py::arg("callable"))
        .def_property_readonly("handle", &PythonFacetFactory::handle)
        .def("unregister", &PythonFacetFactory::unregister);
}

}  // namespace pelmora::python
