// A visual for scene tests: it remembers each time it drew, with what it was
// handed, adds a "Render(name)" line to a recording device, and can be told
// to throw as a broken mesh would.
#pragma once

#include "scene/DXVisual.h"

#include <string>
#include <vector>

namespace pelmora::test {

struct VisualDraw {
    D3DMATRIX world;
    D3DMATERIAL9 material;
    RenderAttributes attributes;
    bool translucentPass;
};

class TestVisual : public DXVisual {
public:
    enum class Fault { None, Structured, Other };

    explicit TestVisual(std::string name = "visual") : name_(std::move(name)) {}

    HRESULT render(IDirect3DDevice9* device, RenderContext* viewport, const D3DMATRIX* world,
                   D3DMATERIAL9* material, RenderAttributes attributes) override;
    // Writes "Visual <name> <depth>\n" so a dump's order can be checked.
    void dump(int depth) override;

    void throwOnRender(Fault fault) { fault_ = fault; }
    const std::vector<VisualDraw>& draws() const { return draws_; }
    const std::string& name() const { return name_; }

    // The code and address a structured fault is thrown with.
    static constexpr uint32_t kFaultCode = 0xC0000005u;
    static constexpr uint32_t kFaultAddress = 0xBAD0;

private:
    std::string name_;
    Fault fault_ = Fault::None;
    std::vector<VisualDraw> draws_;
};

}  // namespace pelmora::test
