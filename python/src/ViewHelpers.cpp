#include "ViewHelpers.h"

#include "ContextBinding.h"
#include "EngineError.h"

#include <pelmora/helpers.h>

#include <pybind11/stl.h>

#include <map>
#include <string>

namespace py = pybind11;

namespace pelmora::python {

namespace {

void check(HRESULT status, const char* what, unsigned loggedBefore) {
    if (FAILED(status)) raiseEngineError(status, what, loggedBefore);
}

void fitView(ContextHandle& context, int viewport, const Point3& lower, const Point3& upper) {
    const unsigned loggedBefore = loggedMessageCount();
    Box box;
    box.add(lower);
    box.add(upper);
    check(pelmora::fitView(context.checked(), viewport, box), "fit_view", loggedBefore);
}

void setView(ContextHandle& context, int viewport, const std::string& name) {
    static const std::map<std::string, ViewDirection> kViews = {
        {"iso", ViewDirection::Iso},     {"top", ViewDirection::Top},   {"bottom", ViewDirection::Bottom},
        {"front", ViewDirection::Front}, {"back", ViewDirection::Back}, {"left", ViewDirection::Left},
        {"right", ViewDirection::Right}};
    const auto view = kViews.find(name);
    if (view == kViews.end()) throw py::value_error("views: iso, top, bottom, front, back, left, right");
    const unsigned loggedBefore = loggedMessageCount();
    check(pelmora::setView(context.checked(), viewport, view->second), "set_view", loggedBefore);
}

void addDefaultLights(ContextHandle& context, int viewport) {
    const unsigned loggedBefore = loggedMessageCount();
    check(pelmora::addDefaultLights(context.checked(), viewport), "add_default_lights", loggedBefore);
}

double viewportDeviation(int viewport) {
    const unsigned loggedBefore = loggedMessageCount();
    double deviation = 0.0;
    check(PelmoraGetViewportDeviation(viewport, &deviation), "viewport_deviation", loggedBefore);
    return deviation;
}

}  // namespace

void bindViewHelpers(py::module_& module) {
    module.def("fit_view", &fitView, py::arg("context"), py::arg("viewport"), py::arg("lower"), py::arg("upper"),
               "Frames the world box lower..upper (x, y, z each) in the viewport.");
    module.def("set_view", &setView, py::arg("context"), py::arg("viewport"), py::arg("view"),
               "Turns the camera to a standard view: iso, top, bottom, front, back, left or right.");
    module.def("add_default_lights", &addDefaultLights, py::arg("context"), py::arg("viewport"),
               "A white key light over the viewer's shoulder and an ambient light.");
    module.def("viewport_deviation", &viewportDeviation, py::arg("viewport"),
               "The deviation the viewport's next render asks facet factories for.");
}

}  // namespace pelmora::python
