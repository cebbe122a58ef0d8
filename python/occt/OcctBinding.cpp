// pelmora.occt: a model file read by the Open CASCADE kernel and hung under
// a frame, in two calls:
//     model = pelmora.occt.open("part.step")
//     root = model.add(context, frame)
#include "ContextBinding.h"

#include <pelmora/occt/ModelScene.h>

#include <pybind11/stl.h>

#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace py = pybind11;

namespace {

// The kernel with its bodies, registered as a factory for as long as the
// model lives (meshes built on it must not outlive it).
class Model {
public:
    explicit Model(const std::string& path) {
        std::string error;
        if (!kernel_.load(path, &error)) throw py::value_error(error);
        factory_ = PelmoraRegisterThreadSafeFacetFactory(&kernel_);
    }
    ~Model() { PelmoraUnregisterFacetFactory(factory_); }
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    // A new frame tree of the bodies (faces and edges) under `frame`; its root.
    int add(pelmora::python::ContextHandle& context, int frame, bool edges) {
        IDXContext* target = context.get();
        if (!target) throw py::value_error("the context is closed");
        pelmora::occt::SceneStyle style;
        style.edges = edges;
        pelmora::occt::ModelScene scene;
        HRESULT status = pelmora::occt::buildScene(target, kernel_, factory_, style, &scene);
        if (SUCCEEDED(status) && frame != 0) status = target->frameAddChild(frame, scene.root);
        if (FAILED(status)) throw py::value_error("the model's frames could not be made (status " +
                                                  std::to_string(uint32_t(status)) + ")");
        return scene.root;
    }

    std::pair<std::array<double, 3>, std::array<double, 3>> bounds() const {
        const pelmora::Box box = kernel_.bounds();
        return {box.min, box.max};
    }

    std::vector<std::string> names() const {
        std::vector<std::string> list;
        for (int i = 0; i < kernel_.bodyCount(); ++i) list.push_back(kernel_.body(i).name);
        return list;
    }

private:
    pelmora::occt::OcctKernel kernel_;
    int factory_ = 0;
};

}  // namespace

PYBIND11_MODULE(_occt, module) {
    module.doc() = "Model files through Pelmora's Open CASCADE kernel.";
    // Context is _pelmora's type; importing it first lets the arguments convert.
    py::module_::import("pelmora._pelmora");
    py::class_<Model>(module, "Model", "The bodies of a model file, shown at the deviation each view asks for.")
        .def("add", &Model::add, py::arg("context"), py::arg("frame"), py::arg("edges") = true,
             "Hangs a frame per body (faces, and edges unless edges=False) under frame (0: none); "
             "returns the model's root frame.")
        .def_property_readonly("bounds", &Model::bounds, "The model's world box: ((x, y, z), (x, y, z)).")
        .def_property_readonly("body_names", &Model::names);
    module.def("open", [](const py::object& path) {
        return std::make_unique<Model>(py::str(py::module_::import("os").attr("fspath")(path)));
    }, py::arg("path"), "Reads a STEP, BREP or IGES file; ValueError naming the file when it cannot.");
}
