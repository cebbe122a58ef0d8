#include "CallArguments.h"

#include <climits>

namespace pelmora::fuzz {

namespace {

Kind kindOfOutRole(char role, bool* isHandle) {
    *isHandle = true;
    switch (role) {
        case 'F': return Kind::Frame;
        case 'V': return Kind::Visual;
        case 'P': return Kind::Viewport;
        case 'X': return Kind::Provider;
        case 'D': return Kind::DeviceContext;
        default: *isHandle = false; return Kind::Frame;
    }
}

int drawFlags(FuzzInput& input) {
    static constexpr uint32_t kFlags[] = {1, 2, 3, 4, 5, 7, 8, 15, 0xF0000000u, 0};
    return static_cast<int>(kFlags[input.below(std::size(kFlags))]);
}

}  // namespace

int favouredInt(CallFrame& frame, char role) {
    FuzzInput& in = frame.input;
    const HandlePool& pool = frame.session.handles();
    const int owner = frame.session.currentContextSlot();
    switch (role) {
        case 'f': return in.rare(20) ? 0 : pool.pick(in, Kind::Frame, owner);
        case 'v': return pool.pick(in, Kind::Visual, owner);
        case 'g': return pool.pick(in, in.rare(128) ? Kind::Frame : Kind::Visual, owner);
        case 'p': return pool.pick(in, Kind::Viewport, owner);
        case 'q': return in.rare(40) ? in.between(1, 8) : 0;
        case 'h': return pool.pickObject(in);
        case 'w': return pool.pick(in, Kind::Window);
        case 'm': return pool.pick(in, Kind::Bitmap);
        case 'd': return pool.pick(in, Kind::DeviceContext);
        case 'k': return pool.pick(in, Kind::Factory);
        case 'e': return in.between(1, 6);
        case 'c': return static_cast<int>(in.u32() | 0xFF000000u);
        case 'z': return in.between(32, 96);
        case 'x': return in.between(0, 96);
        case 't': return in.between(0, 49);
        case 'u': return drawFlags(in);
        default: return in.between(-1, 20);
    }
}

int hostileHandleOrInt(CallFrame& frame) {
    FuzzInput& in = frame.input;
    const HandlePool& pool = frame.session.handles();
    int value = 0;
    switch (in.below(7)) {
        case 0: value = pool.pickStale(in); break;
        case 1: value = pool.pickAny(in); break;  // a handle of another kind or context
        case 2: value = pool.pickAny(in) ^ (1 << 20); break;  // another generation of a slot
        case 3: value = pool.pickAny(in) + 1; break;
        default: value = hostileInt(in); break;
    }
    return value;
}

void afterIntArgument(CallFrame& frame, char role, int value, HRESULT status) {
    // A released object's handle stays in the pool as a stale one.
    if (role == 'h' && SUCCEEDED(status)) frame.session.handles().release(value);
}

void rememberOutHandle(CallFrame& frame, char role, int value) {
    bool isHandle = false;
    const Kind kind = kindOfOutRole(role, &isHandle);
    if (isHandle && value != 0)
        frame.session.handles().add(value, kind, frame.session.currentContextSlot());
}

void wrongOutReference(CallFrame& frame, VARIANT& v) {
    switch (frame.input.below(5)) {
        case 0: v.vt = VT_BYREF | VT_I2; v.piVal = frame.keep<SHORT>(0); break;
        case 1: v.vt = VT_BYREF | VT_UI1; v.byref = frame.keep<BYTE>(0); break;
        case 2: v.vt = VT_BYREF | VT_R4; v.pfltVal = frame.keep<float>(0); break;
        case 3: v.vt = VT_BYREF | VT_BOOL; v.pboolVal = frame.keep<VARIANT_BOOL>(0); break;
        default: {
            VARIANT* inner = frame.keep<VARIANT>(VARIANT{});
            VariantInit(inner);
            frame.atEnd([inner] { VariantClear(inner); });
            v.vt = VT_BYREF | VT_VARIANT;
            v.pvarVal = inner;
        }
    }
}

// ---- Strings ----

void StringArgument::make(CallFrame& frame, char role) {
    const StringUse use = role == 'S' ? StringUse::FileName : StringUse::DeviceName;
    bool isNull = false;
    std::u16string text;
    if (frame.hostileArgument()) {
        text = hostileString(frame.input, use, &isNull);
    } else if (use == StringUse::DeviceName) {
        const int choice = static_cast<int>(frame.input.below(3));
        isNull = choice == 0;
        if (choice == 1) text = frame.session.deviceName();
    } else {
        text = plainString(frame.input, use);
    }
    value = makeBstr(text, isNull);
    BSTR owned = value;
    frame.atEnd([owned] { SysFreeString(owned); });
}

void StringArgument::toVariant(CallFrame& frame, VARIANT& v) {
    VariantInit(&v);
    if (frame.hostileArgument()) {
        if (frame.input.rare(128)) return hostileVariant(frame, v, 0);
        v.vt = VT_BYREF | VT_BSTR;
        v.pbstrVal = frame.keep<BSTR>(value);
        return;
    }
    v.vt = VT_BSTR;
    v.bstrVal = value;
}

// ---- Arrays ----

namespace {

ArrayUse arrayUseOf(char role) {
    switch (role) {
        case '3': return ArrayUse::Vertices;
        case 'N': return ArrayUse::Normals;
        case '#': return ArrayUse::Faces;
        case 'L': return ArrayUse::Lines;
        case 'T': return ArrayUse::Transform;
        case 'H': return ArrayUse::Handles;
        default: return ArrayUse::Any;
    }
}

VARTYPE elementTypeOf(SAFEARRAY* array) {
    VARTYPE vt = VT_R4;
    if (array) SafeArrayGetVartype(array, &vt);
    return vt;
}

void handleCandidates(CallFrame& frame) {
    FuzzInput& in = frame.input;
    const HandlePool& pool = frame.session.handles();
    for (int i = 0; i < 4; ++i) {
        const int handle = in.rare(40) ? pool.pickAny(in) : pool.pickObject(in);
        if (handle != 0) frame.arrays.handles.push_back(handle);
    }
}

}  // namespace

void ArrayArgument::make(CallFrame& frame, char r) {
    role = r;
    if (role == 'A') {
        isOut = true;
        out.make(frame, role);
        return;
    }
    if (role == 'H') handleCandidates(frame);
    const ArrayUse use = arrayUseOf(role);
    if (frame.hostileArgument()) {
        if (frame.input.rare(40)) pointer = nullptr;
        array = hostileArray(frame.input, use, frame.arrays);
    } else {
        array = wellFormedArray(frame.input, use, frame.arrays);
        if (role == 'H' && array) {
            LONG count = 0;
            SafeArrayGetUBound(array, 1, &count);
            int* data = nullptr;
            if (SUCCEEDED(SafeArrayAccessData(array, reinterpret_cast<void**>(&data)))) {
                listed.assign(data, data + count + 1);
                SafeArrayUnaccessData(array);
            }
        }
    }
    original = array;
}

void ArrayArgument::toVariant(CallFrame& frame, VARIANT& v) {
    if (isOut) return out.toVariant(frame, v);
    VariantInit(&v);
    const VARTYPE elements = elementTypeOf(array);
    if (frame.hostileArgument()) {
        switch (frame.input.below(4)) {
            case 0:
                v.vt = VT_BYREF | VT_ARRAY | elements;  // a null reference
                v.byref = nullptr;
                return;
            case 1: {
                VARIANT inner;
                VariantInit(&inner);
                inner.vt = VT_ARRAY | elements;
                inner.parray = array;
                v.vt = VT_BYREF | VT_VARIANT;
                v.pvarVal = frame.keep<VARIANT>(inner);
                return;
            }
            case 2: v.vt = VT_ARRAY | VT_BSTR; v.parray = array; return;  // a lie about the elements
            default: return hostileVariant(frame, v, 0);
        }
    }
    if (frame.input.rare(128)) {
        storage = frame.keep<SAFEARRAY*>(array);
        v.vt = VT_BYREF | VT_ARRAY | elements;
        v.pparray = storage;
    } else {
        v.vt = VT_ARRAY | elements;
        v.parray = array;
    }
}

void ArrayArgument::finish(CallFrame& frame, HRESULT status, const VARIANT* result) {
    if (isOut) return out.finish(frame, status, result);
    if (SUCCEEDED(status))
        for (int handle : listed) frame.session.handles().release(handle);
    // An in-array stays the caller's: the callee neither frees nor replaces it.
    SafeArrayDestroy(original);
    if (array != original) SafeArrayDestroy(array);
    if (storage && *storage != original && *storage != array) SafeArrayDestroy(*storage);
}

}  // namespace pelmora::fuzz
