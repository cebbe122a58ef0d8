#include "EngineError.h"

#include <pelmora/host.h>

#include <cstdio>
#include <string_view>

namespace py = pybind11;

namespace pelmora::python {

namespace {

PyObject* gErrorType = nullptr;  // owned by the module, which lives as long as the process

struct StatusName {
    uint32_t status;
    const char* name;
};

const StatusName kStatusNames[] = {
    {0x80004001u, "E_NOTIMPL"},        {0x80004002u, "E_NOINTERFACE"},
    {0x80004003u, "E_POINTER"},        {0x80004005u, "E_FAIL"},
    {0x80070005u, "E_ACCESSDENIED"},   {0x80070006u, "E_HANDLE"},
    {0x8007000Eu, "E_OUTOFMEMORY"},    {0x80070057u, "E_INVALIDARG"},
    {0x80020003u, "DISP_E_MEMBERNOTFOUND"}, {0x80020005u, "DISP_E_TYPEMISMATCH"},
    {0x8002000Au, "DISP_E_OVERFLOW"},  {0x8002000Eu, "DISP_E_BADPARAMCOUNT"},
    {0x8876086Cu, "D3DERR_INVALIDCALL"},
};

std::string describe(uint32_t status) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", status);
    for (const StatusName& known : kStatusNames)
        if (known.status == status) return std::string(known.name) + " (" + code + ")";
    return code;
}

std::string lastLogLine(unsigned loggedBefore) {
    char line[1024];
    if (PelmoraGetLastLogMessage(line, sizeof line) == loggedBefore) return std::string();
    std::string_view text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    return std::string(text);
}

}  // namespace

void defineEngineError(py::module_& module) {
    gErrorType = PyErr_NewExceptionWithDoc(
        "pelmora.Error",
        "A failing status from the engine: .status (the 32-bit status, 0x80070006 for "
        "E_HANDLE) and .log_line (what the engine logged for it, or \"\").",
        PyExc_RuntimeError, nullptr);
    module.add_object("Error", py::handle(gErrorType));
    module.def("last_log_message", [] {
        char line[1024];
        const unsigned count = PelmoraGetLastLogMessage(line, sizeof line);
        return py::make_tuple(count, py::str(line));
    }, "(count, text): how many messages the engine has logged, and the last of them.");
}

unsigned loggedMessageCount() { return PelmoraGetLastLogMessage(nullptr, 0); }

void raiseEngineError(HRESULT status, const std::string& what, unsigned loggedBefore) {
    const auto code = static_cast<uint32_t>(status);
    const std::string logLine = lastLogLine(loggedBefore);
    std::string message = what + ": " + describe(code);
    if (!logLine.empty()) message += ": " + logLine;
    py::object error = py::reinterpret_steal<py::object>(
        PyObject_CallFunction(gErrorType, "s", message.c_str()));
    error.attr("status") = py::int_(code);
    error.attr("log_line") = py::str(logLine);
    PyErr_SetObject(gErrorType, error.ptr());
    throw py::error_already_set();
}

}  // namespace pelmora::python
