// The process-wide catalogue of adapters, device types and the combinations
// of formats each supports, built from a Direct3D object, and the choice of
// the best valid device setting for a request.
#pragma once

#include "device/DXUTAdapterInfo.h"
#include "device/DXUTDeviceSettings.h"
#include "device/DXUTMatchOptions.h"
#include "platform/d3d9/d3d9.h"

#include <functional>
#include <memory>
#include <vector>

namespace pelmora {

class DXUTEnumeration {
public:
    // Lets a caller refuse a combination: (caps, adapter format, back-buffer format, windowed).
    using AcceptanceCallback = std::function<bool(const D3DCAPS9&, D3DFORMAT, D3DFORMAT, bool)>;

    // The enumeration object, made on first use and kept until the process ends.
    static DXUTEnumeration& instance();

    DXUTEnumeration(const DXUTEnumeration&) = delete;
    DXUTEnumeration& operator=(const DXUTEnumeration&) = delete;

    // Discards the previous catalogue and builds a new one. A null d3d gives
    // DXUTERR_NODIRECT3D; exhausted memory gives E_OUTOFMEMORY and an empty catalogue.
    HRESULT enumerate(IDirect3D9* d3d, AcceptanceCallback accept = nullptr);

    // The adapters that have at least one usable device type, in ordinal order.
    const std::vector<std::unique_ptr<DXUTAdapterInfo>>& adapters() const { return adapters_; }

    // Lookups; each answers null when the record is absent.
    const DXUTAdapterInfo* adapterInfo(UINT ordinal) const;
    const DXUTDeviceInfo* deviceInfo(UINT ordinal, D3DDEVTYPE type) const;
    const DXUTDeviceCombo* deviceCombo(UINT ordinal, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                       D3DFORMAT backBufferFormat, BOOL windowed) const;

    // The best valid setting of the catalogue for the request; reads the
    // adapters' current display modes from d3d. DXUTERR_NOCOMPATIBLEDEVICES
    // when no combination qualifies, DXUTERR_NODIRECT3D without d3d.
    HRESULT findValidDeviceSettings(IDirect3D9* d3d, const DXUTDeviceSettings& request,
                                    const DXUTMatchOptions& options,
                                    DXUTDeviceSettings* valid) const;

private:
    DXUTEnumeration() = default;

    std::unique_ptr<DXUTAdapterInfo> enumerateAdapter(IDirect3D9* d3d, UINT ordinal) const;
    void enumerateDisplayModes(IDirect3D9* d3d, DXUTAdapterInfo& adapter) const;
    void enumerateDevices(IDirect3D9* d3d, DXUTAdapterInfo& adapter) const;
    void enumerateCombos(IDirect3D9* d3d, const DXUTAdapterInfo& adapter,
                         DXUTDeviceInfo& device) const;
    std::unique_ptr<DXUTDeviceCombo> makeCombo(IDirect3D9* d3d, const DXUTAdapterInfo& adapter,
                                               const DXUTDeviceInfo& device,
                                               D3DFORMAT adapterFormat,
                                               D3DFORMAT backBufferFormat, BOOL windowed) const;
    bool comboIsAccepted(IDirect3D9* d3d, const DXUTDeviceInfo& device,
                         const DXUTDeviceCombo& combo) const;
    void addDepthStencilFormats(IDirect3D9* d3d, DXUTDeviceCombo& combo) const;
    void addMultiSampleTypes(IDirect3D9* d3d, DXUTDeviceCombo& combo) const;
    void addConflicts(IDirect3D9* d3d, DXUTDeviceCombo& combo) const;
    void addPresentIntervals(const DXUTDeviceInfo& device, DXUTDeviceCombo& combo) const;
    void assignUniqueDescriptions();

    AcceptanceCallback accept_;
    std::vector<std::unique_ptr<DXUTAdapterInfo>> adapters_;
};

}  // namespace pelmora
