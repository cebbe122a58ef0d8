// The least a host needs to show a STEP file: the Open CASCADE kernel reads
// it, Pelmora draws its bodies with their edges, and the picture goes to a
// PNG file.     step_host part.step part.png
// Built as any host is: Pelmora::occt (CMake) or pelmora-occt (pkg-config).
#include <pelmora/occt/ModelScene.h>

#include <pelmora/helpers.h>

#include <cstdio>

int main(int argc, char** argv) {
    pelmora::occt::OcctKernel kernel;
    std::string error;
    if (argc != 3 || !kernel.load(argv[1], &error)) {
        std::fprintf(stderr, "usage: step_host FILE.step OUT.png %s\n", error.c_str());
        return 1;
    }
    IDXContext* context = nullptr;
    PelmoraCreateContext(&context);
    pelmora::initialize(context, false, "");
    const int window = PelmoraCreateOffscreenWindow(800, 600);
    int viewport = 0;
    context->newViewport(window, VARIANT_FALSE, VARIANT_TRUE, 800, 600, &viewport);
    pelmora::occt::ModelScene scene;
    pelmora::occt::buildScene(context, kernel, PelmoraRegisterFacetFactory(&kernel), {}, &scene);
    pelmora::addDefaultLights(context, viewport);
    pelmora::setView(context, viewport, pelmora::ViewDirection::Iso);
    pelmora::fitView(context, viewport, kernel.bounds());
    context->clearViewport(viewport);
    context->render(viewport, scene.root, VARIANT_FALSE, VARIANT_FALSE);
    context->viewportPresent(viewport, 0, 0, 800, 600);
    const HRESULT saved = pelmora::saveWindowPng(window, argv[2]);
    context->Release();
    return FAILED(saved);
}
