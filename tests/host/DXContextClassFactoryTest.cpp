// The module's class object as a component runtime uses it: asked for
// through DllGetClassObject, making contexts, and the counting that decides
// DllCanUnloadNow.
#include <pelmora/dxcontext.h>

#include "platform/com/CountedUnknown.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// {0A0B0C0D-0000-0000-0000-000000000001}
constexpr CLSID kUnknownClass = {0x0A0B0C0D, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};

template <class Interface>
HRESULT classObject(REFIID iid, Interface** object) {
    return DllGetClassObject(CLSID_DXContext, iid, reinterpret_cast<void**>(object));
}

class ClassObject : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(DllCanUnloadNow(), S_OK) << "something held the module before the test";
        ASSERT_EQ(classObject(IID_IClassFactory, &factory), S_OK);
    }
    void TearDown() override {
        if (factory) factory->Release();
        EXPECT_EQ(DllCanUnloadNow(), S_OK) << "something still holds the module";
    }

    IDXContext* createContext() {
        IDXContext* context = nullptr;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDXContext,
                                          reinterpret_cast<void**>(&context)),
                  S_OK);
        return context;
    }

    IClassFactory* factory = nullptr;
};

TEST_F(ClassObject, IsOneCachedObjectMakingContextsThatWork) {
    IUnknown* again = nullptr;
    ASSERT_EQ(classObject(IID_IUnknown, &again), S_OK);
    EXPECT_EQ(static_cast<void*>(again), static_cast<void*>(factory));
    again->Release();

    IDXContext* context = createContext();
    ASSERT_NE(context, nullptr);
    int frame = 0;
    EXPECT_EQ(context->newFrame(0, &frame), S_OK);
    EXPECT_NE(frame, 0);
    EXPECT_EQ(context->Release(), 0u);  // the caller held the only reference

    void* made = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &made), E_NOINTERFACE);
    EXPECT_EQ(made, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDXContext, nullptr), E_POINTER);
}

TEST_F(ClassObject, RefusesUnknownClassesAndNullOutPointers) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(DllGetClassObject(kUnknownClass, IID_IClassFactory, &object),
              static_cast<HRESULT>(0x80040111));
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(DllGetClassObject(CLSID_DXContext, IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(ClassObject, ContextsClassObjectReferencesAndServerLocksKeepTheModuleLoaded) {
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // the test's reference to the class object
    IDXContext* made = createContext();
    IDXContext* direct = nullptr;
    ASSERT_EQ(PelmoraCreateContext(&direct), S_OK);
    EXPECT_EQ(factory->LockServer(1), S_OK);
    factory->Release();
    factory = nullptr;
    for (IUnknown* holder : {static_cast<IUnknown*>(made), static_cast<IUnknown*>(direct)}) {
        EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
        holder->Release();
    }
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);  // the server lock
    ASSERT_EQ(classObject(IID_IClassFactory, &factory), S_OK);
    EXPECT_EQ(factory->LockServer(0), S_OK);
}

TEST_F(ClassObject, AnUnbalancedServerUnlockNeitherFreesALiveContextNorGoesBelowZero) {
    factory->Release();
    factory = nullptr;
    IDXContext* context = nullptr;
    ASSERT_EQ(PelmoraCreateContext(&context), S_OK);
    ASSERT_EQ(classObject(IID_IClassFactory, &factory), S_OK);
    std::string log;
    testing::internal::CaptureStdout();
    EXPECT_EQ(factory->LockServer(0), S_OK);
    log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("LockServer(FALSE) without a matching lock"), std::string::npos) << log;
    factory->Release();
    factory = nullptr;
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE) << "the context still lives";
    context->Release();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);

    // The lost unlock was not banked: one lock still holds the module.
    ASSERT_EQ(classObject(IID_IClassFactory, &factory), S_OK);
    EXPECT_EQ(factory->LockServer(1), S_OK);
    factory->Release();
    factory = nullptr;
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    ASSERT_EQ(classObject(IID_IClassFactory, &factory), S_OK);
    EXPECT_EQ(factory->LockServer(0), S_OK);
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
    EXPECT_EQ(outer.count, 2u);  // the context's references are the outer object's
    int frame = 0;
    EXPECT_EQ(context->newFrame(0, &frame), S_OK);
    // Asking the context goes to the outer object, which knows only IUnknown.
    void* dispatch = nullptr;
    EXPECT_EQ(context->QueryInterface(IID_IDispatch, &dispatch), E_NOINTERFACE);
    context->Release();
    EXPECT_EQ(outer.count, 1u);
    EXPECT_EQ(inner->Release(), 0u);
}

}  // namespace
