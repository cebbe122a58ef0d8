// The interface's operations as the module binds them: names and parameter
// kinds from the table generated out of dxcontext.h, dispatch ids asked of
// the context itself (GetIDsOfNames), so a call goes wherever Invoke sends it.
#pragma once

#include <pelmora/dxcontext.h>

#include <string>
#include <vector>

namespace pelmora::python {

// A parameter's kind letter: lower case in, upper case out.
//   i int, b VARIANT_BOOL, f float, d double, s BSTR, a array in, A array out
// Arrays in carry their element type: F float, N int, R double.
struct Parameter {
    char kind = 'i';
    char element = 0;
    std::string name;
    bool out() const { return kind >= 'A' && kind <= 'Z'; }
};

struct Operation {
    std::string name;
    DISPID dispid = DISPID_UNKNOWN;
    std::vector<Parameter> inputs;
    std::vector<Parameter> outputs;
    std::string doc;  // a signature line, then the comment of dxcontext.h
};

// Every operation the context's dispatch interface knows by name, in the
// header's order. Built once; the entries never move.
const std::vector<Operation>& operations();

}  // namespace pelmora::python
