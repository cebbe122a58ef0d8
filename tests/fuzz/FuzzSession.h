// One fuzz run: decodes an input into a sequence of host actions and carries
// them out. An action is one of the 86 IDXContext operations, called
// directly or through IDispatch::Invoke, or a host action around them
// (windows, bitmaps, contexts, facet factories, device losses, the mesh
// provider's sources, module locks). Everything the run made is released
// when it ends, so runs do not depend on each other.
#pragma once

#include <pelmora/pelmora.h>

#include "HandlePool.h"
#include "SampleKernel.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pelmora::fuzz {

class FuzzInput;
class HostileFacetFactory;

struct FuzzOptions {
    int maxActions = 300;
};

class FuzzSession {
public:
    FuzzSession(FuzzInput& input, const FuzzOptions& options);
    ~FuzzSession();
    FuzzSession(const FuzzSession&) = delete;
    FuzzSession& operator=(const FuzzSession&) = delete;

    // One whole run of an input.
    static void runInput(const uint8_t* data, size_t size, const FuzzOptions& options);
    // True when the leak checker of a sanitizer build finds memory nothing
    // points to any more (it reports it); false without one.
    static bool leaked();

    void run();

    FuzzInput& input() { return input_; }
    const FuzzOptions& options() const { return options_; }
    HandlePool& handles() { return handles_; }
    // The context the next call goes to; one is made when none lives.
    IDXContext* context();
    int currentContextSlot() const { return current_; }
    // The first adapter name the engine enumerated, for initialize.
    const std::u16string& deviceName() const { return deviceName_; }

    // Re-entry from a facet factory: a few actions from inside getFacets.
    // Not while an open defect makes a mesh released from inside its own
    // refinement a use after free.
    bool mayReenter() const { return depth_ == 0; }
    void reenter(int actions);

private:
    struct HeldSource {
        FacetSource* source;
        IMeshProvider* provider;
        int contextSlot;
    };

    void prologue();
    void step();
    void hostAction(int which);
    void callOperation(int slot, bool throughInvoke);

    int addContext(IDXContext* context);
    int liveContextCount() const;
    IDXContext* newContext();
    void releaseContext(int slot);
    int newWindow(int width, int height);
    int newViewport(int window, int width, int height);
    void buildScene();
    void renderCycle();
    void registerHostileFactory();
    void unregisterFactory();
    void forceDeviceLoss();
    void callIUnknownAndTypeInfo();
    void callGetIDsOfNames();
    void takeProviderSource();
    void readProviderSources();
    void releaseProviderSource();
    void drawOnDeviceContext();
    void readWindowImage();
    void churnHandles();
    void checkModuleLocks();
    void buildFrameChain();
    void setKernelFailure();
    void replayFoundFault();
    void releaseEverything();

    FuzzInput& input_;
    FuzzOptions options_;
    HandlePool handles_;
    std::vector<IDXContext*> contexts_;  // by slot; null once released
    int current_ = -1;
    int depth_ = 0;
    int actions_ = 0;
    std::u16string deviceName_;
    samplekernel::SampleKernel kernel_;
    int kernelFactory_ = 0;
    std::vector<std::unique_ptr<HostileFacetFactory>> factories_;
    std::vector<HeldSource> sources_;
};

}  // namespace pelmora::fuzz
