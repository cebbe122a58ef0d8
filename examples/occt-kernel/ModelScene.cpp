#include <pelmora/occt/ModelScene.h>

#include <algorithm>
#include <iterator>

namespace occtkernel {

namespace {

constexpr unsigned kPalette[] = {0xFF8FA3B8u, 0xFFC9A227u, 0xFF5F8A6Bu, 0xFFB5654Au,
                                 0xFF7D86C2u, 0xFFA8A8A0u, 0xFF4F7FA8u, 0xFFC48A5Cu};

HRESULT addBody(IDXContext* context, const OcctKernel& kernel, int factory, int body, const SceneStyle& style,
                ModelScene* scene) {
    const bool open = kernel.body(body).open;
    int frame = 0, faces = 0, edges = 0;
    HRESULT hr = context->newFrame(scene->root, &frame);
    if (SUCCEEDED(hr)) hr = context->setFrameColor(frame, bodyColor(kernel, body));
    if (SUCCEEDED(hr)) hr = context->frameSetReflectivity(frame, open ? 0.0f : 40.0f);
    if (SUCCEEDED(hr)) hr = context->newSolidMeshFromHandle(OcctKernel::faceMesh(body), factory, &faces);
    if (SUCCEEDED(hr)) hr = context->frameAddVisual(frame, faces);
    if (SUCCEEDED(hr) && style.edges) {
        int edgeFrame = 0;
        hr = context->newFrame(frame, &edgeFrame);
        if (SUCCEEDED(hr)) hr = context->setFrameColor(edgeFrame, style.edgeColor);
        if (SUCCEEDED(hr)) hr = context->newWireMeshFromHandle(OcctKernel::edgeMesh(body), factory, &edges);
        if (SUCCEEDED(hr)) hr = context->frameAddVisual(edgeFrame, edges);
    }
    scene->bodyFrames.push_back(frame);
    scene->faceMeshes.push_back(faces);
    scene->edgeMeshes.push_back(edges);
    return hr;
}

}  // namespace

int ModelScene::bodyOf(int handle) const {
    for (const std::vector<int>* list : {&bodyFrames, &faceMeshes, &edgeMeshes}) {
        const auto found = std::find(list->begin(), list->end(), handle);
        if (handle != 0 && found != list->end()) return int(found - list->begin());
    }
    return -1;
}

int bodyColor(int body) { return int(kPalette[size_t(body) % std::size(kPalette)]); }

int bodyColor(const OcctKernel& kernel, int body) {
    const int own = kernel.body(body).color;
    return own != 0 ? own : bodyColor(body);
}

HRESULT buildScene(IDXContext* context, const OcctKernel& kernel, int factory,
                   const SceneStyle& style, ModelScene* scene) {
    *scene = ModelScene{};
    HRESULT hr = context->newFrame(0, &scene->root);
    if (FAILED(hr)) return hr;
    // With edges the faces draw pushed back a little, so the edges lying on
    // them win the depth test, and curved outlines draw as silhouettes.
    const unsigned flags = SOLID_MESH_DRAW_SOLIDS | (style.edges ? SOLID_MESH_DRAW_SILHOUETTES : 0u);
    hr = context->setFrameDrawFacetEdges(scene->root, SolidMeshDrawFlags(flags), style.edgeColor, 1,
                                         style.edgeColor, 1);
    for (int body = 0; SUCCEEDED(hr) && body < kernel.bodyCount(); ++body)
        hr = addBody(context, kernel, factory, body, style, scene);
    return hr;
}

}  // namespace occtkernel
