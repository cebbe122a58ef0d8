// The _pelmora extension: the context bound late, windows, Python facet
// factories and the view helpers. The pelmora package wraps it.
#include "ContextBinding.h"
#include "EngineError.h"
#include "PythonFacetFactory.h"
#include "ViewHelpers.h"
#include "WindowBinding.h"

PYBIND11_MODULE(_pelmora, module) {
    // The operations carry signature lines of their own in their doc strings.
    pybind11::options options;
    options.disable_function_signatures();
    module.doc() = "Pelmora's engine, reached through its dispatch interface.";
    pelmora::python::defineEngineError(module);
    pelmora::python::bindContext(module);
    options.enable_function_signatures();
    pelmora::python::bindWindow(module);
    pelmora::python::bindFacetFactory(module);
    pelmora::python::bindViewHelpers(module);
}
