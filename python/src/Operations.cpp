#include "Operations.h"

#include <pelmora/helpers.h>

#include <sstream>

namespace pelmora::python {

namespace {

struct GeneratedEntry {
    const char* name;
    const char* parameters;
    const char* comment;
};

const GeneratedEntry kGenerated[] = {
#include "Operations.inc"
};

Parameter parameterFrom(const std::string& token) {
    // "kind:name", the kind one letter, or two for arrays in ("aF").
    const size_t colon = token.find(':');
    Parameter p;
    p.kind = token[0];
    p.element = colon > 1 ? token[1] : 0;
    p.name = token.substr(colon + 1);
    return p;
}

std::string pythonType(const Parameter& p) {
    switch (p.kind) {
        case 'b': case 'B': return "bool";
        case 'f': case 'd': case 'D': return "float";
        case 's': case 'S': return "str";
        case 'a': case 'A': return "numpy.ndarray";
        default: return "int";
    }
}

std::string signatureOf(const Operation& op) {
    std::ostringstream text;
    text << op.name << "(";
    for (size_t i = 0; i < op.inputs.size(); ++i)
        text << (i ? ", " : "") << op.inputs[i].name << ": " << pythonType(op.inputs[i]);
    text << ") -> ";
    if (op.outputs.empty()) text << "None";
    if (op.outputs.size() > 1) text << "tuple[";
    for (size_t i = 0; i < op.outputs.size(); ++i)
        text << (i ? ", " : "") << pythonType(op.outputs[i]);
    if (op.outputs.size() > 1) text << "]";
    if (!op.outputs.empty()) {
        text << "  (";
        for (size_t i = 0; i < op.outputs.size(); ++i) text << (i ? ", " : "") << op.outputs[i].name;
        text << ")";
    }
    return text.str();
}

Operation operationFrom(const GeneratedEntry& entry, DISPID dispid) {
    Operation op;
    op.name = entry.name;
    op.dispid = dispid;
    std::istringstream tokens(entry.parameters);
    for (std::string token; tokens >> token;) {
        const Parameter p = parameterFrom(token);
        (p.out() ? op.outputs : op.inputs).push_back(p);
    }
    op.doc = signatureOf(op) + "\n\n" + entry.comment;
    return op;
}

DISPID dispidOf(IDXContext* context, const char* name) {
    std::u16string wide = detail::utf16FromUtf8(name);
    LPOLESTR names[] = {wide.data()};
    DISPID dispid = DISPID_UNKNOWN;
    if (FAILED(context->GetIDsOfNames(IID_NULL, names, 1, 0, &dispid))) return DISPID_UNKNOWN;
    return dispid;
}

std::vector<Operation> resolveOperations() {
    std::vector<Operation> list;
    IDXContext* context = nullptr;
    if (FAILED(PelmoraCreateContext(&context))) return list;
    for (const GeneratedEntry& entry : kGenerated) {
        const DISPID dispid = dispidOf(context, entry.name);
        // A declared operation the dispatch interface does not name cannot be called late-bound.
        if (dispid != DISPID_UNKNOWN) list.push_back(operationFrom(entry, dispid));
    }
    context->Release();
    return list;
}

}  // namespace

const std::vector<Operation>& operations() {
    static const std::vector<Operation> list = resolveOperations();
    return list;
}

}  // namespace pelmora::python
