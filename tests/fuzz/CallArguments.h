// One typed argument of an IDXContext operation, made from the input for a
// role (which handle kind, number or array the operation wants), passed
// directly or as a VARIANT, and taken back after the call: created handles
// join the pool, returned strings and arrays are freed.
//
// Roles, one letter a parameter:
//   in  int:    f frame, v visual, g frame or visual, p viewport, q light,
//               h any scene object (to release), w window, m bitmap,
//               d device context, k facet factory, e host mesh number,
//               c colour, n small number, z pixel size, x pixel coordinate,
//               t preloaded symbol, u facet-edge flags
//   in  other:  b flag, r real number, s device name, S snapshot file name,
//               3 vertex floats, N normals, # face list, L line indices,
//               T transform, H handles to release
//   out:        F frame, V visual, P viewport, Q light, X mesh provider,
//               D device context, I integer, R real, B flag, O string, A array
#pragma once

#include "CallFrame.h"
#include "HostileVariants.h"

#include <cstring>
#include <string>
#include <type_traits>

namespace pelmora::fuzz {

// ---- In: integers and the two enumerations ----

int favouredInt(CallFrame& frame, char role);
int hostileHandleOrInt(CallFrame& frame);
void afterIntArgument(CallFrame& frame, char role, int value, HRESULT status);

template <class T>
struct IntArgument {
    int value = 0;
    char role = 'n';

    void make(CallFrame& frame, char r) {
        role = r;
        value = frame.hostileArgument() ? hostileHandleOrInt(frame) : favouredInt(frame, role);
    }
    T get() const { return static_cast<T>(value); }
    void toVariant(CallFrame& frame, VARIANT& v) {
        if (frame.hostileArgument()) return hostileVariant(frame, v, value);
        VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = value;
    }
    void finish(CallFrame& frame, HRESULT status, const VARIANT*) {
        afterIntArgument(frame, role, value, status);
    }
};

// ---- In: flags and real numbers ----

struct BoolArgument {
    VARIANT_BOOL value = VARIANT_FALSE;
    void make(CallFrame& frame, char) {
        if (frame.hostileArgument()) value = hostileBool(frame.input);
        else value = frame.input.rare(128) ? VARIANT_TRUE : VARIANT_FALSE;
    }
    VARIANT_BOOL get() const { return value; }
    void toVariant(CallFrame& frame, VARIANT& v) {
        if (frame.hostileArgument()) return hostileVariant(frame, v, value);
        VariantInit(&v);
        v.vt = VT_BOOL;
        v.boolVal = value;
    }
    void finish(CallFrame&, HRESULT, const VARIANT*) {}
};

template <class T>
struct RealArgument {
    T value{};
    void make(CallFrame& frame, char) {
        if (!frame.hostileArgument()) value = static_cast<T>(frame.input.grid(-10.0, 10.0));
        else if constexpr (std::is_same_v<T, float>) value = hostileFloat(frame.input);
        else value = hostileDouble(frame.input);
    }
    T get() const { return value; }
    void toVariant(CallFrame& frame, VARIANT& v) {
        if (frame.hostileArgument()) return hostileVariant(frame, v, value);
        VariantInit(&v);
        if constexpr (std::is_same_v<T, float>) {
            v.vt = VT_R4;
            v.fltVal = value;
        } else {
            v.vt = VT_R8;
            v.dblVal = value;
        }
    }
    void finish(CallFrame&, HRESULT, const VARIANT*) {}
};

// ---- In: strings ----

struct StringArgument {
    BSTR value = nullptr;
    void make(CallFrame& frame, char role);
    BSTR get() const { return value; }
    void toVariant(CallFrame& frame, VARIANT& v);
    void finish(CallFrame&, HRESULT, const VARIANT*) {}
};

// ---- Out: integers, reals, flags, strings, arrays ----

// The VARIANT type an out-parameter is passed by reference as, and how what
// it returns is freed.
template <class T>
struct OutTraits {
    static constexpr VARTYPE vt = std::is_same_v<T, int>            ? VARTYPE(VT_I4)
                                  : std::is_same_v<T, double>       ? VARTYPE(VT_R8)
                                  : std::is_same_v<T, VARIANT_BOOL> ? VARTYPE(VT_BOOL)
                                  : std::is_same_v<T, BSTR>         ? VARTYPE(VT_BSTR)
                                                                    : VARTYPE(VT_ARRAY | VT_R4);
    static void release(T value) {
        if constexpr (std::is_same_v<T, BSTR>) SysFreeString(value);
        else if constexpr (std::is_same_v<T, SAFEARRAY*>) SafeArrayDestroy(value);
    }
};

// A returned handle joins the pool under the role's kind.
void rememberOutHandle(CallFrame& frame, char role, int value);
// A by-reference VARIANT of the wrong width or kind for an out-parameter.
void wrongOutReference(CallFrame& frame, VARIANT& v);

template <class T>
struct OutArgument {
    using Traits = OutTraits<T>;
    T local{};
    T* pointer = &local;
    T* storage = nullptr;  // the by-reference target handed to Invoke
    T preset{};            // what storage held before the call
    bool throughResult = false;
    char role = 'I';

    void make(CallFrame& frame, char r) {
        role = r;
        if (frame.hostileArgument()) pointer = nullptr;
    }
    T* get() const { return pointer; }
    void returnThroughResult() { throughResult = true; }
    void toVariant(CallFrame& frame, VARIANT& v) {
        VariantInit(&v);
        if (frame.hostileArgument()) {
            switch (frame.input.below(3)) {
                case 0:
                    v.vt = VT_BYREF | Traits::vt;  // a null reference
                    v.byref = nullptr;
                    return;
                case 1: return wrongOutReference(frame, v);
                default: return hostileVariant(frame, v, 0);
            }
        }
        storage = new T{};
        v.vt = VT_BYREF | Traits::vt;
        v.byref = storage;
    }
    void finish(CallFrame& frame, HRESULT status, const VARIANT* result) {
        T value{};
        if (throughResult) {
            if (result && (result->vt == Traits::vt || (Traits::vt & VT_ARRAY && result->vt & VT_ARRAY)))
                std::memcpy(&value, &result->llVal, sizeof(T));
            // The session clears the result, which frees what it holds.
            if constexpr (std::is_same_v<T, int>)
                if (SUCCEEDED(status)) rememberOutHandle(frame, role, value);
            return;
        }
        if (storage) {
            value = *storage;
            delete storage;
        } else if (pointer) {
            value = local;
        }
        if constexpr (std::is_same_v<T, int>) {
            if (SUCCEEDED(status)) rememberOutHandle(frame, role, value);
        } else {
            Traits::release(value);
        }
    }
};

// ---- In or out: arrays ----

struct ArrayArgument {
    SAFEARRAY* array = nullptr;
    SAFEARRAY* original = nullptr;
    SAFEARRAY** pointer = &array;
    SAFEARRAY** storage = nullptr;
    std::vector<int> listed;  // the handles a well-formed handle array names
    OutArgument<SAFEARRAY*> out;
    bool isOut = false;
    char role = '3';

    void make(CallFrame& frame, char r);
    SAFEARRAY** get() { return isOut ? out.get() : pointer; }
    void returnThroughResult() { out.returnThroughResult(); }
    void toVariant(CallFrame& frame, VARIANT& v);
    void finish(CallFrame& frame, HRESULT status, const VARIANT* result);
};

// ---- The argument type of each parameter type ----

template <class P>
struct ArgumentFor {
    using type = IntArgument<P>;  // int and the enumerations
};
template <>
struct ArgumentFor<VARIANT_BOOL> {
    using type = BoolArgument;
};
template <>
struct ArgumentFor<float> {
    using type = RealArgument<float>;
};
template <>
struct ArgumentFor<double> {
    using type = RealArgument<double>;
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
concept Returnable = requires(A a) { a.returnThroughResult(); };

}  // namespace pelmora::fuzz
