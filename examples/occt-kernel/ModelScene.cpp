#include <pelmora/occt/ModelScene.h>

#include <BRepPrimAPI_MakeCylinder.hxx>

#include <algorithm>
#include <iterator>

namespace pelmora::occt {

namespace {

constexpr unsigned kPalette[] = {0xFF8FA3B8u, 0xFFC9A227u, 0xFF5F8A6Bu, 0xFFB5654Au,
                                 0xFF7D86C2u, 0xFFA8A8A0u, 0xFF4F7FA8u, 0xFFC48A5Cu};

// A new frame under `parent` (0: none), listed in `made`.
HRESULT newFrame(IDXContext* context, int parent, std::vector<int>* made, int* frame) {
    const HRESULT hr = context->newFrame(parent, frame);
    if (SUCCEEDED(hr)) made->push_back(*frame);
    return hr;
}

// A child frame of `parent` in `color` listing `visual`.
HRESULT addColoredVisual(IDXContext* context, int parent, int color, int visual, std::vector<int>* made) {
    int frame = 0;
    HRESULT hr = newFrame(context, parent, made, &frame);
    if (SUCCEEDED(hr)) hr = context->setFrameColor(frame, color);
    if (SUCCEEDED(hr)) hr = context->frameAddVisual(frame, visual);
    return hr;
}

HRESULT addFaces(IDXContext* context, const OcctKernel& kernel, int factory, int body, int frame,
                 std::vector<int>* meshes, std::vector<int>* made) {
    HRESULT hr = S_OK;
    for (const OcctKernel::FaceMesh& group : kernel.faceMeshes(body)) {
        int mesh = 0;
        hr = context->newSolidMeshFromHandle(group.handle, factory, &mesh);
        if (SUCCEEDED(hr)) made->push_back(mesh);
        // The body's own colour comes from its frame, which a pick highlights.
        if (SUCCEEDED(hr)) hr = group.color == 0 ? context->frameAddVisual(frame, mesh)
                                                 : addColoredVisual(context, frame, group.color, mesh, made);
        meshes->push_back(mesh);
        if (FAILED(hr)) break;
    }
    return hr;
}

// A frame under `parent` placed as the body is.
HRESULT newPlacedFrame(IDXContext* context, int parent, const OcctBody& body, std::vector<int>* made, int* frame) {
    HRESULT hr = newFrame(context, parent, made, frame);
    if (SUCCEEDED(hr) && body.placement.Form() != gp_Identity)
        hr = pelmora::setTransform(context, *frame, frameTransform(body.placement));
    return hr;
}

// The body's faces under the root; its model edges, when shown, under
// `edgeRoot`, which draws after every body's faces: the faces' and the
// lines' programs then change twice a frame, not twice a body.
HRESULT addBody(IDXContext* context, const OcctKernel& kernel, int factory, int body, const SceneStyle& style,
                int edgeRoot, ModelScene* scene, std::vector<int>* made) {
    const OcctBody& b = kernel.body(body);
    int frame = 0, edges = 0;
    std::vector<int> faces;
    HRESULT hr = newPlacedFrame(context, scene->root, b, made, &frame);
    if (SUCCEEDED(hr)) hr = context->setFrameColor(frame, bodyColor(kernel, body));
    if (SUCCEEDED(hr)) hr = context->frameSetReflectivity(frame, b.open ? 0.0f : 40.0f);
    if (SUCCEEDED(hr)) hr = addFaces(context, kernel, factory, body, frame, &faces, made);
    if (SUCCEEDED(hr) && style.edges) {
        int edgeFrame = 0;
        hr = context->newWireMeshFromHandle(kernel.edgeMesh(body), factory, &edges);
        if (SUCCEEDED(hr)) made->push_back(edges);
        if (SUCCEEDED(hr)) hr = newPlacedFrame(context, edgeRoot, b, made, &edgeFrame);
        if (SUCCEEDED(hr)) hr = context->frameSetReflectivity(edgeFrame, b.open ? 0.0f : 40.0f);
        if (SUCCEEDED(hr)) hr = addColoredVisual(context, edgeFrame, style.edgeColor, edges, made);
    }
    scene->bodyFrames.push_back(frame);
    scene->faceMeshes.push_back(std::move(faces));
    scene->edgeMeshes.push_back(edges);
    return hr;
}

}  // namespace

int ModelScene::bodyOf(int handle) const {
    const auto found = owners_.find(handle);
    return handle == 0 || found == owners_.end() ? -1 : found->second;
}

int bodyColor(int body) { return int(kPalette[size_t(body) % std::size(kPalette)]); }

int bodyColor(const OcctKernel& kernel, int body) {
    const int own = kernel.body(body).color;
    return own != 0 ? own : bodyColor(body);
}

HRESULT buildScene(IDXContext* context, const OcctKernel& kernel, int factory, const SceneStyle& style,
                   ModelScene* scene) {
    *scene = ModelScene{};
    HRESULT hr = newFrame(context, 0, &scene->handles_, &scene->root);
    if (FAILED(hr)) return hr;
    // With edges the faces draw pushed back a little, so the edges lying on
    // them win the depth test, and curved outlines draw as silhouettes.
    const unsigned flags = SOLID_MESH_DRAW_SOLIDS | (style.edges ? SOLID_MESH_DRAW_SILHOUETTES : 0u);
    hr = context->setFrameDrawFacetEdges(scene->root, SolidMeshDrawFlags(flags), style.edgeColor, 1,
                                         style.edgeColor, 1);
    int edgeRoot = 0;
    if (SUCCEEDED(hr) && style.edges) hr = newFrame(context, 0, &scene->handles_, &edgeRoot);
    for (int body = 0; SUCCEEDED(hr) && body < kernel.bodyCount(); ++body) {
        hr = addBody(context, kernel, factory, body, style, edgeRoot, scene, &scene->handles_);
        scene->owners_[scene->bodyFrames.back()] = body;
        for (int mesh : scene->faceMeshes.back()) scene->owners_[mesh] = body;
        scene->owners_[scene->edgeMeshes.back()] = body;
    }
    if (SUCCEEDED(hr) && edgeRoot != 0) hr = context->frameAddChild(scene->root, edgeRoot);
    return hr;
}

HRESULT refreshPreviews(IDXContext* context, OcctKernel& kernel, const ModelScene& scene) {
    const std::vector<int> healed = kernel.takeHealedPreviews();
    // A host asks after every frame; most times nothing has been healed since.
    if (healed.empty()) return S_OK;
    HRESULT first = S_OK;
    const auto refresh = [&](int mesh) {
        const HRESULT hr = mesh == 0 ? S_OK : context->refreshMesh(mesh);
        if (SUCCEEDED(first)) first = hr;
    };
    for (int body = 0; body < kernel.bodyCount() && body < int(scene.faceMeshes.size()); ++body) {
        if (std::find(healed.begin(), healed.end(), kernel.body(body).shape) == healed.end()) continue;
        for (int mesh : scene.faceMeshes[size_t(body)]) refresh(mesh);
        refresh(scene.edgeMeshes[size_t(body)]);
    }
    return first;
}

HRESULT releaseScene(IDXContext* context, ModelScene* scene) {
    HRESULT first = S_OK;
    // The meshes before the frames that list them, the root last.
    for (auto handle = scene->handles_.rbegin(); handle != scene->handles_.rend(); ++handle) {
        const HRESULT hr = context->releaseHandle(*handle);
        if (SUCCEEDED(first)) first = hr;
    }
    *scene = ModelScene{};
    return first;
}

HRESULT warmUpScene(IDXContext* context, int viewport, const SceneStyle& style) {
    // A turned part: lit faces, model edges and silhouettes, as a model's
    // first frame draws them.
    OcctKernel standIn;
    standIn.addBody(BRepPrimAPI_MakeCylinder(1.0, 1.0).Shape(), "stand-in", false, bodyColor(0));
    const int factory = PelmoraRegisterFacetFactory(&standIn);
    ModelScene scene;
    HRESULT hr = buildScene(context, standIn, factory, style, &scene);
    if (SUCCEEDED(hr)) hr = pelmora::fitView(context, viewport, standIn.bounds());
    if (SUCCEEDED(hr)) hr = context->clearViewport(viewport);
    if (SUCCEEDED(hr)) hr = context->render(viewport, scene.root, VARIANT_FALSE, VARIANT_FALSE);
    const HRESULT released = releaseScene(context, &scene);
    PelmoraUnregisterFacetFactory(factory);
    return FAILED(hr) ? hr : released;
}

}  // namespace pelmora::occt
