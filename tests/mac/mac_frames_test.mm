// Frames of the module built with the macOS bodies, through its OpenCL and its Metal branch: the
// device set-up names the machine from the stand-in's registry and system, the Metal sequence runs
// inside a Cocoa autorelease pool, and the pixels are the ones the scene gives.
#import <Foundation/Foundation.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <thread>

#include "GlobalData.h"
#include "MacStandIn.h"
#include "Metal.h"
#include "MetalStandIn.h"
#include "render/MetalRender.h"
#include "host/RenderJob.h"
#include "host/SceneFile.h"
#include "render/render_support.h"
#include "support/LogLines.h"
#include "support/MacModuleHost.h"

// A Cocoa object that says when it is gone.
@interface MRPHDeallocWitness : NSObject {
@public
    bool* gone;
}
@end

@implementation MRPHDeallocWitness
- (void)dealloc {
    *gone = true;
    [super dealloc];
}
@end

namespace {

constexpr int kRenderMode = 1129;

float Smooth(float x) { return x * x * (3.0f - 2.0f * x); }

GlobalData* Global(host::Host& h) { return static_cast<GlobalData*>(h.handles().block(h.inData().global_data)); }

// The camera stands zoom = 64 * 50 / 36 = 88.89 px in front of the plane and the sphere's near side
// 10 px in front of it: 78.89 px away. Its normal there faces the camera, (0, 0, -1).
TEST(MacFrames, BothBranchesRenderTheSphereOnTheMachineTheRegistryNames) {
    const struct {
        const char* label;
        PF_GPU_Framework framework;
        const char* deviceLine;
    } branches[] = {{"OpenCL", PF_GPU_Framework_OPENCL, "Device type: OpenCL"},
                    {"Metal", PF_GPU_Framework_METAL, "Device type: Metal"}};
    MacStandIn::setRegistry({0, {MacStandIn::Accelerator{std::string("Apple M2 Max"), false, 0}}});
    MacStandIn::setSystemVersion({14, 2, 1});
    for (const auto& b : branches) {
        SCOPED_TRACE(b.label);
        host::Host h(MRPH_TEST_MODULE_PATH);
        ASSERT_TRUE(h.load()) << h.error();
        host::Scene scene;
        std::string error;
        ASSERT_TRUE(host::parseScene(mac_test::SphereScene(), MRPH_TEST_DATA_DIR, &scene, &error)) << error;
        ASSERT_TRUE(host::applyScene(h, scene, &error)) << error;
        {
            host::RenderJob job(h);
            ASSERT_EQ(job.setupDevice(b.framework), PF_Err_NONE) << h.returnMessage();
            const std::vector<std::string> setUp = mac_test::LogLines(h.printed());
            EXPECT_TRUE(mac_test::HasLine(setUp, "Current macOS version: 14.2.1")) << h.printed();
            EXPECT_TRUE(mac_test::HasLine(setUp, "GPU: Apple M2 Max, OS: 14.2.1")) << h.printed();
            EXPECT_TRUE(mac_test::HasLine(setUp, b.deviceLine)) << h.printed();
            EXPECT_EQ(Global(h)->systemInfo->gpuName, "Apple M2 Max");
            EXPECT_EQ(Global(h)->systemInfo->hostVersion, "13.28");

            host::FloatImage depth, normal;
            h.project().streams[kRenderMode].value.one_d.value = 3;  // smoothstep(0, max clip distance, distance)
            EXPECT_EQ(job.renderFrame(0, &depth), PF_Err_NONE) << h.returnMessage();
            h.project().streams[kRenderMode].value.one_d.value = 2;  // normal * 0.5 + 0.5, as blue, green, red
            EXPECT_EQ(job.renderFrame(0, &normal), PF_Err_NONE) << h.returnMessage();
            const float d = Smooth(78.89f / 200);
            mrph_test::ExpectPixel(depth, 32, 18, d, d, d, 1.0f);
            mrph_test::ExpectPixel(depth, 0, 0, 0, 0, 0, 0, 0.0f);  // a miss is transparent black
            mrph_test::ExpectPixel(normal, 32, 18, 0.0f, 0.5f, 0.5f, 1.0f);
        }
        h.command(PF_Cmd_SEQUENCE_SETDOWN);
        h.command(PF_Cmd_GLOBAL_SETDOWN);
    }
    MacStandIn::resetRegistry();
    MacStandIn::setSystemVersion({});
}

// The scope's pool holds the Cocoa objects and the Metal stand-in's objects autoreleased in it, and
// lets go of both at its end.
TEST(ScopedAutoreleasePool, HoldsCocoaAndMetalObjectsForItsScope) {
    bool gone = false;
    const long strings = MTLStandIn::liveObjects("NS::String");
    std::thread bare([&] {  // a thread with no pool of its own
        ScopedAutoreleasePool pool;
        MRPHDeallocWitness* witness = [[MRPHDeallocWitness alloc] init];
        witness->gone = &gone;
        [witness autorelease];
        NS::String::string("held by the pool", NS::UTF8StringEncoding);
        EXPECT_FALSE(gone);
        EXPECT_EQ(MTLStandIn::liveObjects("NS::String"), strings + 1);
    });
    bare.join();
    EXPECT_TRUE(gone);
    EXPECT_EQ(MTLStandIn::liveObjects("NS::String"), strings);
}

}  // namespace
