// Late-bound calls through IDispatch::Invoke, as a scripting host makes them.
#include <pelmora/pelmora.h>

#include "support/TransformArrays.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

VARIANT intArg(int value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT byRef(VARTYPE type, void* target) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type | VT_BYREF;
    v.byref = target;
    return v;
}

class DispatchInvoker : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(PelmoraCreateContext(&context), S_OK); }
    void TearDown() override { context->Release(); }

    // Calls by DISPID with arguments given first-to-last, as a host writes them.
    HRESULT call(DISPID dispid, std::vector<VARIANT> arguments, VARIANT* result = nullptr,
                 UINT* argumentError = nullptr, EXCEPINFO* exception = nullptr) {
        std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        return context->Invoke(dispid, IID_NULL, 0, DISPATCH_METHOD, &params, result, exception,
                               argumentError);
    }

    IDXContext* context = nullptr;
};

TEST_F(DispatchInvoker, CreatesAFrameAndReturnsItsHandleThroughTheResult) {
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(call(0x3, {intArg(0)}, &result), S_OK);  // newFrame
    ASSERT_EQ(result.vt, VT_I4);
    int frame = result.lVal;
    EXPECT_NE(frame, 0);

    EXPECT_EQ(call(0x65, {intArg(frame), intArg(static_cast<int>(0x80FF0000u))}), S_OK);
    int color = 0;
    EXPECT_EQ(context->getFrameColor(frame, &color), S_OK);
    EXPECT_EQ(static_cast<unsigned>(color), 0x80FF0000u);

    // The same out value through a VT_BYREF argument instead of the result.
    int viaReference = 0;
    EXPECT_EQ(call(0x66, {intArg(frame), byRef(VT_I4, &viaReference)}), S_OK);
    EXPECT_EQ(static_cast<unsigned>(viaReference), 0x80FF0000u);
}

TEST_F(DispatchInvoker, ConvertsNumbersAndPassesArraysBothWays) {
    int frame = 0;
    ASSERT_EQ(context->newFrame(0, &frame), S_OK);
    VARIANT transform;
    transform.vt = VT_ARRAY | VT_R8;
    transform.parray =
        pelmora::test::makeDoubleArray(pelmora::test::translationValues(3, 4, 5)).release();
    VARIANT combine;
    combine.vt = VT_R8;
    combine.dblVal = 0.0;  // a double where an int is expected is converted
    EXPECT_EQ(call(0x72, {intArg(frame), combine, transform}), S_OK);  // addFrameTransform
    VariantClear(&transform);

    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(call(0x74, {intArg(frame)}, &result), S_OK);  // getFrameTransform
    ASSERT_EQ(result.vt, VT_ARRAY | VT_R8);
    EXPECT_EQ(pelmora::test::takeDoubleArray(result.parray),
              pelmora::test::translationValues(3, 4, 5));
}

TEST_F(DispatchInvoker, AnOutArrayPassedByValueLeavesTheCallersArgumentAsItWas) {
    int frame = 0;
    ASSERT_EQ(context->newFrame(0, &frame), S_OK);
    SAFEARRAY* mine = SafeArrayCreateVector(VT_R8, 0, 12);
    // getFrameTransform's out-array given as a value, not a reference: the
    // transform has no way back, and the caller's argument is not written.
    VARIANT arguments[2] = {{}, intArg(frame)};
    arguments[0].vt = VT_ARRAY | VT_R8;
    arguments[0].parray = mine;
    DISPPARAMS params{arguments, nullptr, 2, 0};
    context->Invoke(0x74, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    EXPECT_EQ(arguments[0].vt, VT_ARRAY | VT_R8);
    EXPECT_EQ(arguments[0].parray, mine);
    SafeArrayDestroy(mine);
}

TEST_F(DispatchInvoker, RefusesWhatItCannotCall) {
    UINT argumentError = 99;
    EXPECT_EQ(call(0x3, {}), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(call(0x999, {}), DISP_E_MEMBERNOTFOUND);
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(u"seven");
    EXPECT_EQ(call(0xF0, {intArg(1), text}, nullptr, &argumentError), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argumentError, 0u);  // the last argument, counted from the end
    VariantClear(&text);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(
        context->Invoke(0x3, IID_IDispatch, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
        DISP_E_UNKNOWNINTERFACE);
}

TEST_F(DispatchInvoker, AFailingOperationArrivesAsAnExceptionWithItsStatus) {
    EXCEPINFO exception{};
    EXPECT_EQ(call(0x65, {intArg(0x0BADBAD0), intArg(0)}, nullptr, nullptr, &exception),
              DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_HANDLE);
    SysFreeString(exception.bstrSource);
}

}  // namespace
