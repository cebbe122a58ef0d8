#include "ContextBinding.h"

#include "EngineError.h"
#include "LateBoundCall.h"
#include "Operations.h"

namespace py = pybind11;

namespace pelmora::python {

ContextHandle::ContextHandle() {
    const unsigned loggedBefore = loggedMessageCount();
    const HRESULT status = PelmoraCreateContext(&context_);
    if (FAILED(status)) raiseEngineError(status, "PelmoraCreateContext", loggedBefore);
}

ContextHandle::~ContextHandle() { close(); }

IDXContext* ContextHandle::checked() const {
    if (!context_) throw py::value_error("the context is closed");
    return context_;
}

void ContextHandle::close() {
    if (context_) context_->Release();
    context_ = nullptr;
}

namespace {

// The context's interface reference count, read without changing it (for
// tests that look for leaks).
ULONG referenceCount(ContextHandle& self) {
    IDXContext* context = self.checked();
    context->AddRef();
    return context->Release();
}

void addOperation(py::class_<ContextHandle>& cls, const Operation& operation) {
    const Operation* op = &operation;  // operations() never moves its entries
    py::cpp_function method(
        [op](ContextHandle& self, const py::args& arguments) {
            return callLateBound(self.get(), *op, arguments);
        },
        py::name(op->name.c_str()), py::is_method(cls), py::doc(op->doc.c_str()));
    cls.attr(op->name.c_str()) = method;
}

}  // namespace

void bindContext(py::module_& module) {
    py::class_<ContextHandle> cls(module, "Context", R"(A Pelmora context.

Its methods are the operations of the IDXContext interface, by their own
names, called late-bound (GetIDsOfNames, then Invoke): handles are ints,
arrays numpy arrays (any array-like goes in), out parameters come back as
the result (one value, or a tuple in declaration order), and a failing
status raises pelmora.Error. Ints from 2**31 to 2**32 - 1 pass as their
32-bit pattern, so colours read as written (0xFF336699).)");
    cls.def(py::init<>());
    cls.def("close", &ContextHandle::close, "Releases the context now; its handles die with it.");
    cls.def("__enter__", [](py::object self) { return self; });
    cls.def("__exit__", [](ContextHandle& self, py::args) { self.close(); });
    cls.def_property_readonly("closed", [](const ContextHandle& self) { return self.get() == nullptr; });
    cls.def("_reference_count", &referenceCount);
    cls.def_property_readonly_static("operations", [](py::object) {
        py::list names;
        for (const Operation& op : operations()) names.append(op.name);
        return names;
    }, "The names of the interface's operations, in its order.");
    for (const Operation& operation : operations()) addOperation(cls, operation);
}

}  // namespace pelmora::python
