// A device for tests that writes down every call in order. On its own it
// answers D3D_OK to everything and keeps the render states, transforms and
// material it was given, so Get* calls see what Set* calls left; wrapped
// around a real device it forwards every call and the real device answers.
#pragma once

#include "platform/d3d9/d3d9.h"

#include <map>
#include <string>
#include <vector>

namespace pelmora::test {

// One recorded call: the method name and its arguments in printable form.
// Render states and transform types print by name, materials as their
// diffuse/specular/power, matrices as their 16 elements, other pointers as
// "ptr", "out" (non-const) or "null".
struct DeviceCall {
    std::string name;
    std::string arguments;
    std::string text() const { return name + "(" + arguments + ")"; }
};

class RecordingDevice : public IDirect3DDevice9 {
public:
    // Without an inner device the recorder answers on its own.
    explicit RecordingDevice(IDirect3DDevice9* inner = nullptr);
    ~RecordingDevice();
    RecordingDevice(const RecordingDevice&) = delete;
    RecordingDevice& operator=(const RecordingDevice&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

#define PELMORA_RECORDING_DEVICE_DECLARE(ret, name, params, args) ret name params override;
    PELMORA_D3D9_DEVICE_METHODS(PELMORA_RECORDING_DEVICE_DECLARE)
#undef PELMORA_RECORDING_DEVICE_DECLARE

    // Adds a line to the record: each call, or a test's own (a visual saying it drew).
    void mark(const std::string& name, const std::string& arguments = std::string());
    const std::vector<DeviceCall>& calls() const { return calls_; }
    // The calls as "Name(arguments)" lines, only those named unless no names are given.
    std::vector<std::string> callTexts(const std::vector<std::string>& names = {}) const;
    void clearCalls() { calls_.clear(); }

    // Sets a render state without recording, as a test's starting condition.
    void presetRenderState(D3DRENDERSTATETYPE state, DWORD value) { renderStates_[state] = value; }
    DWORD renderState(D3DRENDERSTATETYPE state) const;
    // Every material handed to SetMaterial, in order.
    const std::vector<D3DMATERIAL9>& materialsSet() const { return materialsSet_; }

private:
    // Keeps what a Set* call leaves behind, whoever answers it.
    template <class Method, class... Args>
    void observe(Method, Args...) {}
    void observe(decltype(&IDirect3DDevice9::SetRenderState), D3DRENDERSTATETYPE state,
                 DWORD value);
    void observe(decltype(&IDirect3DDevice9::SetMaterial), const D3DMATERIAL9* material);
    void observe(decltype(&IDirect3DDevice9::SetTransform), D3DTRANSFORMSTATETYPE state,
                 const D3DMATRIX* matrix);

    // The answers given when there is no inner device.
    template <class Method, class... Args>
    HRESULT answer(Method, Args...) {
        return D3D_OK;
    }
    HRESULT answer(decltype(&IDirect3DDevice9::GetRenderState), D3DRENDERSTATETYPE state,
                   DWORD* value);
    HRESULT answer(decltype(&IDirect3DDevice9::GetMaterial), D3DMATERIAL9* material);
    HRESULT answer(decltype(&IDirect3DDevice9::GetTransform), D3DTRANSFORMSTATETYPE state,
                   D3DMATRIX* matrix);

    IDirect3DDevice9* inner_;
    ULONG references_ = 1;
    std::vector<DeviceCall> calls_;
    std::map<DWORD, DWORD> renderStates_;
    std::map<DWORD, D3DMATRIX> transforms_;
    D3DMATERIAL9 material_{};
    std::vector<D3DMATERIAL9> materialsSet_;
};

}  // namespace pelmora::test
