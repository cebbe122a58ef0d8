#include "LateBoundCall.h"

#include "EngineError.h"
#include "VariantConversion.h"

#include <array>
#include <string>

namespace py = pybind11;

namespace pelmora::python {

namespace {

// The longest parameter list is 16; calls stay off the heap.
constexpr size_t kMostParameters = 24;

// The call's VARIANTs, cleared whatever happens.
struct CallFrame {
    std::array<VARIANT, kMostParameters> arguments{};  // last parameter first, as Invoke reads them
    std::array<VARIANT, kMostParameters> outValues{};
    size_t count = 0;
    ~CallFrame() {
        for (size_t i = 0; i < count; ++i) VariantClear(&arguments[i]);
        for (VARIANT& v : outValues) VariantClear(&v);
    }
};

void checkArgumentCount(const Operation& operation, size_t given) {
    if (given == operation.inputs.size()) return;
    std::string names;
    for (const Parameter& p : operation.inputs) names += (names.empty() ? "" : ", ") + p.name;
    throw py::type_error(operation.name + "(" + names + ") takes " +
                         std::to_string(operation.inputs.size()) + " arguments, " +
                         std::to_string(given) + " given");
}

void fillFrame(const Operation& operation, const py::args& arguments, CallFrame* frame) {
    const size_t total = operation.inputs.size() + operation.outputs.size();
    if (total > kMostParameters) throw py::type_error(operation.name + " has too many parameters");
    frame->count = total;
    // In parameters come first in every operation, out parameters last.
    for (size_t i = 0; i < operation.inputs.size(); ++i)
        variantFromObject(arguments[i], operation.inputs[i], &frame->arguments[total - 1 - i]);
    for (size_t k = 0; k < operation.outputs.size(); ++k) {
        VARIANT& slot = frame->arguments[total - 1 - operation.inputs.size() - k];
        slot.vt = VT_BYREF | VT_VARIANT;
        slot.pvarVal = &frame->outValues[k];
    }
}

// The parameter Invoke names by its position in the reversed list.
std::string parameterAt(const Operation& operation, UINT argumentError, size_t total) {
    const size_t index = total - 1 - argumentError;
    if (index < operation.inputs.size()) return operation.inputs[index].name;
    if (index < total) return operation.outputs[index - operation.inputs.size()].name;
    return "?";
}

py::object resultsOf(const Operation& operation, CallFrame* frame) {
    const size_t count = operation.outputs.size();
    if (count == 0) return py::none();
    if (count == 1) return objectFromVariant(&frame->outValues[0]);
    py::tuple values(count);
    for (size_t k = 0; k < count; ++k) values[k] = objectFromVariant(&frame->outValues[k]);
    return values;
}

}  // namespace

py::object callLateBound(IDispatch* target, const Operation& operation, const py::args& arguments) {
    if (!target) throw py::value_error("the context is closed");
    checkArgumentCount(operation, arguments.size());
    CallFrame frame;
    fillFrame(operation, arguments, &frame);
    DISPPARAMS params{frame.arguments.data(), nullptr, static_cast<UINT>(frame.count), 0};
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const unsigned loggedBefore = loggedMessageCount();
    HRESULT status = target->Invoke(operation.dispid, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                                    &exception, &argumentError);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (status == DISP_E_EXCEPTION) raiseEngineError(exception.scode, operation.name, loggedBefore);
    if (status == DISP_E_TYPEMISMATCH || status == DISP_E_OVERFLOW) {
        const std::string argument = parameterAt(operation, argumentError, frame.count);
        raiseEngineError(status, operation.name + ", argument " + argument, loggedBefore);
    }
    if (FAILED(status)) raiseEngineError(status, operation.name, loggedBefore);
    return resultsOf(operation, &frame);
}

}  // namespace pelmora::python
