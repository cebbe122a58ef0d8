// Late-bound calls: IDispatch::Invoke turns a DISPID and VARIANT arguments
// into the matching IDXContext call. Arguments arrive last-first, as
// automation passes them; out parameters come as VT_BYREF variants, and an
// operation's last out parameter may instead be left off and returned
// through the result.
#pragma once

#include <pelmora/dxcontext.h>

namespace pelmora {

HRESULT invokeOperation(IDXContext* target, DISPID dispid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argumentError);

}  // namespace pelmora
