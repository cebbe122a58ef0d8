// Self-describing arrays. A descriptor from SafeArrayCreate is one block:
// hidden storage (the interface id of interface arrays, the element type in
// the 4 bytes just before the descriptor), then the descriptor with its
// bounds. The data is a separate zero-filled block, stored column-major: the
// leftmost dimension varies fastest. Bounds are kept last dimension first,
// so rgsabound[cDims - 1] is dimension 1.
#include <pelmora/automation.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/com/AutomationCopy.h"

namespace {

struct DescriptorPrefix {
    GUID iid;
    DWORD reserved;
    DWORD vartype;
};
static_assert(sizeof(DescriptorPrefix) % alignof(SAFEARRAY) == 0);
static_assert(sizeof(VARIANT) == 24 && sizeof(void*) == 8, "element sizes assume a 64-bit host");

// Feature bit the public header leaves out: the descriptor carries an interface id.
constexpr USHORT kFeatureHaveIid = 0x0040;
// Storage the caller owns: destroying such an array frees neither block.
constexpr USHORT kCallerOwnedStorage = FADF_AUTO | FADF_STATIC | FADF_EMBEDDED;
constexpr ULONG kMaxLocks = 0xFFFF;
constexpr UINT kMaxDims = 0xFFFF;

struct ElementType {
    VARTYPE vt;
    ULONG size;
    USHORT features;
};

constexpr USHORT kHaveVartype = FADF_HAVEVARTYPE;
constexpr ElementType kElementTypes[] = {
    {VT_I2, 2, kHaveVartype},
    {VT_I4, 4, kHaveVartype},
    {VT_R4, 4, kHaveVartype},
    {VT_R8, 8, kHaveVartype},
    {VT_CY, 8, kHaveVartype},
    {VT_DATE, 8, kHaveVartype},
    {VT_BSTR, sizeof(BSTR), FADF_BSTR | kHaveVartype},
    {VT_DISPATCH, sizeof(IDispatch*), FADF_DISPATCH | kFeatureHaveIid},
    {VT_ERROR, 4, kHaveVartype},
    {VT_BOOL, 2, kHaveVartype},
    {VT_VARIANT, sizeof(VARIANT), FADF_VARIANT | kHaveVartype},
    {VT_UNKNOWN, sizeof(IUnknown*), FADF_UNKNOWN | kFeatureHaveIid},
    {VT_I1, 1, kHaveVartype},
    {VT_UI1, 1, kHaveVartype},
    {VT_UI2, 2, kHaveVartype},
    {VT_UI4, 4, kHaveVartype},
    {VT_I8, 8, kHaveVartype},
    {VT_UI8, 8, kHaveVartype},
    {VT_INT, 4, kHaveVartype},
    {VT_UINT, 4, kHaveVartype},
};

const ElementType* findElementType(VARTYPE vt) {
    for (const ElementType& type : kElementTypes)
        if (type.vt == vt) return &type;
    return nullptr;
}

// How an element is copied and released, told by the feature flags as the
// platform does, so descriptors built by a host behave the same.
enum class ElementKind { Plain, String, Interface, Variant };

ElementKind kindOf(const SAFEARRAY* psa) {
    if (psa->fFeatures & FADF_BSTR) return ElementKind::String;
    if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) return ElementKind::Interface;
    if (psa->fFeatures & FADF_VARIANT) return ElementKind::Variant;
    return ElementKind::Plain;
}

DescriptorPrefix* prefixOf(SAFEARRAY* psa) {
    return reinterpret_cast<DescriptorPrefix*>(reinterpret_cast<char*>(psa) -
                                               sizeof(DescriptorPrefix));
}

// Through a pointer: the descriptor is allocated with cDims bounds, not one.
SAFEARRAYBOUND* boundsOf(SAFEARRAY* psa) { return psa->rgsabound; }

// The bounds of a 1-based dimension, or null when there is no such dimension.
SAFEARRAYBOUND* dimensionBounds(SAFEARRAY* psa, UINT nDim) {
    if (nDim == 0 || nDim > psa->cDims) return nullptr;
    return boundsOf(psa) + (psa->cDims - nDim);
}

bool countCells(SAFEARRAY* psa, size_t* cells) {
    size_t count = 1;
    for (UINT i = 0; i < psa->cDims; ++i)
        if (__builtin_mul_overflow(count, size_t{boundsOf(psa)[i].cElements}, &count)) return false;
    *cells = count;
    return true;
}

char* cellAt(SAFEARRAY* psa, size_t cell) {
    return static_cast<char*>(psa->pvData) + cell * psa->cbElements;
}

void releaseElement(ElementKind kind, void* slot) {
    switch (kind) {
        case ElementKind::String:
            SysFreeString(*static_cast<BSTR*>(slot));
            *static_cast<BSTR*>(slot) = nullptr;
            break;
        case ElementKind::Interface:
            if (IUnknown* object = *static_cast<IUnknown**>(slot)) object->Release();
            *static_cast<IUnknown**>(slot) = nullptr;
            break;
        case ElementKind::Variant:
            VariantClear(static_cast<VARIANT*>(slot));
            break;
        case ElementKind::Plain:
            break;
    }
}

// Copies one element into dest, which holds nothing that needs freeing.
HRESULT copyElement(ElementKind kind, ULONG size, void* dest, const void* source) {
    switch (kind) {
        case ElementKind::String: {
            BSTR text = *static_cast<const BSTR*>(source);
            BSTR copy = pelmora::copyBstr(text);
            *static_cast<BSTR*>(dest) = copy;
            return (text != nullptr && copy == nullptr) ? E_OUTOFMEMORY : S_OK;
        }
        case ElementKind::Interface: {
            IUnknown* object = *static_cast<IUnknown* const*>(source);
            if (object != nullptr) object->AddRef();
            *static_cast<IUnknown**>(dest) = object;
            return S_OK;
        }
        case ElementKind::Variant:
            return pelmora::copyVariant(static_cast<VARIANT*>(dest),
                                        static_cast<const VARIANT*>(source));
        case ElementKind::Plain:
            // A caller may pass the element's own address, taken from the accessed data.
            std::memmove(dest, source, size);
            return S_OK;
    }
    return E_UNEXPECTED;
}

void releaseAllElements(SAFEARRAY* psa) {
    const ElementKind kind = kindOf(psa);
    size_t cells = 0;
    if (kind == ElementKind::Plain || psa->pvData == nullptr || !countCells(psa, &cells)) return;
    for (size_t cell = 0; cell < cells; ++cell) releaseElement(kind, cellAt(psa, cell));
}

HRESULT lockArray(SAFEARRAY* psa) {
    if (psa->cLocks >= kMaxLocks) return E_UNEXPECTED;
    ++psa->cLocks;
    return S_OK;
}

HRESULT unlockArray(SAFEARRAY* psa) {
    if (psa->cLocks == 0) return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

// Holds a lock for the length of one element copy, so the array cannot be
// destroyed underneath it.
class ScopedArrayLock {
public:
    explicit ScopedArrayLock(SAFEARRAY* psa) : psa_(psa), status_(lockArray(psa)) {}
    ~ScopedArrayLock() {
        if (SUCCEEDED(status_)) unlockArray(psa_);
    }
    ScopedArrayLock(const ScopedArrayLock&) = delete;
    ScopedArrayLock& operator=(const ScopedArrayLock&) = delete;
    HRESULT status() const { return status_; }

private:
    SAFEARRAY* psa_;
    HRESULT status_;
};

// rgIndices[0] indexes dimension 1, the fastest varying one.
HRESULT elementAt(SAFEARRAY* psa, const LONG* rgIndices, void** slot) {
    size_t cells = 0;
    // A hand-built descriptor whose cells overflow could wrap an offset back
    // into some other memory.
    if (psa->pvData == nullptr || !countCells(psa, &cells)) return E_UNEXPECTED;
    size_t cell = 0;
    size_t stride = 1;
    for (UINT i = 0; i < psa->cDims; ++i) {
        const SAFEARRAYBOUND& bound = *dimensionBounds(psa, i + 1);
        const int64_t offset = int64_t{rgIndices[i]} - bound.lLbound;
        if (offset < 0 || offset >= int64_t{bound.cElements}) return DISP_E_BADINDEX;
        cell += static_cast<size_t>(offset) * stride;
        stride *= bound.cElements;
    }
    *slot = cellAt(psa, cell);
    return S_OK;
}

SAFEARRAY* allocateDescriptor(const ElementType& type, UINT cDims) {
    const size_t bytes = sizeof(DescriptorPrefix) + offsetof(SAFEARRAY, rgsabound) +
                         cDims * sizeof(SAFEARRAYBOUND);
    char* block = static_cast<char*>(std::calloc(1, bytes));
    if (block == nullptr) return nullptr;
    auto* prefix = reinterpret_cast<DescriptorPrefix*>(block);
    prefix->vartype = type.vt;
    if (type.vt == VT_UNKNOWN) prefix->iid = IID_IUnknown;
    if (type.vt == VT_DISPATCH) prefix->iid = IID_IDispatch;
    auto* psa = reinterpret_cast<SAFEARRAY*>(block + sizeof(DescriptorPrefix));
    psa->cDims = static_cast<USHORT>(cDims);
    psa->fFeatures = type.features;
    psa->cbElements = type.size;
    return psa;
}

void freeDescriptor(SAFEARRAY* psa) { std::free(prefixOf(psa)); }

// Always a real block, even for an empty array, so a caller that checks the
// data pointer after access sees success.
bool allocateData(SAFEARRAY* psa) {
    size_t cells = 0;
    size_t bytes = 0;
    if (!countCells(psa, &cells) || __builtin_mul_overflow(cells, size_t{psa->cbElements}, &bytes))
        return false;
    psa->pvData = std::calloc(bytes == 0 ? 1 : bytes, 1);
    return psa->pvData != nullptr;
}

// The upper bound, lLbound + cElements - 1, must be a LONG too, or
// SafeArrayGetUBound could not report it and a reader's count would wrap.
bool upperBoundFits(const SAFEARRAYBOUND& bound) {
    const int64_t upper = int64_t{bound.lLbound} + int64_t{bound.cElements} - 1;
    return upper >= std::numeric_limits<LONG>::min() && upper <= std::numeric_limits<LONG>::max();
}

// Bounds arrive leftmost dimension first and are stored reversed.
SAFEARRAY* createWithBounds(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* leftmostFirst) {
    const ElementType* type = findElementType(vt);
    if (type == nullptr || cDims == 0 || cDims > kMaxDims || leftmostFirst == nullptr)
        return nullptr;
    for (UINT i = 0; i < cDims; ++i)
        if (!upperBoundFits(leftmostFirst[i])) return nullptr;
    SAFEARRAY* psa = allocateDescriptor(*type, cDims);
    if (psa == nullptr) return nullptr;
    for (UINT i = 0; i < cDims; ++i) *dimensionBounds(psa, i + 1) = leftmostFirst[i];
    if (!allocateData(psa)) {
        freeDescriptor(psa);
        return nullptr;
    }
    return psa;
}

HRESULT copyAllElements(SAFEARRAY* source, SAFEARRAY* copy) {
    const ElementKind kind = kindOf(source);
    size_t cells = 0;
    if (!countCells(source, &cells)) return E_OUTOFMEMORY;
    for (size_t cell = 0; cell < cells; ++cell) {
        HRESULT hr = copyElement(kind, source->cbElements, cellAt(copy, cell), cellAt(source, cell));
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
    return createWithBounds(vt, cDims, rgsabound);
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
    const SAFEARRAYBOUND bound{cElements, lLbound};
    return createWithBounds(vt, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
    if (psa == nullptr) return S_OK;
    if (psa->cLocks != 0) return DISP_E_ARRAYISLOCKED;
    releaseAllElements(psa);
    if (psa->fFeatures & kCallerOwnedStorage) return S_OK;
    std::free(psa->pvData);
    freeDescriptor(psa);
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa == nullptr ? 0 : psa->cDims; }

UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa == nullptr ? 0 : psa->cbElements; }

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
    if (psa == nullptr || plUbound == nullptr) return E_INVALIDARG;
    const SAFEARRAYBOUND* bound = dimensionBounds(psa, nDim);
    if (bound == nullptr) return DISP_E_BADINDEX;
    // An empty dimension has its upper bound just below the lower one. A
    // hand-built descriptor's bound that a LONG cannot hold wraps, as the
    // platform's does; readers count in 64 bits and refuse it.
    *plUbound = static_cast<LONG>(int64_t{bound->lLbound} + int64_t{bound->cElements} - 1);
    return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
    if (psa == nullptr || plLbound == nullptr) return E_INVALIDARG;
    const SAFEARRAYBOUND* bound = dimensionBounds(psa, nDim);
    if (bound == nullptr) return DISP_E_BADINDEX;
    *plLbound = bound->lLbound;
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
    if (psa == nullptr || ppvData == nullptr) return E_INVALIDARG;
    HRESULT hr = lockArray(psa);
    if (FAILED(hr)) return hr;
    *ppvData = psa->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) {
    if (psa == nullptr) return E_INVALIDARG;
    return unlockArray(psa);
}

HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
    if (psa == nullptr || rgIndices == nullptr || pv == nullptr) return E_INVALIDARG;
    ScopedArrayLock lock(psa);
    if (FAILED(lock.status())) return lock.status();
    void* slot = nullptr;
    HRESULT hr = elementAt(psa, rgIndices, &slot);
    if (FAILED(hr)) return hr;
    return copyElement(kindOf(psa), psa->cbElements, pv, slot);
}

HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
    if (psa == nullptr || rgIndices == nullptr) return E_INVALIDARG;
    const ElementKind kind = kindOf(psa);
    // Strings and interfaces are passed as the pointer itself, which may be null.
    const bool byValue = kind == ElementKind::String || kind == ElementKind::Interface;
    if (pv == nullptr && !byValue) return E_INVALIDARG;
    ScopedArrayLock lock(psa);
    if (FAILED(lock.status())) return lock.status();
    void* slot = nullptr;
    HRESULT hr = elementAt(psa, rgIndices, &slot);
    if (FAILED(hr)) return hr;
    const void* source = byValue ? static_cast<const void*>(&pv) : pv;
    if (kind == ElementKind::Plain) return copyElement(kind, psa->cbElements, slot, source);
    // Copy before releasing the old value: the caller may be storing the
    // element's own value back.
    alignas(VARIANT) unsigned char staged[sizeof(VARIANT)] = {};
    hr = copyElement(kind, psa->cbElements, staged, source);
    if (FAILED(hr)) return hr;
    releaseElement(kind, slot);
    std::memcpy(slot, staged, kind == ElementKind::Variant ? sizeof(VARIANT) : sizeof(void*));
    return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
    if (psa == nullptr || pvt == nullptr) return E_INVALIDARG;
    if (psa->fFeatures & kFeatureHaveIid) {
        *pvt = (psa->fFeatures & FADF_DISPATCH) ? VT_DISPATCH : VT_UNKNOWN;
        return S_OK;
    }
    if (!(psa->fFeatures & FADF_HAVEVARTYPE)) return E_INVALIDARG;
    *pvt = static_cast<VARTYPE>(prefixOf(psa)->vartype);
    return S_OK;
}

namespace pelmora {

HRESULT copySafeArray(SAFEARRAY* source, SAFEARRAY** copy) {
    *copy = nullptr;
    if (source == nullptr) return S_OK;
    VARTYPE vt = VT_EMPTY;
    HRESULT hr = SafeArrayGetVartype(source, &vt);
    if (FAILED(hr)) return hr;
    std::vector<SAFEARRAYBOUND> bounds(source->cDims);
    for (UINT i = 0; i < source->cDims; ++i) bounds[i] = *dimensionBounds(source, i + 1);
    SAFEARRAY* result = createWithBounds(vt, source->cDims, bounds.data());
    if (result == nullptr) return E_OUTOFMEMORY;
    // A hand-built descriptor whose element size disagrees with its type
    // cannot be copied cell by cell.
    const bool sameShape = result->cbElements == source->cbElements && source->pvData != nullptr;
    hr = sameShape ? copyAllElements(source, result) : E_INVALIDARG;
    if (FAILED(hr)) {
        SafeArrayDestroy(result);
        return hr;
    }
    *copy = result;
    return S_OK;
}

}  // namespace pelmora
