// Case A of the host-mesh benchmark: the assembly built and drawn the way a
// CAD host does it, through IDXContext: a frame tree of host-backed solid
// meshes on the sample kernel, one orthographic 1920x1080 viewport on an
// offscreen window, and per frame clearViewport, render and viewportFlip.
#pragma once

#include "AssemblyScene.h"
#include "BenchContext.h"

#include <pelmora/pelmora.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pelmora::bench {

class AssemblyHost {
public:
    // nullptr with a reason when the context, the viewport or the scene
    // cannot be made. The factory (the kernel, or a wrapper of it) must
    // outlive the host; registered as thread-safe it refines on the facet
    // worker, otherwise inside the render.
    static std::unique_ptr<AssemblyHost> create(const AssemblyScene& scene, FacetFactory& factory, bool threadSafe,
                                                UINT width, UINT height, std::string* error);

    AssemblyHost(const AssemblyHost&) = delete;
    AssemblyHost& operator=(const AssemblyHost&) = delete;

    // clearViewport, render, viewportFlip into the cached image, then one
    // pixel of the back buffer read back, so the frame has really been drawn.
    HRESULT drawFrame();
    // drawFrame, then the whole view presented to the offscreen window, as a
    // host shows every frame.
    HRESULT drawAndPresentFrame();
    // The view plane of the benchmark scaled about its centre (2: twice as
    // wide, zoomed out); the automatic deviation follows at the next render.
    HRESULT zoom(double factor);
    // The root frame's solid-mesh draw flags, which every body inherits;
    // edges in near black, two pixels wide.
    HRESULT setDrawFlags(uint32_t flags);
    // The whole back buffer as 0xAARRGGBB, top row first.
    std::vector<uint32_t> readImage() const;
    // saveSnapshotJPG of the view at width x height (the format follows the extension).
    HRESULT saveSnapshot(const std::string& path, int width, int height);

    // More bodies under the scene's row frames (a host made on a scene
    // without bodies gets them later this way).
    HRESULT addBodies(const std::vector<AssemblyBody>& bodies);

    // A body's mesh and its frame's transform, in the scene's order.
    struct BodyMesh {
        int mesh = 0;
        D3DMATRIX world{};
    };
    const std::vector<BodyMesh>& bodyMeshes() const { return bodyMeshes_; }
    IDXContext* context() const { return context_; }
    int viewport() const { return viewport_; }
    int root() const { return root_; }

    IDirect3DDevice9* device() const { return bench_.device(); }
    d3d9gl::GLDevice& glDevice() const { return bench_.glDevice(); }
    std::string adapterDescription() const { return bench_.adapterDescription(); }

private:
    AssemblyHost(const AssemblyScene& scene) : scene_(scene) {}
    HRESULT open(FacetFactory& factory, bool threadSafe, UINT width, UINT height);
    HRESULT buildTree();
    HRESULT addBody(const AssemblyBody& body, const std::vector<int>& rowFrames);

    // Unregistered after the context has gone with the meshes on it.
    struct Factory {
        int handle = 0;
        ~Factory() {
            if (handle) PelmoraUnregisterFacetFactory(handle);
        }
    };

    const AssemblyScene& scene_;
    Factory factory_;
    BenchContext bench_;
    IDXContext* context_ = nullptr;  // the bench context's
    int viewport_ = 0;
    int root_ = 0;
    UINT width_ = 0, height_ = 0;
    std::vector<int> rowFrames_;
    std::vector<BodyMesh> bodyMeshes_;
};

}  // namespace pelmora::bench
