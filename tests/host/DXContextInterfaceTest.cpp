// The interface as a host sees it: slot order, dispatch identifiers, the
// status of every operation, and handles that name nothing.
#include <pelmora/pelmora.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// The vtable slot a pointer to a virtual member names (Itanium C++ ABI:
// the pointer holds 1 + the slot's byte offset).
template <class F>
long slotOf(F member) {
    struct Representation {
        intptr_t pointer;
        intptr_t adjustment;
    } representation;
    static_assert(sizeof(member) == sizeof(representation));
    std::memcpy(&representation, &member, sizeof representation);
    return static_cast<long>((representation.pointer - 1) / static_cast<intptr_t>(sizeof(void*)));
}

struct Slot {
    const char* name;
    long slot;
};

#define SLOT(name) Slot{#name, slotOf(&IDXContext::name)}

const Slot kSlots[] = {
    SLOT(suspendMeshRefinements), SLOT(initialize), SLOT(enumerateDeviceNames),
    SLOT(validateCurrentDisplay), SLOT(getCurrentDeviceName), SLOT(newViewport),
    SLOT(releaseHandle), SLOT(getTorvelMeshProvider), SLOT(newFrame),
    SLOT(newPreloadedBillboard), SLOT(newBillboard), SLOT(newDecal), SLOT(newDotMesh),
    SLOT(newGrillMesh), SLOT(newSolidMesh), SLOT(newSolidMeshFromHandle), SLOT(newWireMesh),
    SLOT(newWireMeshFromHandle), SLOT(getAppData), SLOT(setAppData), SLOT(setVisible),
    SLOT(frameSetReflectivity), SLOT(setFrameColor), SLOT(getFrameColor), SLOT(frameAddChild),
    SLOT(frameDeleteChild), SLOT(frameAddVisual), SLOT(frameDeleteVisual),
    SLOT(frameDeleteAllVisuals), SLOT(setFrameZBufferMode), SLOT(addFrameTransform),
    SLOT(getFrameTransform), SLOT(addFrameRotation), SLOT(getFrameWorldTransform),
    SLOT(frameSetOverrideRender), SLOT(setTexture), SLOT(frameSetLineWidth),
    SLOT(frameSetWriteZValues), SLOT(frameSetWriteColorValues), SLOT(setFrameDrawFacetEdges),
    SLOT(setMeshScale), SLOT(pickMesh), SLOT(getMeshData), SLOT(refreshMesh),
    SLOT(getScreenData), SLOT(getPrintData), SLOT(setMeshSimplificationLevel),
    SLOT(setViewportBackground), SLOT(viewportAddAmbientLight),
    SLOT(viewportAddDirectionalLight), SLOT(viewportAddPointLight), SLOT(viewportAddSpotLight),
    SLOT(setAutomaticRefinement), SLOT(setManualRefinementLevel), SLOT(setLightColor),
    SLOT(setFront), SLOT(viewportRemoveLight), SLOT(viewportSetReduceDetails),
    SLOT(viewportSetRapidRender), SLOT(viewportSetNoReflectivity), SLOT(releaseHandles),
    SLOT(getViewportPlane), SLOT(getViewportField), SLOT(setViewportPlane),
    SLOT(getViewportFront), SLOT(getViewportPerspective), SLOT(setViewportPerspective),
    SLOT(setViewportQuality), SLOT(getViewportQuality), SLOT(viewportTransform),
    SLOT(clearViewport), SLOT(render), SLOT(inverseViewportTransform), SLOT(getCameraPosition),
    SLOT(setCameraTransform), SLOT(getCameraTransform), SLOT(saveSnapshotJPG),
    SLOT(rotateCamera), SLOT(setDisregardRenderOverride), SLOT(getSelectionRay),
    SLOT(resetViewport), SLOT(viewportPresent), SLOT(viewportFlip), SLOT(setNeverRenderMesh),
    SLOT(getSurfaceDC), SLOT(releaseSurfaceDC),
};

TEST(DXContextInterface, OperationsFollowIDispatchInTableOrder) {
    ASSERT_EQ(std::size(kSlots), size_t(kDXContextOperationCount));
    EXPECT_EQ(slotOf(&IDispatch::Invoke), 6);
    for (int i = 0; i < kDXContextOperationCount; ++i) {
        EXPECT_STREQ(kSlots[i].name, kDXContextDispatchTable[i].name) << "row " << i + 1;
        EXPECT_EQ(kSlots[i].slot, 7 + i) << kSlots[i].name;
    }
}

TEST(DXContextInterface, DispatchIdentifiersAreTheDocumentedOnes) {
    // A sample across the table, including the first, the last and the out-of-order ones.
    struct Expected {
        const char* name;
        DISPID dispid;
    };
    const Expected expected[] = {{"suspendMeshRefinements", 0xF5}, {"initialize", 0x1},
                                 {"newDotMesh", 0x2},             {"newFrame", 0x3},
                                 {"setCameraTransform", 0x36},    {"getCameraTransform", 0x37},
                                 {"releaseHandles", 0x10F},       {"getSurfaceDC", 0xDB},
                                 {"releaseSurfaceDC", 0xDC},      {"viewportFlip", 0x109}};
    IDXContext* context = nullptr;
    ASSERT_EQ(PelmoraCreateContext(&context), S_OK);
    for (const Expected& e : expected) {
        std::u16string wide(e.name, e.name + std::strlen(e.name));
        BSTR name = SysAllocString(wide.c_str());
        DISPID dispid = 0;
        EXPECT_EQ(context->GetIDsOfNames(IID_NULL, &name, 1, 0, &dispid), S_OK) << e.name;
        EXPECT_EQ(dispid, e.dispid) << e.name;
        SysFreeString(name);
    }
    std::vector<DISPID> seen;
    for (const auto& entry : kDXContextDispatchTable) {
        EXPECT_EQ(std::count(seen.begin(), seen.end(), entry.dispid), 0) << entry.name;
        seen.push_back(entry.dispid);
    }
    BSTR unknown = SysAllocString(u"noSuchOperation");
    DISPID dispid = 0;
    EXPECT_EQ(context->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &dispid), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(dispid, DISPID_UNKNOWN);
    SysFreeString(unknown);
    context->Release();
}

TEST(DXContextInterface, QueryInterfaceAndReferenceCounts) {
    IDXContext* context = nullptr;
    ASSERT_EQ(PelmoraCreateContext(&context), S_OK);
    void* found = nullptr;
    EXPECT_EQ(context->QueryInterface(IID_IDXContext, &found), S_OK);
    EXPECT_EQ(found, context);
    EXPECT_EQ(context->QueryInterface(IID_IDispatch, &found), S_OK);
    EXPECT_EQ(context->QueryInterface(IID_IUnknown, &found), S_OK);
    EXPECT_EQ(context->QueryInterface(CLSID_DXContext, &found), E_NOINTERFACE);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(context->QueryInterface(IID_IDXContext, nullptr), E_POINTER);
    EXPECT_EQ(context->AddRef(), 5u);
    for (ULONG expected = 4; expected > 0; --expected) EXPECT_EQ(context->Release(), expected);
    EXPECT_EQ(PelmoraCreateContext(nullptr), E_POINTER);
}

}  // namespace
