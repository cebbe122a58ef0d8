#include <pelmora/automation.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/com/CountedUnknown.h"

namespace {

struct ArrayDeleter {
    void operator()(SAFEARRAY* psa) const { EXPECT_EQ(SafeArrayDestroy(psa), S_OK); }
};
using ArrayPtr = std::unique_ptr<SAFEARRAY, ArrayDeleter>;

ArrayPtr makeVector(VARTYPE vt, LONG lowerBound, ULONG count) {
    return ArrayPtr(SafeArrayCreateVector(vt, lowerBound, count));
}

// ---- creation, element sizes and types ----

TEST(SafeArrayCreateTest, ElementSizesAndTypesMatchThe64BitPlatform) {
    const struct {
        VARTYPE vt;
        UINT size;
    } expected[] = {
        {VT_I2, 2},      {VT_I4, 4},       {VT_R4, 4},    {VT_R8, 8},   {VT_BSTR, 8},
        {VT_BOOL, 2},    {VT_VARIANT, 24}, {VT_UNKNOWN, 8}, {VT_DISPATCH, 8}, {VT_UI1, 1},
        {VT_I1, 1},      {VT_UI2, 2},      {VT_UI4, 4},   {VT_INT, 4},  {VT_UINT, 4},
        {VT_I8, 8},      {VT_UI8, 8},      {VT_ERROR, 4}, {VT_CY, 8},   {VT_DATE, 8},
    };
    for (const auto& entry : expected) {
        SCOPED_TRACE("vartype " + std::to_string(entry.vt));
        ArrayPtr array = makeVector(entry.vt, 0, 3);
        ASSERT_NE(array, nullptr);
        EXPECT_EQ(SafeArrayGetElemsize(array.get()), entry.size);
        EXPECT_EQ(SafeArrayGetDim(array.get()), 1u);
        VARTYPE vt = VT_EMPTY;
        EXPECT_EQ(SafeArrayGetVartype(array.get(), &vt), S_OK);
        EXPECT_EQ(vt, entry.vt);
    }
}

TEST(SafeArrayCreateTest, UnsupportedTypesAndShapesGiveNull) {
    SAFEARRAYBOUND bound{4, 0};
    EXPECT_EQ(SafeArrayCreate(VT_EMPTY, 1, &bound), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_NULL, 1, &bound), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_DECIMAL, 1, &bound), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_I4 | VT_ARRAY, 1, &bound), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_I4, 0, &bound), nullptr);
    EXPECT_EQ(SafeArrayCreate(VT_I4, 1, nullptr), nullptr);
    EXPECT_EQ(SafeArrayCreateVector(VT_EMPTY, 0, 4), nullptr);
}

TEST(SafeArrayCreateTest, FeatureFlagsDescribeTheElements) {
    const USHORT kinds = FADF_BSTR | FADF_VARIANT | FADF_UNKNOWN | FADF_DISPATCH;
    EXPECT_EQ(makeVector(VT_I4, 0, 1)->fFeatures & (kinds | FADF_HAVEVARTYPE), FADF_HAVEVARTYPE);
    EXPECT_EQ(makeVector(VT_BSTR, 0, 1)->fFeatures & (kinds | FADF_HAVEVARTYPE),
              FADF_BSTR | FADF_HAVEVARTYPE);
    EXPECT_EQ(makeVector(VT_VARIANT, 0, 1)->fFeatures & (kinds | FADF_HAVEVARTYPE),
              FADF_VARIANT | FADF_HAVEVARTYPE);
    EXPECT_EQ(makeVector(VT_UNKNOWN, 0, 1)->fFeatures & kinds, FADF_UNKNOWN);
    EXPECT_EQ(makeVector(VT_DISPATCH, 0, 1)->fFeatures & kinds, FADF_DISPATCH);
}

TEST(SafeArrayCreateTest, DataStartsZeroed) {
    ArrayPtr array = makeVector(VT_R8, 0, 16);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array.get(), &data), S_OK);
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < 16 * sizeof(double); ++i) ASSERT_EQ(bytes[i], 0u) << "byte " << i;
    EXPECT_EQ(SafeArrayUnaccessData(array.get()), S_OK);
}

TEST(SafeArrayCreateTest, MissingArgumentsAreRefused) {
    VARTYPE vt;
    LONG bound;
    void* data;
    EXPECT_EQ(SafeArrayGetDim(nullptr), 0u);
    EXPECT_EQ(SafeArrayGetElemsize(nullptr), 0u);
    EXPECT_EQ(SafeArrayGetVartype(nullptr, &vt), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetUBound(nullptr, 1, &bound), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetLBound(nullptr, 1, &bound), E_INVALIDARG);
    EXPECT_EQ(SafeArrayAccessData(nullptr, &data), E_INVALIDARG);
    EXPECT_EQ(SafeArrayUnaccessData(nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);

    ArrayPtr array = makeVector(VT_I4, 0, 2);
    LONG index = 0;
    EXPECT_EQ(SafeArrayPutElement(array.get(), &index, nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetElement(array.get(), &index, nullptr), E_INVALIDARG);
    EXPECT_EQ(SafeArrayGetElement(array.get(), nullptr, &bound), E_INVALIDARG);
    EXPECT_EQ(SafeArrayPutElement(nullptr, &index, &bound), E_INVALIDARG);
}

// ---- bounds ----

TEST(SafeArrayBoundsTest, VectorWithNonZeroLowerBound) {
    ArrayPtr array = makeVector(VT_I4, 5, 6);
    LONG lower = 0, upper = 0;
    EXPECT_EQ(SafeArrayGetLBound(array.get(), 1, &lower), S_OK);
    EXPECT_EQ(SafeArrayGetUBound(array.get(), 1, &upper), S_OK);
    EXPECT_EQ(lower, 5);
    EXPECT_EQ(upper, 10);
}

TEST(SafeArrayBoundsTest, EmptyVectorEndsJustBelowItsLowerBound) {
    ArrayPtr array = makeVector(VT_BSTR, 0, 0);
    ASSERT_NE(array, nullptr);
    LONG upper = 0;
    EXPECT_EQ(SafeArrayGetUBound(array.get(), 1, &upper), S_OK);
    EXPECT_EQ(upper, -1);
    void* data = nullptr;
    EXPECT_EQ(SafeArrayAccessData(array.get(), &data), S_OK);
    EXPECT_NE(data, nullptr);
    EXPECT_EQ(SafeArrayUnaccessData(array.get()), S_OK);
}

TEST(SafeArrayBoundsTest, DimensionOutOfRangeIsBadIndex) {
    ArrayPtr array = makeVector(VT_I4, 0, 2);
    LONG bound = 0;
    EXPECT_EQ(SafeArrayGetUBound(array.get(), 0, &bound), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetUBound(array.get(), 2, &bound), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetLBound(array.get(), 0, &bound), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetLBound(array.get(), 2, &bound), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayGetUBound(array.get(), 1, nullptr), E_INVALIDARG);
}

TEST(SafeArrayBoundsTest, MultiDimensionalBoundsAreStoredLastDimensionFirst) {
    SAFEARRAYBOUND bounds[3] = {{2, 1}, {3, -1}, {4, 10}};
    ArrayPtr array(SafeArrayCreate(VT_I2, 3, bounds));
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(SafeArrayGetDim(array.get()), 3u);
    const LONG expectedLower[] = {1, -1, 10};
    const LONG expectedUpper[] = {2, 1, 13};
    for (UINT dim = 1; dim <= 3; ++dim) {
        LONG lower = 0, upper = 0;
        EXPECT_EQ(SafeArrayGetLBound(array.get(), dim, &lower), S_OK);
        EXPECT_EQ(SafeArrayGetUBound(array.get(), dim, &upper), S_OK);
        EXPECT_EQ(lower, expectedLower[dim - 1]) << "dimension " << dim;
        EXPECT_EQ(upper, expectedUpper[dim - 1]) << "dimension " << dim;
    }
    const SAFEARRAYBOUND* stored = array->rgsabound;
    EXPECT_EQ(stored[2].cElements, 2u);
    EXPECT_EQ(stored[2].lLbound, 1);
    EXPECT_EQ(stored[0].cElements, 4u);
    EXPECT_EQ(stored[0].lLbound, 10);
}

// ---- element access ----

TEST(SafeArrayElementTest, FirstIndexIsTheFastestVaryingDimension) {
    // Dimension 1: rows 1..3; dimension 2: columns 0..3.
    SAFEARRAYBOUND bounds[2] = {{3, 1}, {4, 0}};
    ArrayPtr array(SafeArrayCreate(VT_I4, 2, bounds));
    for (LONG row = 1; row <= 3; ++row) {
        for (LONG column = 0; column <= 3; ++column) {
            LONG indices[2] = {row, column};
            LONG value = 100 * row + column;
            ASSERT_EQ(SafeArrayPutElement(array.get(), indices, &value), S_OK);
        }
    }
    LONG* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array.get(), reinterpret_cast<void**>(&data)), S_OK);
    for (LONG row = 1; row <= 3; ++row)
        for (LONG column = 0; column <= 3; ++column)
            EXPECT_EQ(data[(row - 1) + 3 * column], 100 * row + column);
    EXPECT_EQ(SafeArrayUnaccessData(array.get()), S_OK);

    LONG indices[2] = {2, 3};
    LONG value = 0;
    EXPECT_EQ(SafeArrayGetElement(array.get(), indices, &value), S_OK);
    EXPECT_EQ(value, 203);
}

TEST(SafeArrayElementTest, EveryIndexIsBoundsChecked) {
    SAFEARRAYBOUND bounds[2] = {{3, 1}, {4, 0}};
    ArrayPtr array(SafeArrayCreate(VT_I4, 2, bounds));
    LONG value = 7;
    const LONG badIndices[][2] = {{0, 0}, {4, 0}, {1, -1}, {1, 4}};
    for (const auto& bad : badIndices) {
        LONG indices[2] = {bad[0], bad[1]};
        EXPECT_EQ(SafeArrayPutElement(array.get(), indices, &value), DISP_E_BADINDEX);
        EXPECT_EQ(SafeArrayGetElement(array.get(), indices, &value), DISP_E_BADINDEX);
    }
    EXPECT_EQ(array->cLocks, 0u);
}

TEST(SafeArrayElementTest, StringsAreCopiedInAndOut) {
    ArrayPtr array = makeVector(VT_BSTR, 0, 2);
    const OLECHAR withZero[] = {u'x', 0, u'y'};
    BSTR original = SysAllocStringLen(withZero, 3);
    LONG index = 1;
    ASSERT_EQ(SafeArrayPutElement(array.get(), &index, original), S_OK);
    SysFreeString(original);  // the array holds its own copy

    BSTR fetched = nullptr;
    ASSERT_EQ(SafeArrayGetElement(array.get(), &index, &fetched), S_OK);
    EXPECT_EQ(std::u16string(fetched, SysStringLen(fetched)), std::u16string(withZero, 3));
    SysFreeString(fetched);

    // Replacing frees the old copy; a null string stays null.
    BSTR replacement = SysAllocString(u"second");
    ASSERT_EQ(SafeArrayPutElement(array.get(), &index, replacement), S_OK);
    SysFreeString(replacement);
    index = 0;
    ASSERT_EQ(SafeArrayPutElement(array.get(), &index, nullptr), S_OK);
    fetched = SysAllocString(u"overwritten");
    BSTR previous = fetched;
    ASSERT_EQ(SafeArrayGetElement(array.get(), &index, &fetched), S_OK);
    EXPECT_EQ(fetched, nullptr);
    SysFreeString(previous);
}

TEST(SafeArrayElementTest, StoringAnElementsOwnStringBackKeepsIt) {
    ArrayPtr array = makeVector(VT_BSTR, 0, 1);
    LONG index = 0;
    BSTR text = SysAllocString(u"same");
    ASSERT_EQ(SafeArrayPutElement(array.get(), &index, text), S_OK);
    SysFreeString(text);
    BSTR* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array.get(), reinterpret_cast<void**>(&data)), S_OK);
    BSTR stored = data[0];
    EXPECT_EQ(SafeArrayUnaccessData(array.get()), S_OK);
    ASSERT_EQ(SafeArrayPutElement(array.get(), &index, stored), S_OK);
    BSTR fetched = nullptr;
    ASSERT_EQ(SafeArrayGetElement(array.get(), &index, &fetched), S_OK);
    EXPECT_EQ(std::u16string(fetched), u"same");
    SysFreeString(fetched);
}

TEST(SafeArrayElementTest, DestroyFreesStringsWrittenThroughAccessedData) {
    // Under the sanitizer build a string left behind here fails the run as a leak.
    ArrayPtr array = makeVector(VT_BSTR, 0, 3);
    BSTR* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array.get(), reinterpret_cast<void**>(&data)), S_OK);
    for (int i = 0; i < 3; ++i) data[i] = SysAllocString(u"adapter");
    EXPECT_EQ(SafeArrayUnaccessData(array.get()), S_OK);
}

TEST(SafeArrayElementTest, VariantsAreCopiedInAndOut) {
    ArrayPtr array = makeVector(VT_VARIANT, 0, 2);
    VARIANT in;
    VariantInit(&in);
    in.vt = VT_BSTR;
    in.bstrVal = SysAllocString(u"inside");
    LONG index = 0;
    ASSERT_EQ(SafeArrayPutElement(array.get(), &index, &in), S_OK);
    EXPECT_EQ(VariantClear(&in), S_OK);

    VARIANT out;  // left uninitialised on purpose: getting an element fills it
    ASSERT_EQ(SafeArrayGetElement(array.get(), &index, &out), S_OK);
    ASSERT_EQ(out.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(out.bstrVal), u"inside");
    EXPECT_EQ(VariantClear(&out), S_OK);

    index = 1;
    ASSERT_EQ(SafeArrayGetElement(array.get(), &index, &out), S_OK);
    EXPECT_EQ(out.vt, VT_EMPTY);
}

TEST(SafeArrayElementTest, VariantHoldingAnArrayIsCopiedDeeply) {
    ArrayPtr outer = makeVector(VT_VARIANT, 0, 1);
    VARIANT in;
    in.vt = VT_ARRAY | VT_BSTR;
    in.parray = SafeArrayCreateVector(VT_BSTR, 3, 1);
    LONG innerIndex = 3;
    BSTR text = SysAllocString(u"nested");
    ASSERT_EQ(SafeArrayPutElement(in.parray, &innerIndex, text), S_OK);
    SysFreeString(text);
    LONG index = 0;
    ASSERT_EQ(SafeArrayPutElement(outer.get(), &index, &in), S_OK);
    EXPECT_EQ(VariantClear(&in), S_OK);

    VARIANT out;
    ASSERT_EQ(SafeArrayGetElement(outer.get(), &index, &out), S_OK);
    ASSERT_EQ(out.vt, VT_ARRAY | VT_BSTR);
    BSTR fetched = nullptr;
    ASSERT_EQ(SafeArrayGetElement(out.parray, &innerIndex, &fetched), S_OK);
    EXPECT_EQ(std::u16string(fetched), u"nested");
    SysFreeString(fetched);
    EXPECT_EQ(VariantClear(&out), S_OK);
}

TEST(SafeArrayElementTest, InterfacesAreReferenceCounted) {
    pelmora::test::CountedUnknown first, second;
    {
        ArrayPtr array = makeVector(VT_UNKNOWN, 0, 1);
        LONG index = 0;
        ASSERT_EQ(SafeArrayPutElement(array.get(), &index, static_cast<IUnknown*>(&first)), S_OK);
        EXPECT_EQ(first.count, 2u);

        IUnknown* fetched = nullptr;
        ASSERT_EQ(SafeArrayGetElement(array.get(), &index, &fetched), S_OK);
        EXPECT_EQ(fetched, &first);
        EXPECT_EQ(first.count, 3u);
        fetched->Release();

        ASSERT_EQ(SafeArrayPutElement(array.get(), &index, static_cast<IUnknown*>(&second)), S_OK);
        EXPECT_EQ(first.count, 1u);
        EXPECT_EQ(second.count, 2u);
    }
    EXPECT_EQ(second.count, 1u);
}

TEST(SafeArrayElementTest, ElementCopiesRunWithTheArrayLocked) {
    pelmora::test::CountedUnknown object;  // outlives the array, which releases it
    ArrayPtr array = makeVector(VT_UNKNOWN, 0, 1);
    std::vector<ULONG> locksSeen;
    object.onAddRef = [&] { locksSeen.push_back(array->cLocks); };
    LONG index = 0;
    ASSERT_EQ(SafeArrayPutElement(array.get(), &index, static_cast<IUnknown*>(&object)), S_OK);
    IUnknown* fetched = nullptr;
    ASSERT_EQ(SafeArrayGetElement(array.get(), &index, &fetched), S_OK);
    fetched->Release();
    EXPECT_EQ(locksSeen, (std::vector<ULONG>{1, 1}));
    EXPECT_EQ(array->cLocks, 0u);
    object.onAddRef = nullptr;
}

// ---- locking and destruction ----

TEST(SafeArrayLockTest, AccessCountsLocksAndUnaccessUndoesThem) {
    ArrayPtr array = makeVector(VT_I4, 0, 4);
    void* first = nullptr;
    void* second = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array.get(), &first), S_OK);
    ASSERT_EQ(SafeArrayAccessData(array.get(), &second), S_OK);
    EXPECT_EQ(first, array->pvData);
    EXPECT_EQ(second, first);
    EXPECT_EQ(array->cLocks, 2u);
    EXPECT_EQ(SafeArrayUnaccessData(array.get()), S_OK);
    EXPECT_EQ(SafeArrayUnaccessData(array.get()), S_OK);
    EXPECT_EQ(array->cLocks, 0u);
    EXPECT_EQ(SafeArrayUnaccessData(array.get()), E_UNEXPECTED);
    EXPECT_EQ(array->cLocks, 0u);
}

TEST(SafeArrayLockTest, DestroyingALockedArrayFailsAndLeavesItUsable) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_BSTR, 0, 2);
    BSTR* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array, reinterpret_cast<void**>(&data)), S_OK);
    data[0] = SysAllocString(u"kept");

    EXPECT_EQ(SafeArrayDestroy(array), DISP_E_ARRAYISLOCKED);

    EXPECT_EQ(std::u16string(data[0]), u"kept");
    LONG index = 1;
    BSTR text = SysAllocString(u"added while locked");
    EXPECT_EQ(SafeArrayPutElement(array, &index, text), S_OK);
    SysFreeString(text);
    EXPECT_EQ(array->cLocks, 1u);
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST(SafeArrayLockTest, DestroyReleasesInterfaceElements) {
    pelmora::test::CountedUnknown object;
    SAFEARRAY* array = SafeArrayCreateVector(VT_UNKNOWN, 0, 2);
    LONG index = 1;
    ASSERT_EQ(SafeArrayPutElement(array, &index, static_cast<IUnknown*>(&object)), S_OK);
    EXPECT_EQ(object.count, 2u);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
    EXPECT_EQ(object.count, 1u);
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
