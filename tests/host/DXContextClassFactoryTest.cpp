// The module's class object as a component runtime uses it: asked for
// through DllGetClassObject, making contexts, and the counting that decides
// DllCanUnloadNow.
#include <pelmora/dxcontext.h>

#include "platform/com/CountedUnknown.h"

#include <gtest/gtest.h>

namespace {

// {0A0B0C0D-0000-0000-0000-000000000001}
constexpr CLSID kUnknownClass = {0x0A0B0C0D, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};

class ClassObject : public ::testing::Test {
protected:
    void SetUp() override {
        // Every test starts from a module nothing holds.
        ASSERT_EQ(DllCanUnloadNow(), S_OK);
        ASSERT_EQ(DllGetClassObject(CLSID_DXContext, IID_IClassFactory,
                                    reinterpret_cast<void**>(&factory)),
                  S_OK);
        ASSERT_NE(factory, nullptr);
    }
    void TearDown() override {
        if (factory) factory->Release();
        EXPECT_EQ(DllCanUnloadNow(), S_OK) << "something still holds the module";
    }

    IDXContext* createContext() {
        IDXContext* context = nullptr;
        EXPECT_EQ(
            factory->CreateInstance(nullptr, IID_IDXContext, reinterpret_cast<void**>(&context)),
            S_OK);
        return context;
    }

    IClassFactory* factory = nullptr;
};

TEST_F(ClassObject, MakesContextsThatWork) {
    IDXContext* context = createContext();
    ASSERT_NE(context, nullptr);
    int frame = 0;
    EXPECT_EQ(context->newFrame(0, &frame), S_OK);
    EXPECT_NE(frame, 0);
    EXPECT_EQ(context->releaseHandle(frame), S_OK);
    // One reference, the caller's.
    EXPECT_EQ(context->AddRef(), 2u);
    context->Release();
    EXPECT_EQ(context->Release(), 0u);
}

TEST_F(ClassObject, AnswersForEveryInterfaceOfTheContextAndNoOther) {
    for (const IID& iid : {IID_IUnknown, IID_IDispatch, IID_IDXContext}) {
        IUnknown* made = nullptr;
        ASSERT_EQ(factory->CreateInstance(nullptr, iid, reinterpret_cast<void**>(&made)), S_OK);
        ASSERT_NE(made, nullptr);
        made->Release();
    }
    void* made = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &made), E_NOINTERFACE);
    EXPECT_EQ(made, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDXContext, nullptr), E_POINTER);
}

TEST_F(ClassObject, IsOneCachedObjectForEveryRequest) {
    IUnknown* again = nullptr;
    ASSERT_EQ(DllGetClassObject(CLSID_DXContext, IID_IUnknown, reinterpret_cast<void**>(&again)),
              S_OK);
    EXPECT_EQ(static_cast<void*>(again), static_cast<void*>(factory));
    again->Release();
}

TEST_F(ClassObject, RefusesUnknownClassesAndNullOutPointers) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(DllGetClassObject(kUnknownClass, IID_IClassFactory, &object),
              static_cast<HRESULT>(0x80040111));
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(DllGetClassObject(CLSID_DXContext, IID_IClassFactory, nullptr), E_POINTER);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(DllGetClassObject(CLSID_DXContext, IID_IDXContext, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
}

TEST_F(ClassObject, ContextsClassObjectReferencesAndServerLocksKeepTheModuleLoaded) {
    // The caller's reference to the class object holds the module.
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    IDXContext* first = createContext();
    IDXContext* second = createContext();
    factory->Release();
    factory = nullptr;
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    first->Release();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    second->Release();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);

    // A context made without the class object counts the same.
    IDXContext* direct = nullptr;
    ASSERT_EQ(PelmoraCreateContext(&direct), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    direct->Release();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);

    ASSERT_EQ(
        DllGetClassObject(CLSID_DXContext, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
        S_OK);
    EXPECT_EQ(factory->LockServer(1), S_OK);
    EXPECT_EQ(factory->LockServer(1), S_OK);
    factory->Release();
    factory = nullptr;
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    IClassFactory* held = nullptr;
    ASSERT_EQ(
        DllGetClassObject(CLSID_DXContext, IID_IClassFactory, reinterpret_cast<void**>(&held)),
        S_OK);
    held->LockServer(0);
    held->LockServer(0);
    held->Release();
}

TEST_F(ClassObject, AggregatesOnlyThroughIUnknown) {
    pelmora::test::CountedUnknown outer;
    void* refused = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IDXContext, &refused), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(refused, nullptr);

    IUnknown* inner = nullptr;
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)),
              S_OK);
    IDXContext* context = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IDXContext, reinterpret_cast<void**>(&context)), S_OK);
    // The context's references are the outer object's.
    EXPECT_EQ(outer.count, 2u);
    int frame = 0;
    EXPECT_EQ(context->newFrame(0, &frame), S_OK);
    // Asking the context goes to the outer object, which knows only IUnknown.
    void* dispatch = nullptr;
    EXPECT_EQ(context->QueryInterface(IID_IDispatch, &dispatch), E_NOINTERFACE);
    context->Release();
    EXPECT_EQ(outer.count, 1u);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(inner->Release(), 0u);
}

}  // namespace
