#include "host/DispatchInvoker.h"

#include <cmath>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <utility>

namespace pelmora {

namespace {

// The VARIANT that carries the value, following one level of VT_BYREF.
VARTYPE baseType(const VARIANT& v) { return v.vt & ~VT_BYREF; }

bool numericValue(const VARIANT& v, double* value) {
    const bool byRef = (v.vt & VT_BYREF) != 0;
    switch (baseType(v)) {
        case VT_I2: *value = byRef ? *v.piVal : v.iVal; return true;
        case VT_BOOL: *value = byRef ? *v.pboolVal : v.boolVal; return true;
        case VT_I4: case VT_INT: case VT_ERROR: *value = byRef ? *v.plVal : v.lVal; return true;
        case VT_UI4: case VT_UINT: *value = byRef ? *reinterpret_cast<ULONG*>(v.plVal) : v.uintVal; return true;
        case VT_R4: *value = byRef ? *v.pfltVal : v.fltVal; return true;
        case VT_R8: *value = byRef ? *v.pdblVal : v.dblVal; return true;
        case VT_UI1: *value = byRef ? *static_cast<BYTE*>(v.byref) : v.bVal; return true;
        case VT_I1: *value = byRef ? *static_cast<signed char*>(v.byref) : static_cast<signed char>(v.bVal); return true;
        case VT_UI2: *value = byRef ? *static_cast<uint16_t*>(v.byref) : static_cast<uint16_t>(v.iVal); return true;
        default: return false;
    }
}

// One in-parameter of a scalar type, read from its VARIANT.
template <class T>
struct ValueArgument {
    T value{};
    HRESULT load(VARIANT& v) {
        double number = 0;
        if (!numericValue(v, &number)) return DISP_E_TYPEMISMATCH;
        if constexpr (std::is_same_v<T, VARIANT_BOOL>) {
            value = number != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        } else if constexpr (std::is_floating_point_v<T>) {
            value = static_cast<T>(number);
        } else {
            // Automation rounds half to even when it narrows to an integer.
            double rounded = std::nearbyint(number);
            if (rounded < -2147483648.0 || rounded > 4294967295.0) return DISP_E_OVERFLOW;
            value = static_cast<T>(static_cast<int64_t>(rounded));
        }
        return S_OK;
    }
    T get() { return value; }
};

struct StringArgument {
    BSTR value = nullptr;
    HRESULT load(VARIANT& v) {
        if (v.vt == VT_EMPTY || v.vt == VT_NULL) return S_OK;
        if (v.vt == VT_BSTR) value = v.bstrVal;
        else if (v.vt == (VT_BSTR | VT_BYREF)) value = *v.pbstrVal;
        else return DISP_E_TYPEMISMATCH;
        return S_OK;
    }
    BSTR get() { return value; }
};

template <class T>
constexpr VARTYPE variantTypeOf() {
    if constexpr (std::is_same_v<T, VARIANT_BOOL>) return VT_BOOL;
    else if constexpr (std::is_same_v<T, double>) return VT_R8;
    else if constexpr (std::is_same_v<T, BSTR>) return VT_BSTR;
    else if constexpr (std::is_same_v<T, SAFEARRAY*>) return VT_ARRAY;
    else return VT_I4;
}

// An out-parameter: the caller's VT_BYREF storage, or our own when it is the
// value handed back through the result.
template <class T>
struct OutArgument {
    T local{};
    T* target = &local;
    bool returned = false;
    HRESULT load(VARIANT& v) {
        VARTYPE expected = variantTypeOf<T>();
        if (!(v.vt & VT_BYREF)) return DISP_E_TYPEMISMATCH;
        bool matches = expected == VT_ARRAY ? (v.vt & VT_ARRAY) != 0 : baseType(v) == expected;
        if (!matches) return DISP_E_TYPEMISMATCH;
        target = static_cast<T*>(v.byref);
        return S_OK;
    }
    void returnThroughResult() { returned = true; }
    T* get() { return target; }
    void store(VARIANT* result) {
        if (!returned) return;
        if (!result) {
            discard();
            return;
        }
        VariantInit(result);
        if constexpr (std::is_same_v<T, SAFEARRAY*>) {
            VARTYPE elements = VT_EMPTY;
            if (local) SafeArrayGetVartype(local, &elements);
            result->vt = VT_ARRAY | elements;
            result->parray = local;
        } else {
            result->vt = variantTypeOf<T>();
            std::memcpy(&result->llVal, &local, sizeof(T));
        }
    }
    void discard() {
        if constexpr (std::is_same_v<T, BSTR>) SysFreeString(local);
        if constexpr (std::is_same_v<T, SAFEARRAY*>) SafeArrayDestroy(local);
    }
};

// Arrays handed in: a VT_ARRAY value or a VT_BYREF|VT_ARRAY reference. A
// value is the caller's and stays as it is: the operation gets a copy of the
// pointer, and an array it makes there (an out-parameter passed by value)
// has no way back to the caller, so it is freed.
struct ArrayArgument {
    SAFEARRAY** target = nullptr;
    SAFEARRAY* given = nullptr;
    SAFEARRAY* byValue = nullptr;
    OutArgument<SAFEARRAY*> out;
    bool isOut = false;
    HRESULT load(VARIANT& v) {
        if (!(v.vt & VT_ARRAY)) return DISP_E_TYPEMISMATCH;
        if (v.vt & VT_BYREF) {
            target = v.pparray;
        } else {
            given = byValue = v.parray;
            target = &byValue;
        }
        return S_OK;
    }
    void returnThroughResult() {
        isOut = true;
        out.returnThroughResult();
    }
    SAFEARRAY** get() { return isOut ? out.get() : target; }
    void store(VARIANT* result) {
        if (isOut) out.store(result);
        if (target == &byValue && byValue != given) SafeArrayDestroy(byValue);
    }
};

template <class T>
struct ArgumentFor {
    using type = ValueArgument<T>;
};
template <>
struct ArgumentFor<BSTR> {
    using type = StringArgument;
};
template <>
struct ArgumentFor<SAFEARRAY**> {
    using type = ArrayArgument;
};
template <class T>
struct ArgumentFor<T*> {
    using type = OutArgument<T>;
};

template <class A>
concept Returnable = requires(A a, VARIANT* v) {
    a.returnThroughResult();
    a.store(v);
};

template <class... Params>
HRESULT invokeMember(IDXContext* target, HRESULT (IDXContext::*member)(Params...),
                     DISPPARAMS* params, VARIANT* result, UINT* argumentError) {
    constexpr UINT count = sizeof...(Params);
    std::tuple<typename ArgumentFor<Params>::type...> arguments;
    const UINT given = params ? params->cArgs : 0;
    bool lastIsResult = false;
    if constexpr (count > 0) {
        using Last = std::tuple_element_t<count - 1, decltype(arguments)>;
        if constexpr (Returnable<Last>) lastIsResult = given + 1 == count;
    }
    if (given != count && !lastIsResult) return DISP_E_BADPARAMCOUNT;

    HRESULT loaded = S_OK;
    auto loadOne = [&](auto& argument, UINT position) {
        if (FAILED(loaded)) return;
        if (position == given) {
            if constexpr (Returnable<std::decay_t<decltype(argument)>>) argument.returnThroughResult();
            return;
        }
        // Automation passes the last parameter first.
        loaded = argument.load(params->rgvarg[given - 1 - position]);
        if (FAILED(loaded) && argumentError) *argumentError = given - 1 - position;
    };
    [&]<size_t... I>(std::index_sequence<I...>) {
        (loadOne(std::get<I>(arguments), static_cast<UINT>(I)), ...);
    }(std::make_index_sequence<count>{});
    if (FAILED(loaded)) return loaded;

    HRESULT status = std::apply(
        [&](auto&... argument) { return (target->*member)(argument.get()...); }, arguments);
    std::apply(
        [&](auto&... argument) {
            auto storeOne = [&](auto& a) {
                if constexpr (Returnable<std::decay_t<decltype(a)>>) a.store(result);
            };
            (storeOne(argument), ...);
        },
        arguments);
    return status;
}

using Invoker = HRESULT (*)(IDXContext*, DISPPARAMS*, VARIANT*, UINT*);

#define PELMORA_INVOKER(name)                                                          \
    [](IDXContext* target, DISPPARAMS* params, VARIANT* result, UINT* error) {         \
        return invokeMember(target, &IDXContext::name, params, result, error);         \
    }

// In slot order, matching kDXContextDispatchTable.
const Invoker kInvokers[kDXContextOperationCount] = {
    PELMORA_INVOKER(suspendMeshRefinements), PELMORA_INVOKER(initialize),
    PELMORA_INVOKER(enumerateDeviceNames), PELMORA_INVOKER(validateCurrentDisplay),
    PELMORA_INVOKER(getCurrentDeviceName), PELMORA_INVOKER(newViewport),
    PELMORA_INVOKER(releaseHandle), PELMORA_INVOKER(getTorvelMeshProvider),
    PELMORA_INVOKER(newFrame), PELMORA_INVOKER(newPreloadedBillboard),
    PELMORA_INVOKER(newBillboard), PELMORA_INVOKER(newDecal), PELMORA_INVOKER(newDotMesh),
    PELMORA_INVOKER(newGrillMesh), PELMORA_INVOKER(newSolidMesh),
    PELMORA_INVOKER(newSolidMeshFromHandle), PELMORA_INVOKER(newWireMesh),
    PELMORA_INVOKER(newWireMeshFromHandle), PELMORA_INVOKER(getAppData),
    PELMORA_INVOKER(setAppData), PELMORA_INVOKER(setVisible),
    PELMORA_INVOKER(frameSetReflectivity), PELMORA_INVOKER(setFrameColor),
    PELMORA_INVOKER(getFrameColor), PELMORA_INVOKER(frameAddChild),
    PELMORA_INVOKER(frameDeleteChild), PELMORA_INVOKER(frameAddVisual),
    PELMORA_INVOKER(frameDeleteVisual), PELMORA_INVOKER(frameDeleteAllVisuals),
    PELMORA_INVOKER(setFrameZBufferMode), PELMORA_INVOKER(addFrameTransform),
    PELMORA_INVOKER(getFrameTransform), PELMORA_INVOKER(addFrameRotation),
    PELMORA_INVOKER(getFrameWorldTransform), PELMORA_INVOKER(frameSetOverrideRender),
    PELMORA_INVOKER(setTexture), PELMORA_INVOKER(frameSetLineWidth),
    PELMORA_INVOKER(frameSetWriteZValues), PELMORA_INVOKER(frameSetWriteColorValues),
    PELMORA_INVOKER(setFrameDrawFacetEdges), PELMORA_INVOKER(setMeshScale),
    PELMORA_INVOKER(pickMesh), PELMORA_INVOKER(getMeshData), PELMORA_INVOKER(refreshMesh),
    PELMORA_INVOKER(getScreenData), PELMORA_INVOKER(getPrintData),
    PELMORA_INVOKER(setMeshSimplificationLevel), PELMORA_INVOKER(setViewportBackground),
    PELMORA_INVOKER(viewportAddAmbientLight), PELMORA_INVOKER(viewportAddDirectionalLight),
    PELMORA_INVOKER(viewportAddPointLight), PELMORA_INVOKER(viewportAddSpotLight),
    PELMORA_INVOKER(setAutomaticRefinement), PELMORA_INVOKER(setManualRefinementLevel),
    PELMORA_INVOKER(setLightColor), PELMORA_INVOKER(setFront),
    PELMORA_INVOKER(viewportRemoveLight), PELMORA_INVOKER(viewportSetReduceDetails),
    PELMORA_INVOKER(viewportSetRapidRender), PELMORA_INVOKER(viewportSetNoReflectivity),
    PELMORA_INVOKER(releaseHandles), PELMORA_INVOKER(getViewportPlane),
    PELMORA_INVOKER(getViewportField), PELMORA_INVOKER(setViewportPlane),
    PELMORA_INVOKER(getViewportFront), PELMORA_INVOKER(getViewportPerspective),
    PELMORA_INVOKER(setViewportPerspective), PELMORA_INVOKER(setViewportQuality),
    PELMORA_INVOKER(getViewportQuality), PELMORA_INVOKER(viewportTransform),
    PELMORA_INVOKER(clearViewport), PELMORA_INVOKER(render),
    PELMORA_INVOKER(inverseViewportTransform), PELMORA_INVOKER(getCameraPosition),
    PELMORA_INVOKER(setCameraTransform), PELMORA_INVOKER(getCameraTransform),
    PELMORA_INVOKER(saveSnapshotJPG), PELMORA_INVOKER(rotateCamera),
    PELMORA_INVOKER(setDisregardRenderOverride), PELMORA_INVOKER(getSelectionRay),
    PELMORA_INVOKER(resetViewport), PELMORA_INVOKER(viewportPresent),
    PELMORA_INVOKER(viewportFlip), PELMORA_INVOKER(setNeverRenderMesh),
    PELMORA_INVOKER(getSurfaceDC), PELMORA_INVOKER(releaseSurfaceDC),
};

void describeFailure(EXCEPINFO* exception, HRESULT status) {
    if (!exception) return;
    std::memset(exception, 0, sizeof *exception);
    exception->bstrSource = SysAllocString(u"DXContext.DXContext");
    exception->scode = status;
}

}  // namespace

HRESULT invokeOperation(IDXContext* target, DISPID dispid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
    if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
    if (params && params->cNamedArgs > 0) return DISP_E_NONAMEDARGS;
    if (params && params->cArgs > 0 && !params->rgvarg) return E_INVALIDARG;
    for (int i = 0; i < kDXContextOperationCount; ++i) {
        if (kDXContextDispatchTable[i].dispid != dispid) continue;
        HRESULT status = kInvokers[i](target, params, result, argumentError);
        if (status == DISP_E_BADPARAMCOUNT || status == DISP_E_TYPEMISMATCH ||
            status == DISP_E_OVERFLOW)
            return status;
        if (FAILED(status)) {
            // A failing operation reaches a late-bound caller as an exception with its status.
            describeFailure(exception, status);
            return DISP_E_EXCEPTION;
        }
        return status;
    }
    return DISP_E_MEMBERNOTFOUND;
}

}  // namespace pelmora
