#include "host/DispatchInvoker.h"

#include <cstring>
#include <tuple>
#include <type_traits>
#include <utility>

namespace pelmora {

namespace {

template <class T>
constexpr VARTYPE variantTypeOf() {
    if constexpr (std::is_same_v<T, VARIANT_BOOL>) return VT_BOOL;
    else if constexpr (std::is_same_v<T, double>) return VT_R8;
    else if constexpr (std::is_same_v<T, float>) return VT_R4;
    else if constexpr (std::is_same_v<T, BSTR>) return VT_BSTR;
    else return VT_I4;  // int and the enumerations
}

// The value of a VARIANT that VariantChangeType made of type variantTypeOf<T>().
template <class T>
T valueOf(const VARIANT& v) {
    if constexpr (std::is_same_v<T, VARIANT_BOOL>) return v.boolVal;
    else if constexpr (std::is_same_v<T, double>) return v.dblVal;
    else if constexpr (std::is_same_v<T, float>) return v.fltVal;
    else return static_cast<T>(v.lVal);
}

// An argument as the parameter's type, converted the way the platform's
// automation converts (VariantChangeType). A late-bound caller hears of a
// value too large (or NaN for an integer) as DISP_E_OVERFLOW and of anything
// else it cannot pass, a null reference included, as DISP_E_TYPEMISMATCH.
HRESULT coerce(const VARIANT& argument, VARTYPE type, VARIANT* converted) {
    const HRESULT hr = VariantChangeType(converted, &argument, 0, type);
    if (SUCCEEDED(hr) || hr == DISP_E_OVERFLOW || hr == E_OUTOFMEMORY) return hr;
    return DISP_E_TYPEMISMATCH;
}

// One in-parameter of a scalar type.
template <class T>
struct ValueArgument {
    T value{};
    HRESULT load(VARIANT& v) {
        VARIANT converted{};
        const HRESULT hr = coerce(v, variantTypeOf<T>(), &converted);
        if (FAILED(hr)) return hr;
        value = valueOf<T>(converted);
        return S_OK;
    }
    T get() { return value; }
};

struct StringArgument {
    BSTR value = nullptr;
    VARIANT converted{};  // a string made from another type, freed after the call

    StringArgument() = default;
    StringArgument(const StringArgument&) = delete;
    StringArgument& operator=(const StringArgument&) = delete;
    ~StringArgument() { VariantClear(&converted); }

    HRESULT load(VARIANT& v) {
        // No value at all is the null string, which the operations read as empty.
        if (v.vt == VT_EMPTY || v.vt == VT_NULL) return S_OK;
        if (v.vt == VT_BSTR) {
            value = v.bstrVal;
            return S_OK;
        }
        const HRESULT hr = coerce(v, VT_BSTR, &converted);
        if (FAILED(hr)) return hr;
        value = converted.bstrVal;
        return S_OK;
    }
    BSTR get() { return value; }
};

// Hands an out value to the caller in a VARIANT it owns from now on.
template <class T>
void putValue(VARIANT* v, const T& value) {
    v->vt = variantTypeOf<T>();
    std::memcpy(&v->llVal, &value, sizeof(T));
}

void putArray(VARIANT* v, SAFEARRAY* array) {
    VARTYPE elements = VT_EMPTY;
    if (array) SafeArrayGetVartype(array, &elements);
    v->vt = VT_ARRAY | elements;
    v->parray = array;
}

// An out-parameter: the caller's VT_BYREF storage of the parameter's type, a
// VT_BYREF VT_VARIANT (a script's variable) that receives the value after the
// call, or our own storage when the value goes back through the result.
template <class T>
struct OutArgument {
    T local{};
    T* target = &local;
    VARIANT* variantTarget = nullptr;
    bool returned = false;
    HRESULT load(VARIANT& v) {
        if (!(v.vt & VT_BYREF) || v.byref == nullptr) return DISP_E_TYPEMISMATCH;
        if (v.vt == (VT_BYREF | VT_VARIANT)) {
            variantTarget = v.pvarVal;
            return S_OK;
        }
        if ((v.vt & ~VT_BYREF) != variantTypeOf<T>()) return DISP_E_TYPEMISMATCH;
        target = static_cast<T*>(v.byref);
        return S_OK;
    }
    void returnThroughResult() { returned = true; }
    T* get() { return target; }
    void store(VARIANT* result) {
        if (variantTarget) {
            VariantClear(variantTarget);
            putValue(variantTarget, local);
        } else if (returned && result) {
            VariantInit(result);
            putValue(result, local);
        } else if (returned) {
            // Nobody takes the value: what the operation made for it is freed.
            if constexpr (std::is_same_v<T, BSTR>) SysFreeString(local);
        }
    }
};

// Arrays: a VT_ARRAY value, a VT_BYREF VT_ARRAY reference, or a VT_BYREF
// VT_VARIANT holding either; an empty VT_BYREF VT_VARIANT receives an array
// the operation hands out, as does the result. A value is the caller's and
// stays as it is: the operation gets a copy of the pointer, and an array it
// makes there (an out-parameter passed by value) has no way back, so it is
// freed.
struct ArrayArgument {
    SAFEARRAY* local = nullptr;
    SAFEARRAY** target = &local;
    SAFEARRAY* given = nullptr;
    SAFEARRAY* byValue = nullptr;
    VARIANT* variantTarget = nullptr;
    bool returned = false;
    HRESULT load(VARIANT& v) {
        VARIANT* holder = &v;
        if (v.vt == (VT_BYREF | VT_VARIANT)) {
            if (v.pvarVal == nullptr) return DISP_E_TYPEMISMATCH;
            holder = v.pvarVal;
            if (holder->vt == VT_EMPTY || holder->vt == VT_NULL) {
                variantTarget = holder;
                return S_OK;
            }
        }
        if (!(holder->vt & VT_ARRAY)) return DISP_E_TYPEMISMATCH;
        if (!(holder->vt & VT_BYREF) && holder != &v) {
            target = &holder->parray;  // the caller's variable, by reference
            return S_OK;
        }
        if (!(holder->vt & VT_BYREF)) {
            given = byValue = holder->parray;
            target = &byValue;
            return S_OK;
        }
        if (holder->pparray == nullptr) return DISP_E_TYPEMISMATCH;
        target = holder->pparray;
        return S_OK;
    }
    void returnThroughResult() { returned = true; }
    SAFEARRAY** get() { return target; }
    void store(VARIANT* result) {
        if (variantTarget) {
            VariantClear(variantTarget);
            putArray(variantTarget, local);
        } else if (returned && result) {
            VariantInit(result);
            putArray(result, local);
        } else if (returned) {
            SafeArrayDestroy(local);
        }
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
