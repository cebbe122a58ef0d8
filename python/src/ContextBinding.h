// pelmora.Context: a context whose methods are the interface's operations,
// each bound late by its name.
#pragma once

#include <pelmora/dxcontext.h>

#include <pybind11/pybind11.h>

namespace pelmora::python {

// Holds one reference to a context until closed or collected.
class ContextHandle {
public:
    ContextHandle();
    ~ContextHandle();
    ContextHandle(const ContextHandle&) = delete;
    ContextHandle& operator=(const ContextHandle&) = delete;

    // Null once closed.
    IDXContext* get() const { return context_; }
    // Null once closed, else the context (early-bound, for the helpers).
    IDXContext* checked() const;
    void close();

private:
    IDXContext* context_ = nullptr;
};

void bindContext(pybind11::module_& module);

}  // namespace pelmora::python
