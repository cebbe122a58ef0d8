#include <pelmora/automation.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/com/CountedUnknown.h"

namespace {

using pelmora::test::CountedUnknown;

struct ArrayDeleter {
    void operator()(SAFEARRAY* psa) const { EXPECT_EQ(SafeArrayDestroy(psa), S_OK); }
};
using ArrayPtr = std::unique_ptr<SAFEARRAY, ArrayDeleter>;

ArrayPtr makeVector(VARTYPE vt, LONG lowerBound, ULONG count) {
    return ArrayPtr(SafeArrayCreateVector(vt, lowerBound, count));
}

// Puts a fresh string at the index; the array keeps its own copy.
HRESULT putString(SAFEARRAY* array, LONG index, const char16_t* text) {
    BSTR copy = SysAllocString(text);
    const HRESULT status = SafeArrayPutElement(array, &index, copy);
    SysFreeString(copy);
    return status;
}

std::u16string stringAt(SAFEARRAY* array, LONG index) {
    BSTR fetched = nullptr;
    EXPECT_EQ(SafeArrayGetElement(array, &index, &fetched), S_OK);
    std::u16string text(fetched, SysStringLen(fetched));
    SysFreeString(fetched);
    return text;
}

// ---- creation, element sizes, types and bounds ----

TEST(SafeArrayCreateTest, ElementSizesAndTypesMatchThe64BitPlatform) {
    const std::pair<VARTYPE, UINT> expected[] = {
        {VT_I2, 2},       {VT_I4, 4},      {VT_R4, 4},   {VT_R8, 8},    {VT_BSTR, 8},
        {VT_BOOL, 2},     {VT_UI1, 1},     {VT_I1, 1},   {VT_UI2, 2},   {VT_UI4, 4},
        {VT_VARIANT, 24}, {VT_INT, 4},     {VT_UINT, 4}, {VT_I8, 8},    {VT_UI8, 8},
        {VT_CY, 8},       {VT_UNKNOWN, 8}, {VT_DATE, 8}, {VT_ERROR, 4}, {VT_DISPATCH, 8},
    };
    for (const auto& [type, size] : expected) {
        ArrayPtr array = makeVector(type, 0, 3);
        ASSERT_NE(array, nullptr) << type;
        EXPECT_EQ(SafeArrayGetElemsize(array.get()), size) << type;
        EXPECT_EQ(SafeArrayGetDim(array.get()), 1u);
        VARTYPE vt = VT_EMPTY;
        EXPECT_EQ(SafeArrayGetVartype(array.get(), &vt), S_OK);
        EXPECT_EQ(vt, type);
    }
}

TEST(SafeArrayCreateTest, UnsupportedTypesShapesAndMissingArgumentsAreRefused) {
    SAFEARRAYBOUND bound{4, 0};
    const VARTYPE unsupported[] = {VT_EMPTY, VT_NULL, VT_DECIMAL, VT_I4 | VT_ARRAY};
    for (VARTYPE vt : unsupported) EXPECT_EQ(SafeArrayCreate(vt, 1, &bound), nullptr) << vt;
    EXPECT_EQ(SafeArrayCreate(VT_I4, 0, &bound), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_I4, 1, nullptr), nullptr);

    LONG value = 0;
    EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
    EXPECT_EQ(SafeArrayGetUBound(nullptr, 1, &value), E_INVALIDARG);
    EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
    ArrayPtr array = makeVector(VT_I4, 0, 2);
    EXPECT_EQ(SafeArrayGetElement(array.get(), &value, nullptr), E_INVALIDARG);
}

TEST(SafeArrayCreateTest, BoundsWhoseUpperEndALongCannotHoldAreNotMade) {
    // SafeArrayGetUBound could not report them, and a reader's count would wrap.
    const struct {
        LONG lower;
        ULONG count;
        bool made;
    } cases[] = {
        {INT_MAX - 1, 2, true},  {INT_MAX - 1, 3, false}, {INT_MAX, 1, true},
        {INT_MIN, 1, true},      {INT_MIN, 0, false},     {1, 0x80000000u, false},
    };
    for (const auto& c : cases) {
        SAFEARRAYBOUND bounds[2] = {{1, 0}, {c.count, c.lower}};
        SAFEARRAY* vector = SafeArrayCreateVector(VT_UI1, c.lower, c.count);
        SAFEARRAY* grid = SafeArrayCreate(VT_UI1, 2, bounds);
        EXPECT_EQ(vector != nullptr, c.made) << c.lower << " " << c.count;
        EXPECT_EQ(grid != nullptr, c.made) << c.lower << " " << c.count;
        SafeArrayDestroy(vector);
        SafeArrayDestroy(grid);
    }
}

TEST(SafeArrayBoundsTest, EachDimensionReportsItsBoundsAndOthersAreBadIndices) {
    const struct {
        std::vector<SAFEARRAYBOUND> bounds;  // first dimension first
        std::vector<std::pair<LONG, LONG>> expected;
    } cases[] = {
        {{{6, 5}}, {{5, 10}}},
        {{{0, 0}}, {{0, -1}}},  // empty: ends just below its lower bound
        {{{2, 1}, {3, -1}, {4, 10}}, {{1, 2}, {-1, 1}, {10, 13}}},
    };
    for (const auto& c : cases) {
        const UINT dims = UINT(c.bounds.size());
        SCOPED_TRACE(dims);
        std::vector<SAFEARRAYBOUND> bounds = c.bounds;
        ArrayPtr array(SafeArrayCreate(VT_I2, dims, bounds.data()));
        ASSERT_NE(array, nullptr);
        EXPECT_EQ(SafeArrayGetDim(array.get()), dims);
        for (UINT dim = 1; dim <= dims; ++dim) {
            LONG lower = 0, upper = 0;
            EXPECT_EQ(SafeArrayGetLBound(array.get(), dim, &lower), S_OK);
            EXPECT_EQ(SafeArrayGetUBound(array.get(), dim, &upper), S_OK);
            EXPECT_EQ(std::make_pair(lower, upper), c.expected[dim - 1]) << "dimension " << dim;
        }
        // The descriptor stores them the other way round, as hosts read it.
        EXPECT_EQ(array->rgsabound[0].lLbound, c.bounds.back().lLbound);
        LONG bound = 0;
        EXPECT_EQ(SafeArrayGetUBound(array.get(), 0, &bound), DISP_E_BADINDEX);
        EXPECT_EQ(SafeArrayGetLBound(array.get(), dims + 1, &bound), DISP_E_BADINDEX);
        void* data = nullptr;
        EXPECT_EQ(SafeArrayAccessData(array.get(), &data), S_OK);
        EXPECT_NE(data, nullptr);
        EXPECT_EQ(SafeArrayUnaccessData(array.get()), S_OK);
    }
}

// ---- element access ----

TEST(SafeArrayElementTest, FirstIndexIsTheFastestVaryingAndEveryIndexIsChecked) {
    // Dimension 1: rows 1..3; dimension 2: columns 0..3.
    SAFEARRAYBOUND bounds[2] = {{3, 1}, {4, 0}};
    ArrayPtr array(SafeArrayCreate(VT_I4, 2, bounds));
    LONG value = 203;
    LONG at23[2] = {2, 3}, at30[2] = {3, 0};
    ASSERT_EQ(SafeArrayPutElement(array.get(), at23, &value), S_OK);
    value = 300;
    ASSERT_EQ(SafeArrayPutElement(array.get(), at30, &value), S_OK);
    LONG* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array.get(), reinterpret_cast<void**>(&data)), S_OK);
    EXPECT_EQ(data[(2 - 1) + 3 * 3], 203);
    EXPECT_EQ(data[(3 - 1) + 3 * 0], 300);
    EXPECT_EQ(SafeArrayUnaccessData(array.get()), S_OK);
    EXPECT_EQ(SafeArrayGetElement(array.get(), at23, &value), S_OK);
    EXPECT_EQ(value, 203);

    const LONG badIndices[][2] = {{0, 0}, {4, 0}, {1, -1}, {1, 4}};
    for (const auto& bad : badIndices) {
        LONG indices[2] = {bad[0], bad[1]};
        EXPECT_EQ(SafeArrayPutElement(array.get(), indices, &value), DISP_E_BADINDEX);
        EXPECT_EQ(SafeArrayGetElement(array.get(), indices, &value), DISP_E_BADINDEX);
    }
    EXPECT_EQ(array->cLocks, 0u);
}

// Under the sanitizer build a string left behind or freed twice fails the run.
TEST(SafeArrayElementTest, StringsAreCopiedInAndOutAndFreedWithTheArray) {
    ArrayPtr array = makeVector(VT_BSTR, 0, 3);
    const OLECHAR withZero[] = {u'x', 0, u'y'};
    BSTR original = SysAllocStringLen(withZero, 3);
    LONG index = 1;
    ASSERT_EQ(SafeArrayPutElement(array.get(), &index, original), S_OK);
    SysFreeString(original);  // the array holds its own copy
    EXPECT_EQ(stringAt(array.get(), 1), std::u16string(withZero, 3));
    ASSERT_EQ(putString(array.get(), 1, u"second"), S_OK);  // replacing frees the old copy

    // Storing an element's own string back keeps it; one written through the data is freed.
    BSTR* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array.get(), reinterpret_cast<void**>(&data)), S_OK);
    BSTR stored = data[1];
    data[2] = SysAllocString(u"adapter");
    EXPECT_EQ(SafeArrayUnaccessData(array.get()), S_OK);
    ASSERT_EQ(SafeArrayPutElement(array.get(), &index, stored), S_OK);
    EXPECT_EQ(stringAt(array.get(), 1), u"second");

    index = 0;  // a null string stays null and overwrites the out value
    BSTR fetched = SysAllocString(u"overwritten");
    BSTR previous = fetched;
    ASSERT_EQ(SafeArrayGetElement(array.get(), &index, &fetched), S_OK);
    EXPECT_EQ(fetched, nullptr);
    SysFreeString(previous);
}

TEST(SafeArrayElementTest, VariantsAreCopiedDeeplyInAndOut) {
    ArrayPtr outer = makeVector(VT_VARIANT, 0, 2);
    VARIANT in;
    in.vt = VT_ARRAY | VT_BSTR;
    in.parray = SafeArrayCreateVector(VT_BSTR, 3, 1);
    ASSERT_EQ(putString(in.parray, 3, u"nested"), S_OK);
    LONG index = 0;
    ASSERT_EQ(SafeArrayPutElement(outer.get(), &index, &in), S_OK);
    EXPECT_EQ(VariantClear(&in), S_OK);

    VARIANT out;  // left uninitialised on purpose: getting an element fills it
    ASSERT_EQ(SafeArrayGetElement(outer.get(), &index, &out), S_OK);
    ASSERT_EQ(out.vt, VT_ARRAY | VT_BSTR);
    EXPECT_EQ(stringAt(out.parray, 3), u"nested");
    EXPECT_EQ(VariantClear(&out), S_OK);
    index = 1;
    ASSERT_EQ(SafeArrayGetElement(outer.get(), &index, &out), S_OK);
    EXPECT_EQ(out.vt, VT_EMPTY);
}

TEST(SafeArrayElementTest, InterfacesAreReferenceCountedWithTheArrayLocked) {
    CountedUnknown first, second;
    {
        ArrayPtr array = makeVector(VT_UNKNOWN, 0, 1);
        std::vector<ULONG> locksSeen;
        first.onAddRef = [&] { locksSeen.push_back(array->cLocks); };
        LONG index = 0;
        ASSERT_EQ(SafeArrayPutElement(array.get(), &index, static_cast<IUnknown*>(&first)), S_OK);
        EXPECT_EQ(first.count, 2u);

        IUnknown* fetched = nullptr;
        ASSERT_EQ(SafeArrayGetElement(array.get(), &index, &fetched), S_OK);
        EXPECT_EQ(fetched, &first);
        EXPECT_EQ(first.count, 3u);
        fetched->Release();
        EXPECT_EQ(locksSeen, (std::vector<ULONG>{1, 1}));
        EXPECT_EQ(array->cLocks, 0u);
        first.onAddRef = nullptr;

        ASSERT_EQ(SafeArrayPutElement(array.get(), &index, static_cast<IUnknown*>(&second)), S_OK);
        EXPECT_EQ(first.count, 1u);
        EXPECT_EQ(second.count, 2u);
    }
    EXPECT_EQ(second.count, 1u);  // destroying the array released it
}

// ---- locking and destruction ----

TEST(SafeArrayLockTest, AccessCountsLocksAndALockedArrayCannotBeDestroyed) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, 2);
    BSTR* data = nullptr;
    void* again = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array, reinterpret_cast<void**>(&data)), S_OK);
    ASSERT_EQ(SafeArrayAccessData(array, &again), S_OK);
    EXPECT_EQ(again, data);
    EXPECT_EQ(array->cLocks, 2u);
    data[0] = SysAllocString(u"kept");

    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(std::u16string(data[0]), u"kept");
    EXPECT_EQ(putString(array, 1, u"added while locked"), S_OK);
    EXPECT_EQ(array->cLocks, 2u);
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(array), E_UNEXPECTED);
    EXPECT_EQ(array->cLocks, 0u);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST(SafeArrayLockTest, CallerOwnedStorageIsNotFreed) {
    // A descriptor built by the caller on its own stack: destroy releases the
    // elements but must not free either block.
    BSTR strings[1] = {SysAllocString(u"stack")};
    SAFEARRAY descriptor{};
    descriptor.cDims = 1;
    descriptor.fFeatures = FADF_AUTO | FADF_BSTR;
    descriptor.cbElements = sizeof(BSTR);
    descriptor.pvData = strings;
    descriptor.rgsabound[0] = {1, 0};
    EXPECT_EQ(SafeArrayDestroy(&descriptor), S_OK);
    EXPECT_EQ(strings[0], nullptr);
    VARTYPE vt;
    EXPECT_EQ(SafeArrayGetVartype(&descriptor, &vt), E_INVALIDARG);
}

}  // namespace
