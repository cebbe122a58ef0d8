#include "FuzzSession.h"

#include "FuzzEnvironment.h"
#include "FuzzInput.h"
#include "HostileFacetFactory.h"
#include "HostileValues.h"
#include "OperationTable.h"
#include "host/DXContext.h"
#include "platform/d3d9/gl/GLTestHooks.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include <climits>
#include <sys/stat.h>

namespace pelmora::fuzz {

namespace {

// Opcodes: the operations called directly, then through Invoke, then host actions.
constexpr int kDirectBase = 0;
constexpr int kInvokeBase = kDXContextOperationCount;
constexpr int kHostBase = 2 * kDXContextOperationCount;
constexpr int kHostActionCount = 25;
constexpr int kRenderCycle = 0;

constexpr int kMaxContexts = 3;
constexpr int kMaxWindows = 6;

// A failed expectation about what a host can see: the run stops here.
[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "pelmora fuzz: %s\n", what);
    std::abort();
}

// A small closed body: four triangles over four points. A face is its
// vertex count, then per vertex an index and an unused word.
// Scaled, or with its first point moved far out, its face normals
// overflow a float.
struct Tetrahedron {
    SAFEARRAY* vertices = SafeArrayCreateVector(VT_R4, 0, 12);
    SAFEARRAY* normals = SafeArrayCreateVector(VT_R4, 0, 12);
    SAFEARRAY* faces = SafeArrayCreateVector(VT_I4, 0, 29);
    explicit Tetrahedron(float scale = 1.0f, float firstX = 0.0f) {
        static constexpr float kPoints[12] = {0, 0, 0.8f, -0.7f, -0.4f, -0.3f,
                                              0.7f, -0.4f, -0.3f, 0, 0.8f, -0.3f};
        static constexpr int kFaces[29] = {3, 0, 0, 1, 0, 2, 0, 3, 0, 0, 2, 0, 3, 0, 3, 0,
                                           0, 3, 0, 1, 0, 3, 1, 0, 3, 0, 2, 0, 0};
        float points[12];
        for (int i = 0; i < 12; ++i) points[i] = kPoints[i] * scale;
        if (firstX != 0.0f) points[0] = firstX;
        fill(vertices, points, sizeof points);
        fill(normals, kPoints, sizeof kPoints);
        fill(faces, kFaces, sizeof kFaces);
    }
    ~Tetrahedron() {
        SafeArrayDestroy(vertices);
        SafeArrayDestroy(normals);
        SafeArrayDestroy(faces);
    }
    static void fill(SAFEARRAY* array, const void* values, size_t bytes) {
        void* data = nullptr;
        if (array && SUCCEEDED(SafeArrayAccessData(array, &data))) {
            std::memcpy(data, values, bytes);
            SafeArrayUnaccessData(array);
        }
    }
};

// The first adapter's name, asked once a process.
std::u16string firstDeviceName(IDXContext* context) {
    static std::u16string* name = nullptr;
    if (name) return *name;
    name = new std::u16string();
    SAFEARRAY* names = nullptr;
    if (SUCCEEDED(context->enumerateDeviceNames(&names)) && names) {
        BSTR* data = nullptr;
        LONG upper = -1;
        SafeArrayGetUBound(names, 1, &upper);
        if (upper >= 0 && SUCCEEDED(SafeArrayAccessData(names, reinterpret_cast<void**>(&data)))) {
            if (data[0]) *name = std::u16string(data[0], SysStringLen(data[0]));
            SafeArrayUnaccessData(names);
        }
        SafeArrayDestroy(names);
    }
    return *name;
}

}  // namespace

FuzzSession::FuzzSession(FuzzInput& input, const FuzzOptions& options)
    : input_(input), options_(options) {
    using namespace samplekernel;
    kernel_.addBody(samplekernel::Box{{-0.4, -0.4, -0.4}, {0.4, 0.4, 0.4}});
    kernel_.addBody(Sphere{{0.3, 0, 0}, 0.3});
    kernel_.addBody(Cylinder{{-0.3, 0, -0.3}, 0.2, 0.6});
    kernel_.addBody(Torus{{0, 0.3, 0}, 0.3, 0.1});
}

FuzzSession::~FuzzSession() { releaseEverything(); }

void FuzzSession::runInput(const uint8_t* data, size_t size, const FuzzOptions& options) {
    FuzzInput input(data, size);
    FuzzSession session(input, options);
    session.run();
}

// Weak, so a build without LeakSanitizer links too.
extern "C" int __lsan_do_recoverable_leak_check() __attribute__((weak));

bool FuzzSession::leaked() { return __lsan_do_recoverable_leak_check && __lsan_do_recoverable_leak_check() != 0; }

void FuzzSession::run() {
    prologue();
    while (!input_.exhausted() && actions_ < options_.maxActions) step();
}

IDXContext* FuzzSession::context() {
    if (current_ >= 0 && contexts_[current_]) return contexts_[current_];
    for (size_t slot = 0; slot < contexts_.size(); ++slot)
        if (contexts_[slot]) {
            current_ = static_cast<int>(slot);
            return contexts_[slot];
        }
    return newContext();
}

int FuzzSession::liveContextCount() const {
    return static_cast<int>(std::count_if(contexts_.begin(), contexts_.end(), [](IDXContext* c) { return c != nullptr; }));
}

void FuzzSession::reenter(int actions) {
    ++depth_;
    for (int i = 0; i < actions && !input_.exhausted(); ++i) step();
    --depth_;
}

// ---- The prologue: a scene worth calling operations on ----

void FuzzSession::prologue() {
    const uint8_t plan = input_.byte();
    IDXContext* first = context();
    deviceName_ = firstDeviceName(first);
    if (plan % 8 != 7) {
        VARIANT_BOOL noHardware = VARIANT_TRUE;
        first->initialize(VARIANT_FALSE, nullptr, &noHardware);
    }
    kernelFactory_ = PelmoraRegisterFacetFactory(&kernel_);
    handles_.add(kernelFactory_, Kind::Factory, -1);
    registerHostileFactory();
    const int width = input_.between(32, 96), height = input_.between(32, 96);
    const int window = newWindow(width, height);
    if ((plan / 8) % 8 != 7) newViewport(window, width, height);
    if (plan / 64 != 3) buildScene();
    if (input_.rare(64)) {
        // A second context that draws the first one's scene in a viewport of its own.
        const int owner = current_;
        newContext();
        const int other = newWindow(width, height);
        newViewport(other, width, height);
        current_ = owner;
    }
}

int FuzzSession::addContext(IDXContext* context) {
    contexts_.push_back(context);
    current_ = static_cast<int>(contexts_.size()) - 1;
    int provider = 0;
    if (SUCCEEDED(context->getTorvelMeshProvider(&provider)))
        handles_.add(provider, Kind::Provider, current_);
    return current_;
}

IDXContext* FuzzSession::newContext() {
    IDXContext* context = nullptr;
    if (input_.rare(64)) {
        // Through the class object, as a host that loads the module would.
        IClassFactory* classObject = nullptr;
        if (SUCCEEDED(DllGetClassObject(CLSID_DXContext, IID_IClassFactory,
                                        reinterpret_cast<void**>(&classObject)))) {
            const IID& asked = input_.rare(128) ? IID_IDispatch : IID_IDXContext;
            void* object = nullptr;
            if (SUCCEEDED(classObject->CreateInstance(nullptr, asked, &object)))
                context = static_cast<IDXContext*>(static_cast<IDispatch*>(object));
            classObject->Release();
        }
    }
    if (!context && FAILED(PelmoraCreateContext(&context))) fail("no context could be created");
    addContext(context);
    return context;
}

void FuzzSession::releaseContext(int slot) {
    if (slot < 0 || slot >= static_cast<int>(contexts_.size()) || !contexts_[slot]) return;
    contexts_[slot]->Release();
    contexts_[slot] = nullptr;
    handles_.releaseOwnedBy(slot);
}

int FuzzSession::newWindow(int width, int height) {
    if (handles_.live(Kind::Window).size() >= kMaxWindows) return handles_.pick(input_, Kind::Window);
    const int window = PelmoraCreateOffscreenWindow(width, height);
    handles_.add(window, Kind::Window, -1);
    return window;
}

int FuzzSession::newViewport(int window, int width, int height) {
    IDXContext* ctx = context();
    int viewport = 0;
    if (SUCCEEDED(ctx->newViewport(window, VARIANT_FALSE, VARIANT_TRUE, width, height, &viewport)) &&
        viewport != 0) {
        handles_.add(viewport, Kind::Viewport, current_);
        ctx->setViewportPlane(viewport, -1, 1, -1, 1);
        ctx->setViewportBackground(viewport, static_cast<int>(0xFF202040u), static_cast<int>(0xFF8080A0u));
        int light = 0;
        ctx->viewportAddDirectionalLight(viewport, -1, 0, 0, -1, &light);
    }
    return viewport;
}

void FuzzSession::buildScene() {
    IDXContext* ctx = context();
    int root = 0, child = 0;
    if (FAILED(ctx->newFrame(0, &root))) return;
    handles_.add(root, Kind::Frame, current_);
    if (SUCCEEDED(ctx->newFrame(root, &child))) handles_.add(child, Kind::Frame, current_);
    ctx->setFrameColor(root, static_cast<int>(0xFFC04040u));
    Tetrahedron body;
    int mesh = 0;
    if (SUCCEEDED(ctx->newSolidMesh(&body.vertices, &body.normals, &body.faces, VARIANT_FALSE, &mesh))) {
        handles_.add(mesh, Kind::Visual, current_);
        ctx->frameAddVisual(child, mesh);
    }
    const std::vector<int> factories = handles_.live(Kind::Factory);
    for (int i = 0; i < 2 && !factories.empty(); ++i) {
        const int factory = factories[input_.below(factories.size())];
        int hostMesh = 0;
        if (SUCCEEDED(ctx->newSolidMeshFromHandle(input_.between(1, 4), factory, &hostMesh))) {
            handles_.add(hostMesh, Kind::Visual, current_);
            ctx->frameAddVisual(i == 0 ? root : child, hostMesh);
        }
    }
    ctx->addFrameRotation(child, 0, 0, 1, 0, input_.grid(-3, 3));
}

// ---- One action ----

void FuzzSession::step() {
    ++actions_;
    const int opcode = input_.byte();
    if (opcode < kInvokeBase) return callOperation(opcode - kDirectBase, false);
    if (opcode < kHostBase) return callOperation(opcode - kInvokeBase, true);
    // Host actions; the last few opcodes all render, the commonest thing a host does.
    const int action = opcode - kHostBase;
    hostAction(action < 3 * kHostActionCount ? action % kHostActionCount : kRenderCycle);
}

void FuzzSession::callOperation(int slot, bool throughInvoke) {
    const Operation& operation = operationAt(slot);
    // Half the calls are plain, so a run reaches deep states; the rest may
    // take hostile arguments anywhere.
    const bool hostile = input_.rare(128);
    IDXContext* ctx = context();
    if (throughInvoke) operation.invoke(*this, ctx, operation, hostile);
    else operation.direct(*this, ctx, operation, hostile);
}

void FuzzSession::hostAction(int which) {
    switch (which) {
        case kRenderCycle: return renderCycle();
        case 1: newWindow(input_.between(1, 96), input_.between(1, 96)); return;
        case 2: {
            const int window = input_.rare(64) ? handles_.pickAny(input_) : handles_.pick(input_, Kind::Window);
            if (PelmoraDestroyWindow(window) == S_OK) handles_.release(window);
            return;
        }
        case 3: newViewport(handles_.pick(input_, Kind::Window), input_.between(32, 96), input_.between(32, 96)); return;
        case 4: {
            const int width = input_.between(1, 64), height = input_.between(1, 64);
            std::vector<uint32_t> pixels(size_t(width) * height, input_.u32());
            handles_.add(PelmoraCreateBitmap(width, height, input_.rare(128) ? pixels.data() : nullptr),
                         Kind::Bitmap, -1);
            return;
        }
        case 5: {
            const int bitmap = handles_.pick(input_, Kind::Bitmap);
            if (DeleteObject(bitmap)) handles_.release(bitmap);
            return;
        }
        case 6: return registerHostileFactory();
        case 7: return unregisterFactory();
        case 8: return forceDeviceLoss();
        case 9:
            if (depth_ == 0 && liveContextCount() < kMaxContexts)
                newContext();
            return;
        case 10:
            // Never the context a factory is being called from.
            if (depth_ == 0) releaseContext(static_cast<int>(input_.below(contexts_.size())));
            return;
        case 11: {
            const int slot = static_cast<int>(input_.below(contexts_.size()));
            if (contexts_[slot]) current_ = slot;
            return;
        }
        case 12: return callIUnknownAndTypeInfo();
        case 13: return callGetIDsOfNames();
        case 14: return takeProviderSource();
        case 15: return readProviderSources();
        case 16: return releaseProviderSource();
        case 17: return drawOnDeviceContext();
        case 18: return readWindowImage();
        case 19: return churnHandles();
        case 20: return checkModuleLocks();
        case 21: return buildFrameChain();
        case 22: return setKernelFailure();
        case 23: return replayFoundFault();
        default: return buildScene();
    }
}

// Inputs that once found faults, each a short host sequence: anchors at the
// integer limits picked, bodies whose normals overflow drawn with edges,
// degenerate grids, snapshot names with a NUL or naming a FIFO, widths far
// past the widest line, host mesh 0, edge flags changed while the view rests.
void FuzzSession::replayFoundFault() {
    IDXContext* ctx = context();
    const int frame = handles_.pick(input_, Kind::Frame, current_);
    const int viewport = handles_.pick(input_, Kind::Viewport, current_);
    int made = 0;
    const auto keep = [&](HRESULT status) {
        if (SUCCEEDED(status)) {
            handles_.add(made, Kind::Visual, current_);
            ctx->frameAddVisual(frame, made);
        }
    };
    switch (input_.below(7)) {
        case 0: {
            static constexpr int kAnchors[] = {INT_MIN, INT_MAX, INT_MIN + 1, 0};
            keep(ctx->newPreloadedBillboard(PreloadedTextureIDs(input_.below(48)), kAnchors[input_.below(4)],
                                            kAnchors[input_.below(4)], &made));
            double x = 0, y = 0, z = 0;
            VARIANT_BOOL hit = 0;
            ctx->pickMesh(made, frame, viewport, hostileInt(input_), hostileInt(input_), 0, 0, 10, 0, 0, -1, 2, 2,
                          &x, &y, &z, &hit);
            return;
        }
        case 1: {
            Tetrahedron body(input_.rare(2) ? 1e20f : 1.0f, input_.rare(2) ? 1e38f : 0.0f);
            keep(ctx->newSolidMesh(&body.vertices, &body.normals, &body.faces, VARIANT_FALSE, &made));
            ctx->setFrameDrawFacetEdges(frame, SolidMeshDrawFlags(input_.below(32)), -1, input_.between(1, 4), -1, 1);
            return renderCycle();
        }
        case 2:
            keep(input_.rare(2) ? ctx->newGrillMesh(1, 1, 1, 0, 1, 1e-16f, 1, 1, &made)
                                : ctx->newGrillMesh(1e16f, 1, 1e16f, 0, 1, 1, 1, 1, &made));
            return;
        case 3: {
            mkfifo("fifo.png", 0600);
            static const std::u16string kNames[] = {u"fifo.png", std::u16string(u"cut.png\0.jpg", 12)};
            BSTR name = makeBstr(kNames[input_.below(2)], false);
            ctx->saveSnapshotJPG(viewport, name, 32, 32);
            SysFreeString(name);
            return;
        }
        case 4:
            ctx->frameSetLineWidth(frame, input_.rare(2) ? INT_MAX : 1 << 20);
            ctx->setFrameDrawFacetEdges(frame, SolidMeshDrawFlags(input_.below(32)), -1, INT_MAX, -1, INT_MAX);
            return renderCycle();
        case 5: {
            const int factory = handles_.pick(input_, Kind::Factory);
            keep(input_.rare(2) ? ctx->newSolidMeshFromHandle(0, factory, &made)
                                : ctx->newWireMeshFromHandle(0, factory, &made));
            return renderCycle();
        }
        default:
            renderCycle();
            renderCycle();  // at rest
            ctx->setFrameDrawFacetEdges(frame, SolidMeshDrawFlags(input_.below(32)), hostileInt(input_),
                                        input_.between(0, 5), hostileInt(input_), input_.between(0, 5));
            return renderCycle();
    }
}

void FuzzSession::renderCycle() {
    IDXContext* ctx = context();
    const int viewport = handles_.pick(input_, Kind::Viewport, current_);
    const int root = handles_.pick(input_, Kind::Frame, current_);
    int width = 96, height = 96;
    for (const HandlePool::Record& record : handles_.records())
        if (record.kind == Kind::Window && record.live && PelmoraGetClientRect(record.handle, &width, &height) == S_OK)
            break;
    ctx->clearViewport(viewport);
    ctx->render(viewport, root, VARIANT_TRUE, VARIANT_FALSE);
    ctx->viewportFlip(viewport, input_.rare(200) ? VARIANT_FALSE : VARIANT_TRUE);
    ctx->viewportPresent(viewport, 0, 0, width, height);
    if (input_.rare(40)) {
        BSTR name = SysAllocString(input_.rare(128) ? u"cycle.png" : u"cycle.jpg");
        ctx->saveSnapshotJPG(viewport, name, input_.between(16, 96), input_.between(16, 96));
        SysFreeString(name);
    }
}

// ---- Facet factories and the device ----

void FuzzSession::registerHostileFactory() {
    if (factories_.size() >= 4) return;
    auto factory = std::make_unique<HostileFacetFactory>(*this);
    factory->handle = PelmoraRegisterFacetFactory(factory.get());
    handles_.add(factory->handle, Kind::Factory, -1);
    factories_.push_back(std::move(factory));
}

void FuzzSession::unregisterFactory() {
    // Meshes built on a retired factory stay; their requests fail from now on.
    const int handle = input_.rare(64) ? handles_.pickAny(input_) : handles_.pick(input_, Kind::Factory);
    if (PelmoraUnregisterFacetFactory(handle) == S_OK) handles_.release(handle);
}

void FuzzSession::setKernelFailure() {
    using samplekernel::FacetFailure;
    static constexpr FacetFailure kFailures[] = {FacetFailure::None, FacetFailure::NoFacets,
                                                 FacetFailure::Error, FacetFailure::Fault};
    kernel_.setFailure(input_.between(1, 4), kFailures[input_.below(std::size(kFailures))]);
    kernel_.setDoubleSided(input_.between(1, 4), input_.rare(128));
}

void FuzzSession::forceDeviceLoss() {
    auto* engine = static_cast<DXContext*>(context());
    if (IDirect3DDevice9* device = engine->device()) d3d9gl::forceDeviceLoss(device);
}

// ---- IUnknown, IDispatch and the module ----

void FuzzSession::callIUnknownAndTypeInfo() {
    IDXContext* ctx = context();
    static constexpr GUID kOdd = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    const IID* asked[] = {&IID_IUnknown, &IID_IDispatch, &IID_IDXContext, &IID_IClassFactory, &kOdd, &IID_NULL};
    void* object = nullptr;
    if (SUCCEEDED(ctx->QueryInterface(*asked[input_.below(std::size(asked))], &object)) && object)
        static_cast<IUnknown*>(object)->Release();
    ctx->QueryInterface(IID_IDXContext, nullptr);
    ctx->AddRef();
    ctx->Release();
    UINT count = 0;
    ctx->GetTypeInfoCount(input_.rare(128) ? nullptr : &count);
    ITypeInfo* info = nullptr;
    ctx->GetTypeInfo(input_.u32(), 0, input_.rare(128) ? nullptr : &info);
}

void FuzzSession::callGetIDsOfNames() {
    IDXContext* ctx = context();
    std::vector<std::optional<std::u16string>> texts;
    const UINT count = static_cast<UINT>(input_.below(4));
    for (UINT i = 0; i < count; ++i) {
        bool isNull = false;
        if (input_.rare(128)) {
            std::u16string text = hostileString(input_, StringUse::MemberName, &isNull);
            // A wide string ends at its first zero.
            text = text.substr(0, text.find(u'\0'));
            texts.push_back(isNull ? std::nullopt : std::optional(text));
        } else {
            const char* name = kDXContextDispatchTable[input_.below(kDXContextOperationCount)].name;
            texts.emplace_back(std::u16string(name, name + std::strlen(name)));
        }
    }
    // Each name in a buffer of its own, so a read before or after it is caught.
    std::vector<std::unique_ptr<char16_t[]>> buffers;
    std::vector<LPOLESTR> names;
    for (const std::optional<std::u16string>& entry : texts) {
        if (!entry) {
            names.push_back(nullptr);
            continue;
        }
        const std::u16string& text = *entry;
        buffers.push_back(std::make_unique<char16_t[]>(text.size() + 1));
        std::memcpy(buffers.back().get(), text.c_str(), (text.size() + 1) * sizeof(char16_t));
        names.push_back(buffers.back().get());
    }
    std::vector<DISPID> ids(std::max<size_t>(count, 1));
    const IID& riid = input_.rare(32) ? IID_IDispatch : IID_NULL;
    ctx->GetIDsOfNames(riid, input_.rare(24) ? nullptr : names.data(), count, 0,
                       input_.rare(24) ? nullptr : ids.data());
}

void FuzzSession::checkModuleLocks() {
    IClassFactory* classObject = nullptr;
    if (FAILED(DllGetClassObject(CLSID_DXContext, IID_IClassFactory, reinterpret_cast<void**>(&classObject))))
        return;
    classObject->LockServer(TRUE);
    classObject->LockServer(FALSE);
    // An unbalanced unlock is the host's mistake; the contexts it holds must keep the module.
    if (input_.rare(64)) classObject->LockServer(FALSE);
    classObject->Release();
    if (liveContextCount() > 0 && DllCanUnloadNow() == S_OK) fail("DllCanUnloadNow says S_OK while a context lives");
}

// ---- The mesh provider's sources ----

void FuzzSession::takeProviderSource() {
    const int providerHandle = input_.rare(32) ? handles_.pickAny(input_) : handles_.pick(input_, Kind::Provider, current_);
    IMeshProvider* provider = PelmoraGetMeshProvider(providerHandle);
    if (!provider || sources_.size() >= 8) return;
    int owner = -1;
    for (const HandlePool::Record& record : handles_.records())
        if (record.handle == providerHandle && record.kind == Kind::Provider && record.live) owner = record.owner;
    if (owner < 0) return;
    const int factory = handles_.pick(input_, Kind::Factory);
    FacetSource* source = nullptr;
    if (SUCCEEDED(provider->getFacets(factory, input_.between(-1, 6), &source)) && source)
        sources_.push_back({source, provider, owner});
}

void FuzzSession::readProviderSources() {
    // A source reads the mesh as it is now, and as empty once the mesh (or
    // its context) is gone: never a dangling list.
    volatile float positions = 0;
    volatile long indices = 0;
    for (const HeldSource& held : sources_) {
        const FacetSource* source = held.source;
        const int vertexCount = source->vertexCount();
        const FacetVertex* vertices = source->vertices();
        for (int i = 0; vertices && i < vertexCount; ++i) positions = positions + vertices[i].x;
        const int length = source->faceListLength();
        const int* faces = source->faceList();
        for (int i = 0; faces && i < length; ++i) indices = indices + faces[i];
        if ((vertexCount > 0 && !vertices) || (length > 0 && !faces))
            fail("a provider source reports entries but has no list");
        (void)source->doubleSided();
    }
}

void FuzzSession::releaseProviderSource() {
    if (input_.rare(48)) {
        // Pointers the provider never handed out.
        IMeshProvider* provider = PelmoraGetMeshProvider(handles_.pick(input_, Kind::Provider, current_));
        samplekernel::SampleKernel stray;
        if (provider) provider->releaseFacets(input_.rare(128) ? nullptr : reinterpret_cast<FacetSource*>(&stray));
        return;
    }
    if (sources_.empty()) return;
    const size_t index = input_.below(sources_.size());
    const HeldSource held = sources_[index];
    // A provider lives as long as its context; once that is gone the source
    // can only be read.
    if (held.contextSlot >= static_cast<int>(contexts_.size()) || !contexts_[held.contextSlot]) return;
    held.provider->releaseFacets(held.source);
    sources_.erase(sources_.begin() + static_cast<long>(index));
}

// ---- Pixels the host reads and writes ----

void FuzzSession::drawOnDeviceContext() {
    const int dc = handles_.pick(input_, Kind::DeviceContext);
    int width = 0, height = 0, stride = 0;
    uint32_t* pixels = nullptr;
    if (PelmoraGetDCImage(dc, &width, &height, &pixels, &stride) != S_OK || !pixels) return;
    const uint32_t colour = input_.u32();
    for (int y = 0; y < height; y += 3)
        for (int x = 0; x < width; x += 2) pixels[size_t(y) * stride + x] = colour;
}

void FuzzSession::readWindowImage() {
    const int window = handles_.pick(input_, Kind::Window);
    int width = 0, height = 0;
    const uint32_t* pixels = nullptr;
    if (PelmoraGetWindowImage(window, &width, &height, &pixels) != S_OK || !pixels) return;
    volatile uint32_t sum = 0;
    for (size_t i = 0; i < size_t(width) * height; ++i) sum = sum + pixels[i];
}

// ---- Handle lifetime and deep frame trees ----

void FuzzSession::churnHandles() {
    IDXContext* ctx = context();
    // A released handle stays invalid while more of its kind come and go.
    int stale = 0;
    if (FAILED(ctx->newFrame(0, &stale))) return;
    ctx->releaseHandle(stale);
    const int frames = input_.between(1, 2100);
    for (int i = 0; i < frames; ++i) {
        int frame = 0;
        if (FAILED(ctx->newFrame(0, &frame))) continue;
        int colour = 0;
        if (frame == stale || ctx->getFrameColor(stale, &colour) == S_OK)
            fail("a released frame handle names a frame again");
        ctx->releaseHandle(frame);
    }
    const int staleWindow = PelmoraCreateOffscreenWindow(1, 1);
    PelmoraDestroyWindow(staleWindow);
    const int windows = input_.between(1, 2100);
    for (int i = 0; i < windows; ++i) {
        const int window = PelmoraCreateOffscreenWindow(1, 1);
        int width = 0, height = 0;
        if (window == staleWindow || PelmoraGetClientRect(staleWindow, &width, &height) != E_HANDLE)
            fail("a destroyed window handle names a window again");
        PelmoraDestroyWindow(window);
    }
}

void FuzzSession::buildFrameChain() {
    IDXContext* ctx = context();
    int top = 0;
    if (FAILED(ctx->newFrame(handles_.pick(input_, Kind::Frame, current_), &top))) return;
    int leaf = top;
    const int depth = input_.between(2, 300);
    for (int i = 0; i < depth; ++i) {
        int next = 0;
        if (FAILED(ctx->newFrame(leaf, &next))) break;
        leaf = next;
    }
    handles_.add(top, Kind::Frame, current_);
    handles_.add(leaf, Kind::Frame, current_);
    // Closing the chain into a cycle must be refused.
    ctx->frameAddChild(leaf, top);
    ctx->frameAddChild(leaf, leaf);
}

// ---- The end of a run ----

void FuzzSession::releaseEverything() {
    depth_ = 1;  // factories called from here must not start new actions
    for (IDXContext* live : contexts_)
        if (live) {
            // A process-wide switch: the next run starts with refinements on.
            live->suspendMeshRefinements(VARIANT_FALSE);
            break;
        }
    for (const HeldSource& held : sources_)
        if (held.contextSlot < static_cast<int>(contexts_.size()) && contexts_[held.contextSlot])
            held.provider->releaseFacets(held.source);
    sources_.clear();
    // Viewports are the host's to release, and may outlive their context.
    const std::vector<int> viewports = handles_.live(Kind::Viewport);
    if (!viewports.empty()) {
        IDXContext* releaser = nullptr;
        if (SUCCEEDED(PelmoraCreateContext(&releaser))) {
            for (int viewport : viewports) releaser->releaseHandle(viewport);
            releaser->Release();
        }
    }
    for (size_t slot = 0; slot < contexts_.size(); ++slot) releaseContext(static_cast<int>(slot));
    PelmoraUnregisterFacetFactory(kernelFactory_);
    for (const auto& factory : factories_) PelmoraUnregisterFacetFactory(factory->handle);
    factories_.clear();
    for (int window : handles_.live(Kind::Window)) PelmoraDestroyWindow(window);
    for (int bitmap : handles_.live(Kind::Bitmap)) DeleteObject(bitmap);
    FuzzEnvironment::clearFiles();
    // Nothing the host holds is left: no context, class object or lock.
    if (DllCanUnloadNow() != S_OK) fail("the module stays locked after the host released everything");
}

}  // namespace pelmora::fuzz
