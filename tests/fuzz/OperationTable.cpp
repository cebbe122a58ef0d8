#include "OperationTable.h"

#include "CallArguments.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <tuple>

namespace pelmora::fuzz {

namespace {

template <class... P>
constexpr size_t parameterCount(HRESULT (IDXContext::*)(P...)) {
    return sizeof...(P);
}

template <class A>
bool canReturn(A& argument) {
    if constexpr (std::is_same_v<A, ArrayArgument>) return argument.isOut;
    else return Returnable<A>;
}

void count(int slot, int path, HRESULT status) {
    if (slot < 0) return;
    ++operationCounts().calls[slot][path];
    if (SUCCEEDED(status)) ++operationCounts().successes[slot][path];
}

int slotOf(const Operation& operation);

template <class... P>
HRESULT callDirect(FuzzSession& session, IDXContext* context,
                   HRESULT (IDXContext::*member)(P...), const Operation& operation, bool hostile) {
    CallFrame frame(session, hostile);
    std::tuple<typename ArgumentFor<P>::type...> arguments;
    size_t index = 0;
    std::apply([&](auto&... a) { (a.make(frame, operation.roles[index++]), ...); }, arguments);
    const HRESULT status =
        std::apply([&](auto&... a) { return (context->*member)(a.get()...); }, arguments);
    std::apply([&](auto&... a) { (a.finish(frame, status, nullptr), ...); }, arguments);
    count(slotOf(operation), 0, status);
    return status;
}

// The operation's dispatch identifier asked for by name, as a late-bound
// caller does: a plain zero-terminated wide string, its case changed at times.
DISPID lookUpName(CallFrame& frame, IDXContext* context, const Operation& operation) {
    const size_t length = std::strlen(operation.name);
    std::u16string name;
    const bool upper = frame.input.rare(64);
    for (size_t i = 0; i < length; ++i) {
        char c = operation.name[i];
        if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        name.push_back(static_cast<char16_t>(c));
    }
    DISPID id = DISPID_UNKNOWN;
    auto text = std::make_unique<char16_t[]>(name.size() + 1);
    std::memcpy(text.get(), name.c_str(), (name.size() + 1) * sizeof(char16_t));
    LPOLESTR names[] = {text.get()};
    context->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    return id == DISPID_UNKNOWN ? operation.dispid : id;
}

struct DispatchShape {
    DISPID dispid;
    WORD flags = DISPATCH_METHOD;
    IID riid = IID_NULL;
    DISPID named = 0;
    bool noParameters = false;
};

void misshape(FuzzInput& in, DISPPARAMS& params, DispatchShape& shape, UINT given) {
    switch (in.below(9)) {
        case 0: params.cArgs = given + 1; break;  // the spare slot is an extra argument
        case 1: params.cArgs = given > 0 ? given - 1 : 0; break;
        case 2: params.cNamedArgs = 1; params.rgdispidNamedArgs = &shape.named; break;
        case 3: params.rgvarg = nullptr; break;
        case 4: shape.noParameters = true; break;
        case 5: shape.flags = in.rare(128) ? DISPATCH_PROPERTYPUT : 0; break;
        case 6: shape.riid = IID_IDispatch; break;
        case 7: shape.dispid = hostileInt(in); break;
        default: shape.flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET; break;
    }
}

template <class... P>
HRESULT callInvoke(FuzzSession& session, IDXContext* context, HRESULT (IDXContext::*)(P...),
                   const Operation& operation, bool hostile) {
    CallFrame frame(session, hostile);
    FuzzInput& in = frame.input;
    std::tuple<typename ArgumentFor<P>::type...> arguments;
    constexpr UINT kCount = sizeof...(P);
    size_t index = 0;
    std::apply([&](auto&... a) { (a.make(frame, operation.roles[index++]), ...); }, arguments);

    UINT given = kCount;
    if constexpr (kCount > 0) {
        auto& last = std::get<kCount - 1>(arguments);
        if constexpr (Returnable<std::decay_t<decltype(last)>>)
            if (canReturn(last) && in.rare(100)) {
                last.returnThroughResult();
                given = kCount - 1;
            }
    }
    // Automation passes the last parameter first; one spare slot at the end.
    std::vector<VARIANT> variants(given + 1);
    for (VARIANT& v : variants) VariantInit(&v);
    index = 0;
    auto pass = [&](auto& argument) {
        if (index < given) argument.toVariant(frame, variants[given - 1 - index]);
        ++index;
    };
    std::apply([&](auto&... a) { (pass(a), ...); }, arguments);

    DISPPARAMS params{variants.data(), nullptr, given, 0};
    DispatchShape shape{operation.dispid};
    if (in.rare(64)) shape.dispid = lookUpName(frame, context, operation);
    if (hostile && in.rare(40)) misshape(in, params, shape, given);

    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception{};
    UINT argumentError = 0;
    const bool wantResult = !in.rare(24);
    const bool wantException = !in.rare(48);
    const bool wantArgumentError = !in.rare(48);
    const HRESULT status = context->Invoke(
        shape.dispid, shape.riid, 0, shape.flags, shape.noParameters ? nullptr : &params,
        wantResult ? &result : nullptr, wantException ? &exception : nullptr,
        wantArgumentError ? &argumentError : nullptr);
    std::apply([&](auto&... a) { (a.finish(frame, status, wantResult ? &result : nullptr), ...); },
               arguments);
    VariantClear(&result);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    count(slotOf(operation), 1, status);
    return status;
}

#define PELMORA_FUZZ_OPERATION(name, roles)                                                 \
    Operation {                                                                             \
        #name, roles,                                                                       \
            [](FuzzSession& s, IDXContext* c, const Operation& o, bool h) {                 \
                static_assert(parameterCount(&IDXContext::name) == sizeof(roles) - 1,       \
                              "one role a parameter: " #name);                              \
                return callDirect(s, c, &IDXContext::name, o, h);                           \
            },                                                                              \
            [](FuzzSession& s, IDXContext* c, const Operation& o, bool h) {                 \
                return callInvoke(s, c, &IDXContext::name, o, h);                           \
            },                                                                              \
            0                                                                               \
    }

Operation kOperations[kDXContextOperationCount] = {
    PELMORA_FUZZ_OPERATION(suspendMeshRefinements, "b"),
    PELMORA_FUZZ_OPERATION(initialize, "bsB"),
    PELMORA_FUZZ_OPERATION(enumerateDeviceNames, "A"),
    PELMORA_FUZZ_OPERATION(validateCurrentDisplay, "s"),
    PELMORA_FUZZ_OPERATION(getCurrentDeviceName, "O"),
    PELMORA_FUZZ_OPERATION(newViewport, "wbbzzP"),
    PELMORA_FUZZ_OPERATION(releaseHandle, "h"),
    PELMORA_FUZZ_OPERATION(getTorvelMeshProvider, "X"),
    PELMORA_FUZZ_OPERATION(newFrame, "fF"),
    PELMORA_FUZZ_OPERATION(newPreloadedBillboard, "txxV"),
    PELMORA_FUZZ_OPERATION(newBillboard, "mxxV"),
    PELMORA_FUZZ_OPERATION(newDecal, "mrrrrV"),
    PELMORA_FUZZ_OPERATION(newDotMesh, "3V"),
    PELMORA_FUZZ_OPERATION(newGrillMesh, "rrrrrrrrV"),
    PELMORA_FUZZ_OPERATION(newSolidMesh, "3N#bV"),
    PELMORA_FUZZ_OPERATION(newSolidMeshFromHandle, "ekV"),
    PELMORA_FUZZ_OPERATION(newWireMesh, "3LV"),
    PELMORA_FUZZ_OPERATION(newWireMeshFromHandle, "ekV"),
    PELMORA_FUZZ_OPERATION(getAppData, "gI"),
    PELMORA_FUZZ_OPERATION(setAppData, "gn"),
    PELMORA_FUZZ_OPERATION(setVisible, "gb"),
    PELMORA_FUZZ_OPERATION(frameSetReflectivity, "fr"),
    PELMORA_FUZZ_OPERATION(setFrameColor, "fc"),
    PELMORA_FUZZ_OPERATION(getFrameColor, "fI"),
    PELMORA_FUZZ_OPERATION(frameAddChild, "ff"),
    PELMORA_FUZZ_OPERATION(frameDeleteChild, "ff"),
    PELMORA_FUZZ_OPERATION(frameAddVisual, "fv"),
    PELMORA_FUZZ_OPERATION(frameDeleteVisual, "fv"),
    PELMORA_FUZZ_OPERATION(frameDeleteAllVisuals, "f"),
    PELMORA_FUZZ_OPERATION(setFrameZBufferMode, "fn"),
    PELMORA_FUZZ_OPERATION(addFrameTransform, "fnT"),
    PELMORA_FUZZ_OPERATION(getFrameTransform, "fA"),
    PELMORA_FUZZ_OPERATION(addFrameRotation, "fnrrrr"),
    PELMORA_FUZZ_OPERATION(getFrameWorldTransform, "fA"),
    PELMORA_FUZZ_OPERATION(frameSetOverrideRender, "fb"),
    PELMORA_FUZZ_OPERATION(setTexture, "fm"),
    PELMORA_FUZZ_OPERATION(frameSetLineWidth, "fn"),
    PELMORA_FUZZ_OPERATION(frameSetWriteZValues, "fb"),
    PELMORA_FUZZ_OPERATION(frameSetWriteColorValues, "fb"),
    PELMORA_FUZZ_OPERATION(setFrameDrawFacetEdges, "gucncn"),
    PELMORA_FUZZ_OPERATION(setMeshScale, "vr"),
    PELMORA_FUZZ_OPERATION(pickMesh, "vfpxxrrrrrrrrRRRB"),
    PELMORA_FUZZ_OPERATION(getMeshData, "vAA"),
    PELMORA_FUZZ_OPERATION(refreshMesh, "v"),
    PELMORA_FUZZ_OPERATION(getScreenData, "vpTAA"),
    PELMORA_FUZZ_OPERATION(getPrintData, "vTrrrrAA"),
    PELMORA_FUZZ_OPERATION(setMeshSimplificationLevel, "vn"),
    PELMORA_FUZZ_OPERATION(setViewportBackground, "pcc"),
    PELMORA_FUZZ_OPERATION(viewportAddAmbientLight, "pc"),
    PELMORA_FUZZ_OPERATION(viewportAddDirectionalLight, "pcrrrQ"),
    PELMORA_FUZZ_OPERATION(viewportAddPointLight, "pcrrrrQ"),
    PELMORA_FUZZ_OPERATION(viewportAddSpotLight, "pcrrrrrrrrrrrrrQ"),
    PELMORA_FUZZ_OPERATION(setAutomaticRefinement, "pb"),
    PELMORA_FUZZ_OPERATION(setManualRefinementLevel, "pn"),
    PELMORA_FUZZ_OPERATION(setLightColor, "qc"),
    PELMORA_FUZZ_OPERATION(setFront, "pr"),
    PELMORA_FUZZ_OPERATION(viewportRemoveLight, "pq"),
    PELMORA_FUZZ_OPERATION(viewportSetReduceDetails, "pb"),
    PELMORA_FUZZ_OPERATION(viewportSetRapidRender, "pb"),
    PELMORA_FUZZ_OPERATION(viewportSetNoReflectivity, "pb"),
    PELMORA_FUZZ_OPERATION(releaseHandles, "H"),
    PELMORA_FUZZ_OPERATION(getViewportPlane, "pRRRR"),
    PELMORA_FUZZ_OPERATION(getViewportField, "pR"),
    PELMORA_FUZZ_OPERATION(setViewportPlane, "prrrr"),
    PELMORA_FUZZ_OPERATION(getViewportFront, "pR"),
    PELMORA_FUZZ_OPERATION(getViewportPerspective, "pB"),
    PELMORA_FUZZ_OPERATION(setViewportPerspective, "pb"),
    PELMORA_FUZZ_OPERATION(setViewportQuality, "pn"),
    PELMORA_FUZZ_OPERATION(getViewportQuality, "pI"),
    PELMORA_FUZZ_OPERATION(viewportTransform, "prrrRRRR"),
    PELMORA_FUZZ_OPERATION(clearViewport, "p"),
    PELMORA_FUZZ_OPERATION(render, "pfbb"),
    PELMORA_FUZZ_OPERATION(inverseViewportTransform, "prrrrRRR"),
    PELMORA_FUZZ_OPERATION(getCameraPosition, "pRRR"),
    PELMORA_FUZZ_OPERATION(setCameraTransform, "pT"),
    PELMORA_FUZZ_OPERATION(getCameraTransform, "pA"),
    PELMORA_FUZZ_OPERATION(saveSnapshotJPG, "pSzz"),
    PELMORA_FUZZ_OPERATION(rotateCamera, "prrrrrrr"),
    PELMORA_FUZZ_OPERATION(setDisregardRenderOverride, "pb"),
    PELMORA_FUZZ_OPERATION(getSelectionRay, "pxxRRRRRR"),
    PELMORA_FUZZ_OPERATION(resetViewport, "p"),
    PELMORA_FUZZ_OPERATION(viewportPresent, "pxxxx"),
    PELMORA_FUZZ_OPERATION(viewportFlip, "pb"),
    PELMORA_FUZZ_OPERATION(setNeverRenderMesh, "v"),
    PELMORA_FUZZ_OPERATION(getSurfaceDC, "pD"),
    PELMORA_FUZZ_OPERATION(releaseSurfaceDC, "pd"),
};

// The dispatch identifiers come from the public table; the names must agree.
bool bindDispatchIdentifiers() {
    for (int slot = 0; slot < kDXContextOperationCount; ++slot) {
        if (std::strcmp(kOperations[slot].name, kDXContextDispatchTable[slot].name) != 0) {
            std::fprintf(stderr, "pelmora fuzz: operation %d is %s, the dispatch table says %s\n",
                         slot, kOperations[slot].name, kDXContextDispatchTable[slot].name);
            std::abort();
        }
        kOperations[slot].dispid = kDXContextDispatchTable[slot].dispid;
    }
    return true;
}

int slotOf(const Operation& operation) {
    const auto slot = &operation - kOperations;
    return slot >= 0 && slot < kDXContextOperationCount ? static_cast<int>(slot) : -1;
}

}  // namespace

const Operation& operationAt(int slot) {
    static const bool bound = bindDispatchIdentifiers();
    (void)bound;
    return kOperations[slot];
}

OperationCounts& operationCounts() {
    static OperationCounts counts{};
    return counts;
}

}  // namespace pelmora::fuzz
