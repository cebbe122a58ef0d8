#include <pelmora/automation.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/com/CountedUnknown.h"

namespace {

// The sanitizer build reports a string or an array that survives its clear as a leak.
TEST(VariantTest, ClearFreesWhatTheValueOwnsAndLeavesItEmpty) {
    pelmora::test::CountedUnknown object;
    object.AddRef();
    VARIANT values[5];
    for (VARIANT& value : values) {
        value.vt = VT_I4;
        VariantInit(&value);
        EXPECT_EQ(value.vt, VT_EMPTY);
    }
    values[1].vt = VT_BSTR;
    values[1].bstrVal = SysAllocString(u"owned");
    values[2].vt = VT_UNKNOWN;
    values[2].punkVal = &object;
    values[3].vt = VT_DISPATCH;
    values[3].pdispVal = nullptr;  // a null interface is nothing to release
    values[4].vt = VT_ARRAY | VT_BSTR;
    values[4].parray = SafeArrayCreateVector(VT_BSTR, 0, 2);
    LONG index = 1;
    BSTR text = SysAllocString(u"element");
    ASSERT_EQ(SafeArrayPutElement(values[4].parray, &index, text), S_OK);
    SysFreeString(text);
    for (VARIANT& value : values) {
        EXPECT_EQ(VariantClear(&value), S_OK);
        EXPECT_EQ(value.vt, VT_EMPTY);
    }
    EXPECT_EQ(object.count, 1u);
}

TEST(VariantTest, ClearOfALockedArrayReportsItAndKeepsTheArray) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, 2);
    void* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array, &data), S_OK);
    VARIANT value;
    value.vt = VT_ARRAY | VT_I4;
    value.parray = array;
    EXPECT_EQ(VariantClear(&value), DISP_E_ARRAYISLOCKED);
    EXPECT_EQ(SafeArrayUnaccessData(array), S_OK);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST(VariantTest, ClearLeavesReferencedValuesAlone) {
    BSTR text = SysAllocString(u"referenced");
    SAFEARRAY* array = SafeArrayCreateVector(VT_R8, 0, 1);
    VARIANT value;
    value.vt = VT_BYREF | VT_BSTR;
    value.pbstrVal = &text;
    EXPECT_EQ(VariantClear(&value), S_OK);
    EXPECT_EQ(value.vt, VT_EMPTY);
    value.vt = VT_BYREF | VT_ARRAY | VT_R8;
    value.pparray = &array;
    EXPECT_EQ(VariantClear(&value), S_OK);

    EXPECT_EQ(std::u16string(text), u"referenced");
    SysFreeString(text);
    EXPECT_EQ(SafeArrayDestroy(array), S_OK);
}

TEST(VariantTest, UnknownTypeIsRefusedAndLeftAsItWas) {
    VARIANT value;
    value.vt = 15;  // unassigned between VT_DECIMAL and VT_I1
    value.lVal = 42;
    EXPECT_EQ(VariantClear(&value), DISP_E_BADVARTYPE);
    EXPECT_EQ(value.vt, 15);
    EXPECT_EQ(value.lVal, 42);
    value.vt = 0x1003;  // a modifier bit that does not exist
    EXPECT_EQ(VariantClear(&value), DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

}  // namespace
