#include "support/RecordingDevice.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <type_traits>

namespace pelmora::test {

namespace {

std::string floatText(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

std::string colorText(const D3DCOLORVALUE& c) {
    return "(" + floatText(c.r) + "," + floatText(c.g) + "," + floatText(c.b) + "," + floatText(c.a) + ")";
}

const std::map<DWORD, const char*> kRenderStateNames = {
    {D3DRS_ZENABLE, "ZENABLE"},   {D3DRS_ZWRITEENABLE, "ZWRITEENABLE"}, {D3DRS_COLORWRITEENABLE, "COLORWRITEENABLE"},
    {D3DRS_LIGHTING, "LIGHTING"}, {D3DRS_ALPHABLENDENABLE, "ALPHABLENDENABLE"}, {D3DRS_AMBIENT, "AMBIENT"},
    {D3DRS_CULLMODE, "CULLMODE"}, {D3DRS_FILLMODE, "FILLMODE"}};
const std::map<DWORD, const char*> kTransformNames = {
    {D3DTS_WORLD, "WORLD"}, {D3DTS_VIEW, "VIEW"}, {D3DTS_PROJECTION, "PROJECTION"}};
// A fresh device's values for the states a frame reads back.
const std::map<DWORD, DWORD> kRenderStateDefaults = {
    {D3DRS_ZENABLE, D3DZB_TRUE}, {D3DRS_ZWRITEENABLE, 1}, {D3DRS_COLORWRITEENABLE, 0xF}, {D3DRS_LIGHTING, 1}};

std::string nameOr(const std::map<DWORD, const char*>& names, DWORD value) {
    const auto found = names.find(value);
    return found != names.end() ? found->second : std::to_string(value);
}

std::string describe(D3DRENDERSTATETYPE state) { return nameOr(kRenderStateNames, state); }
std::string describe(D3DTRANSFORMSTATETYPE type) { return nameOr(kTransformNames, type); }
std::string describe(float value) { return floatText(value); }

std::string describe(const D3DMATERIAL9* material) {
    if (material == nullptr) return "null";
    return "diffuse" + colorText(material->Diffuse) + " specular" + colorText(material->Specular) + " power " +
           floatText(material->Power);
}

std::string describe(const D3DMATRIX* matrix) {
    if (matrix == nullptr) return "null";
    std::string text = "[";
    for (int i = 0; i < 16; ++i) text += (i ? " " : "") + floatText(matrix->m[i / 4][i % 4]);
    return text + "]";
}

template <class T>
requires std::is_integral_v<T> std::string describe(T value) { return std::to_string(value); }

template <class T>
requires std::is_enum_v<T> std::string describe(T value) {
    return std::to_string(static_cast<std::underlying_type_t<T>>(value));
}

// Out parameters print as "out": what they receive is the device's business.
template <class T>
std::string describe(T* pointer) {
    return pointer == nullptr ? "null" : std::is_const_v<T> ? "ptr" : "out";
}

template <class... Args>
std::string describeArguments(Args... args) {
    std::string text;
    bool first = true;
    ((text += (first ? "" : ", ") + describe(args), first = false), ...);
    return text;
}

}  // namespace

RecordingDevice::RecordingDevice(IDirect3DDevice9* inner) : inner_(inner) {
    if (inner_ != nullptr) inner_->AddRef();
}

RecordingDevice::~RecordingDevice() {
    if (inner_ != nullptr) inner_->Release();
}

HRESULT RecordingDevice::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown) return E_NOINTERFACE;
    *object = static_cast<IUnknown*>(this);
    AddRef();
    return S_OK;
}

// The recorder lives on the test's stack; the count is only reported.
ULONG RecordingDevice::AddRef() { return ++references_; }
ULONG RecordingDevice::Release() { return references_ > 0 ? --references_ : 0; }

#define PELMORA_RECORDING_DEVICE_DEFINE(ret, name, params, args)                         \
    ret RecordingDevice::name params {                                                   \
        mark(#name, describeArguments args);                                             \
        [this](auto... a) { observe(&IDirect3DDevice9::name, a...); } args;              \
        if (inner_ != nullptr) return inner_->name args;                                 \
        return [this](auto... a) { return answer(&IDirect3DDevice9::name, a...); } args; \
    }
PELMORA_D3D9_DEVICE_METHODS(PELMORA_RECORDING_DEVICE_DEFINE)
#undef PELMORA_RECORDING_DEVICE_DEFINE

void RecordingDevice::mark(const std::string& name, const std::string& arguments) {
    calls_.push_back(DeviceCall{name, arguments});
}

std::vector<std::string> RecordingDevice::callTexts(const std::vector<std::string>& names) const {
    std::vector<std::string> texts;
    for (const DeviceCall& call : calls_)
        if (names.empty() || std::find(names.begin(), names.end(), call.name) != names.end())
            texts.push_back(call.text());
    return texts;
}

DWORD RecordingDevice::renderState(D3DRENDERSTATETYPE state) const {
    for (const auto* kept : {&renderStates_, &kRenderStateDefaults})
        if (const auto found = kept->find(state); found != kept->end()) return found->second;
    return 0;
}

void RecordingDevice::observe(decltype(&IDirect3DDevice9::SetRenderState), D3DRENDERSTATETYPE state,
                              DWORD value) {
    renderStates_[state] = value;
}

void RecordingDevice::observe(decltype(&IDirect3DDevice9::SetMaterial),
                              const D3DMATERIAL9* material) {
    if (material != nullptr) materialsSet_.push_back(material_ = *material);
}

void RecordingDevice::observe(decltype(&IDirect3DDevice9::SetTransform),
                              D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    if (matrix != nullptr) transforms_[state] = *matrix;
}

HRESULT RecordingDevice::answer(decltype(&IDirect3DDevice9::GetRenderState),
                                D3DRENDERSTATETYPE state, DWORD* value) {
    if (value == nullptr) return D3DERR_INVALIDCALL;
    *value = renderState(state);
    return D3D_OK;
}

HRESULT RecordingDevice::answer(decltype(&IDirect3DDevice9::GetMaterial), D3DMATERIAL9* material) {
    if (material == nullptr) return D3DERR_INVALIDCALL;
    *material = material_;
    return D3D_OK;
}

HRESULT RecordingDevice::answer(decltype(&IDirect3DDevice9::GetTransform),
                                D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    if (matrix == nullptr) return D3DERR_INVALIDCALL;
    const auto kept = transforms_.find(state);
    *matrix = kept != transforms_.end() ? kept->second : D3DMATRIX{};
    if (kept == transforms_.end())
        for (int i = 0; i < 4; ++i) matrix->m[i][i] = 1.0f;
    return D3D_OK;
}

}  // namespace pelmora::test
