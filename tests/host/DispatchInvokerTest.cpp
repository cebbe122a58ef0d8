// Late-bound calls through IDispatch::Invoke, as a scripting host makes them.
#include <pelmora/pelmora.h>

#include "support/TransformArrays.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A variant of a type, its value set by fill.
template <class Fill>
VARIANT variantOf(VARTYPE type, Fill fill) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    fill(v);
    return v;
}

VARIANT intArg(int value) { return variantOf(VT_I4, [&](VARIANT& v) { v.lVal = value; }); }
VARIANT doubleArg(double value) { return variantOf(VT_R8, [&](VARIANT& v) { v.dblVal = value; }); }
// The caller frees it (VariantClear).
VARIANT text(const char16_t* value) {
    return variantOf(VT_BSTR, [&](VARIANT& v) { v.bstrVal = SysAllocString(value); });
}
VARIANT byRef(VARTYPE type, void* target) {
    return variantOf(type | VT_BYREF, [&](VARIANT& v) { v.byref = target; });
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

TEST_F(DispatchInvoker, ArgumentsAreConvertedAsAutomationConvertsThemOrRefusedWithTheirIndex) {
    int frame = 0;
    ASSERT_EQ(context->newFrame(0, &frame), S_OK);
    LONG referenced = 31;
    LONG* nowhere = nullptr;
    VARIANT heldText = text(u"12");
    VARIANT empty;
    VariantInit(&empty);
    const struct {
        const char* what;
        VARIANT value;  // setAppData's second argument, rgvarg[0]
        HRESULT status;
        int stored;
    } cases[] = {
        // One of each kind; every conversion's own rules are checked on VariantChangeType.
        {"numeric string", text(u"16711935"), S_OK, 16711935},
        {"double", doubleArg(-7.5), S_OK, -8},
        {"by reference", byRef(VT_I4, &referenced), S_OK, 31},
        {"variant by reference", byRef(VT_VARIANT, &heldText), S_OK, 12},
        {"empty", empty, S_OK, 0},
        {"too large for an int", doubleArg(3e9), DISP_E_OVERFLOW, 0},
        {"not a number", text(u"seven"), DISP_E_TYPEMISMATCH, 0},
        {"null reference", byRef(VT_I4, nowhere), DISP_E_TYPEMISMATCH, 0},
        {"null variant reference", byRef(VT_VARIANT, nullptr), DISP_E_TYPEMISMATCH, 0},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(context->setAppData(frame, -99), S_OK);
        UINT argumentError = 99;
        EXPECT_EQ(call(0xF0, {intArg(frame), c.value}, nullptr, &argumentError), c.status) << c.what;
        int stored = 0;
        ASSERT_EQ(context->getAppData(frame, &stored), S_OK);
        EXPECT_EQ(stored, SUCCEEDED(c.status) ? c.stored : -99) << c.what;
        EXPECT_EQ(argumentError, SUCCEEDED(c.status) ? 99u : 0u) << c.what;
    }
    for (const auto& c : cases) {
        VARIANT owned = c.value;
        VariantClear(&owned);
    }
    VariantClear(&heldText);

    // The index counts from the last argument, as rgvarg holds them.
    UINT argumentError = 99;
    VARIANT notAHandle = text(u"frame");
    EXPECT_EQ(call(0xF0, {notAHandle, intArg(1)}, nullptr, &argumentError), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argumentError, 1u);
    VariantClear(&notAHandle);
    // Floats range-checked too; a number becomes the text a string parameter takes.
    EXPECT_EQ(call(0x101, {intArg(frame), doubleArg(1e39)}, nullptr, &argumentError), DISP_E_OVERFLOW);
    EXPECT_EQ(call(0x82, {doubleArg(2.5)}), S_OK);  // validateCurrentDisplay
    BSTR* noText = nullptr;
    EXPECT_EQ(call(0x82, {byRef(VT_BSTR, noText)}, nullptr, &argumentError), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argumentError, 0u);
}

TEST_F(DispatchInvoker, OutValuesGoToTheCallersVariablesAndNullReferencesAreRefused) {
    int frame = 0;
    ASSERT_EQ(context->newFrame(0, &frame), S_OK);
    ASSERT_EQ(context->setFrameColor(frame, 0x11223344), S_OK);
    // A script's variable: a VT_BYREF VT_VARIANT that held something else.
    VARIANT variable = text(u"old value");
    EXPECT_EQ(call(0x66, {intArg(frame), byRef(VT_VARIANT, &variable)}), S_OK);
    EXPECT_EQ(variable.vt, VT_I4);
    EXPECT_EQ(variable.lVal, 0x11223344);

    VARIANT transform;
    VariantInit(&transform);
    EXPECT_EQ(call(0x74, {intArg(frame), byRef(VT_VARIANT, &transform)}), S_OK);  // getFrameTransform
    ASSERT_EQ(transform.vt, VT_ARRAY | VT_R8);
    EXPECT_EQ(pelmora::test::takeDoubleArray(transform.parray).size(), 12u);

    UINT argumentError = 99;
    int* nowhere = nullptr;
    EXPECT_EQ(call(0x66, {intArg(frame), byRef(VT_I4, nowhere)}, nullptr, &argumentError),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argumentError, 0u);
    SAFEARRAY** noArray = nullptr;
    EXPECT_EQ(call(0x74, {intArg(frame), byRef(VT_ARRAY | VT_R8, noArray)}), DISP_E_TYPEMISMATCH);
    double wrongType = 0;
    EXPECT_EQ(call(0x66, {intArg(frame), byRef(VT_R8, &wrongType)}), DISP_E_TYPEMISMATCH);
}

TEST_F(DispatchInvoker, NamesArePlainZeroTerminatedStrings) {
    // What sits before a plain string is no length: here it would say one character.
    char16_t storage[] = {0, 0, 2, 0, u'r', u'e', u'n', u'd', u'e', u'r', 0};
    LPOLESTR name = storage + 4;
    DISPID dispid = 0;
    EXPECT_EQ(context->GetIDsOfNames(IID_NULL, &name, 1, 0, &dispid), S_OK);
    EXPECT_EQ(dispid, 0xEB);

    char16_t upper[] = u"NEWFRAME";
    char16_t parameter[] = u"pParent";
    LPOLESTR names[2] = {upper, parameter};
    DISPID ids[2] = {0, 0};
    EXPECT_EQ(context->GetIDsOfNames(IID_NULL, names, 2, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 0x3);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    LPOLESTR none = nullptr;
    EXPECT_EQ(context->GetIDsOfNames(IID_NULL, &none, 1, 0, &dispid), DISP_E_UNKNOWNNAME);
}

TEST_F(DispatchInvoker, AFailingOperationArrivesAsAnExceptionWithItsStatus) {
    EXCEPINFO exception{};
    EXPECT_EQ(call(0x65, {intArg(0x0BADBAD0), intArg(0)}, nullptr, nullptr, &exception),
              DISP_E_EXCEPTION);
    EXPECT_EQ(exception.scode, E_HANDLE);
    SysFreeString(exception.bstrSource);
}

}  // namespace
