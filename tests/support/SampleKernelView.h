// A context with one viewport on an offscreen window, in perspective when
// the test's parameter says so, and a sample kernel registered as its facet
// factory: the fixture of the pick and fit tests over the sample kernel.
#pragma once

#include <pelmora/helpers.h>
#include <pelmora/pelmora.h>

#include <SampleKernel.h>

#include <gtest/gtest.h>

namespace pelmora::test {

class SampleKernelView : public testing::TestWithParam<bool> {
protected:
    void openView(int width, int height) {
        ASSERT_EQ(PelmoraCreateContext(&context), S_OK);
        ASSERT_EQ(pelmora::initialize(context, false, ""), S_OK);
        window = PelmoraCreateOffscreenWindow(width, height);
        ASSERT_EQ(context->newViewport(window, 0, VARIANT_TRUE, width, height, &viewport), S_OK);
        ASSERT_EQ(context->setViewportPerspective(viewport, GetParam() ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
        factory = PelmoraRegisterFacetFactory(&kernel);
    }
    void TearDown() override {
        if (context) {
            if (viewport) context->releaseHandle(viewport);
            context->Release();
        }
        PelmoraUnregisterFacetFactory(factory);
        PelmoraDestroyWindow(window);
    }

    IDXContext* context = nullptr;
    samplekernel::SampleKernel kernel;
    int window = 0, viewport = 0, factory = 0;
};

}  // namespace pelmora::test
