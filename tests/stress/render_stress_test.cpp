// Render threads at once, as a host that renders frames in parallel drives the effect (it declares
// threaded rendering): 8 threads rendering different frames of one instance, and of two instances,
// through one OpenCL device, and through a CUDA device while the panel changes "Environment Map";
// every frame must equal its single-threaded render. CI runs this under ThreadSanitizer too, where the
// host's and the module's shared state must show no race.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <functional>
#include <thread>
#include <vector>

#include "tests/support/CudaExpected.h"
#include "host/CudaDevice.h"
#include "host/ParamArray.h"
#include "host/RenderJob.h"
#include "host/SceneFile.h"

namespace {

// Every command that runs here is checked: what its thread took from the host it gave back.
const bool kEveryCommandChecked = [] {
    host::Host::setBalanceHandler([](const std::string& fault) { ADD_FAILURE() << "host: " << fault; });
    return true;
}();

constexpr int kThreads = 8;
constexpr int kFramesPerThread = 4;
constexpr int kRenderMode = 1129, kEnvironmentParam = 1097;

// Two primitives on nulls that move over the two seconds, two lights and an environment colour, at
// a small size: every frame differs from the others.
const char* kScene = R"({"composition": {"width": 48, "height": 32, "frameRate": 24, "duration": 2},
  "lights": [{"type": "point", "position": [0, -40, -60], "color": [1, 0.9, 0.8]},
             {"type": "parallel", "position": [60, 10, -30], "intensity": 50}],
  "nulls": [{"id": 2, "position": {"keyframes": [[0, [14, 16, 0]], [2, [34, 12, 10]]]}},
            {"id": 3, "position": [30, 18, 0], "rotation": {"keyframes": [[0, [0, 0, 0]], [2, [40, 90, 0]]]}}],
  "environment": {"color": [0.2, 0.4, 0.9, 1], "width": 8, "height": 4},
  "effect": {"params": {"Show Environment": true, "Steps": 64},
             "slots": [{"type": "Sphere", "layer": 2, "params": {"Diameter": 9, "Diffuse Color": [230, 120, 40]}},
                       {"type": "Box", "layer": 3, "params": {"X Size": 10, "Y Size": 6, "Z Size": 8,
                                                             "Diffuse Color": [40, 90, 220]}}]}})";

struct Frame {
    PF_ProgPtr instance;
    A_long frame;
    host::FloatImage image;
    std::vector<unsigned char> guid;  // what the pre-render mixed into the frame's identity
};

class RenderStress : public ::testing::Test {
protected:
    RenderStress() : host_(MRPH_TEST_MODULE_PATH) {}

    void SetUp() override {
        ASSERT_TRUE(kEveryCommandChecked);
        ASSERT_TRUE(host_.load()) << host_.error();
        // No trace kept: its lock would order the threads' host calls and hide races from
        // ThreadSanitizer.
        host_.trace().setKeep(false);
        host::Scene scene;
        std::string error;
        ASSERT_TRUE(host::parseScene(kScene, ".", &scene, &error)) << error;
        ASSERT_TRUE(host::applyScene(host_, scene, &error)) << error;
        first_ = host_.inData().effect_ref;
        // One device, set up once; every render thread's job shares its GPU data.
        device_ = std::make_unique<host::RenderJob>(host_, host::Framework::OpenCL, first_);
        ASSERT_EQ(device_->setupDevice(), PF_Err_NONE) << device_->returnMessage();
    }

    void TearDown() override {
        cudaDevice_.reset();
        if (second_) {
            EXPECT_EQ(host_.removeInstance(second_), PF_Err_NONE);
        }
        device_.reset();
        host_.command(PF_Cmd_SEQUENCE_SETDOWN);
        host_.command(PF_Cmd_GLOBAL_SETDOWN);
        EXPECT_EQ(host_.handles().openLocks(), 0);
        EXPECT_TRUE(host_.suites().balanced()) << host_.suites().imbalance();
        EXPECT_EQ(host_.project().effects.live(), 0);
        EXPECT_EQ(host_.project().streamRefs.live(), 0);
        EXPECT_EQ(host_.project().values.live(), 0);
    }

    // A second instance of the effect on the same composition: the saved state of the first with
    // only its first slot, in the normal pass, without the environment (or with the environment of
    // `environmentLayer`).
    void AddSecondInstance(A_long environmentLayer = 0) {
        host::SavedProject saved;
        ASSERT_EQ(host_.saveProject(&saved), PF_Err_NONE);
        ASSERT_EQ(saved.sequenceData.size(), 92u);
        const float one = 1.0f;
        std::memcpy(&saved.sequenceData[88], &one, sizeof(one));  // the slot count
        std::memset(&saved.sequenceData[8], 0, 8);                 // slot 1: no type, no layer
        saved.streams[kRenderMode].value.one_d.value = 2;          // "Normal"
        saved.streams[kEnvironmentParam].value.layer_id = environmentLayer;
        PF_Err err = PF_Err_NONE;
        second_ = host_.addInstance(saved, &err);
        ASSERT_NE(second_, nullptr) << "error " << err;
    }

    // Renders (or only pre-renders) one frame on the calling thread with the given job.
    static void Render(host::RenderJob& job, Frame* frame, bool full) {
        PF_Err err = full ? job.renderFrame(frame->frame, &frame->image) : job.preRender(frame->frame);
        EXPECT_EQ(err, PF_Err_NONE) << "frame " << frame->frame << ": " << job.returnMessage();
        frame->guid = job.guidBytes();
        if (!full) job.disposePreRender();
    }

    // The frames, one after another on this thread, then again from kThreads threads at once,
    // each thread its own job (and records) for its instance, while `meanwhile` runs on a thread of its
    // own until they are done; the two must be the same.
    void RenderBothWays(const std::vector<PF_ProgPtr>& instances, bool full,
                        host::Framework framework = host::Framework::OpenCL,
                        const std::function<void(const std::atomic<bool>& done)>& meanwhile = nullptr) {
        const host::RenderJob& device = framework == host::Framework::OpenCL ? *device_ : *cudaDevice_;
        std::vector<Frame> frames;
        for (int t = 0; t < kThreads; ++t)
            for (int k = 0; k < kFramesPerThread; ++k)
                frames.push_back({instances[t % instances.size()], (A_long)(t + k * kThreads), {}, {}});

        std::vector<Frame> alone = frames;
        {
            std::vector<std::unique_ptr<host::RenderJob>> jobs;
            for (PF_ProgPtr instance : instances) {
                jobs.push_back(std::make_unique<host::RenderJob>(host_, framework, instance));
                jobs.back()->shareDevice(device);
            }
            for (Frame& f : alone) {
                const size_t which = std::find(instances.begin(), instances.end(), f.instance) - instances.begin();
                Render(*jobs[which], &f, full);
            }
        }

        std::atomic<bool> done{false};
        std::thread side;
        if (meanwhile) side = std::thread([&] { meanwhile(done); });
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                host::RenderJob job(host_, framework, instances[t % instances.size()]);
                job.shareDevice(device);
                for (int k = 0; k < kFramesPerThread; ++k) Render(job, &frames[t * kFramesPerThread + k], full);
            });
        }
        for (std::thread& thread : threads) thread.join();
        done = true;
        if (side.joinable()) side.join();

        int differing = 0;
        for (size_t i = 0; i < frames.size(); ++i) {
            const Frame &a = alone[i], &b = frames[i];
            const std::string which = "frame " + std::to_string(a.frame) + " of instance " +
                                      (a.instance == first_ ? "one" : "two");
            EXPECT_EQ(b.guid, a.guid) << which;
            EXPECT_FALSE(a.guid.empty()) << which;
            if (!full) continue;
            ASSERT_EQ(b.image.width, 48) << which;
            ASSERT_EQ(b.image.height, 32) << which;
            if (b.image.bgra != a.image.bgra) {
                differing += 1;
                ADD_FAILURE() << which << " differs from its render on one thread";
            }
        }
        // The frames differ from each other (a race that swapped them would show).
        if (full) {
            EXPECT_NE(alone[0].image.bgra, alone[1].image.bgra);
        }
        EXPECT_NE(alone[0].guid, alone[kFramesPerThread].guid);
        std::printf("%d threads x %d frames of %zu instance(s) (%s): %d differing\n", kThreads, kFramesPerThread,
                    instances.size(), full ? "render" : "pre-render", differing);
    }

    // A CUDA device set up once for the render threads' jobs; false where there is no CUDA device.
    bool SetUpCudaDevice() {
        if (!host::CudaDevice::get()) return false;
        cudaDevice_ = std::make_unique<host::RenderJob>(host_, host::Framework::CUDA, first_);
        EXPECT_EQ(cudaDevice_->setupDevice(), PF_Err_NONE) << cudaDevice_->returnMessage();
        return true;
    }

    // The panel's "Environment Map" change as the host reports it to the module, for an instance:
    // PF_Cmd_USER_CHANGED_PARAM on the user-interface thread with the parameter array (the streams are
    // only read: a host renders from what they held when the frame began).
    PF_Err ReportEnvironmentChange(PF_ProgPtr instance) {
        PF_InData in = host_.inDataFor(instance);
        PF_OutData out{};
        host::ParamArray params(host_.panel(), *host_.streamsOf(instance));
        PF_UserChangedParamExtra extra{kEnvironmentParam};
        return host_.commandWith(PF_Cmd_USER_CHANGED_PARAM, &in, &out, &extra, nullptr, params.get());
    }

    host::Host host_;
    PF_ProgPtr first_ = nullptr, second_ = nullptr;
    std::unique_ptr<host::RenderJob> device_, cudaDevice_;
};

TEST_F(RenderStress, EightThreadsRenderOneInstance) {
    RenderBothWays({first_}, true);
}

TEST_F(RenderStress, EightThreadsRenderTwoInstances) {
    AddSecondInstance();
    RenderBothWays({first_, second_}, true);
}

// Two instances whose environment maps are two layers, rendered through CUDA while the panel reports
// "Environment Map" changes of one instance and then the other, again and again: each report moves the
// environment cache's layer and flag while render threads read, clear and rebuild the cache and the
// CUDA array beside it. Every frame must still equal its single-threaded render with its own layer.
TEST_F(RenderStress, EightThreadsRenderWhileThePanelChangesTheEnvironmentMap) {
    if (!SetUpCudaDevice()) MRPH_WITHOUT_CUDA_DRIVER() << "no CUDA device (" << host::CudaDevice::error() << ")";
    // A second environment layer, dusk where the first is sky.
    host::Layer& dusk = host_.project().addLayer(1500, "Dusk", AEGP_ObjectType_AV, AEGP_LayerFlag_VIDEO_ACTIVE);
    dusk.props.imageWidth = 8;
    dusk.props.imageHeight = 4;
    dusk.props.imageRGBA.clear();
    for (int i = 0; i < 8 * 4; ++i) dusk.props.imageRGBA.insert(dusk.props.imageRGBA.end(), {0.9f, 0.4f, 0.1f, 1.0f});
    AddSecondInstance(1500);
    int reports = 0;
    RenderBothWays({first_, second_}, true, host::Framework::CUDA, [&](const std::atomic<bool>& done) {
        while (!done) {
            EXPECT_EQ(ReportEnvironmentChange(reports % 2 ? second_ : first_), PF_Err_NONE);
            ++reports;
        }
    });
    EXPECT_GT(reports, 1);
    cudaDevice_.reset();
}

// The pre-render alone, which reads parameters, sequence data, layers, camera and lights through the
// host and writes the camera matrix into the module's global data.
TEST_F(RenderStress, EightThreadsPreRenderTwoInstances) {
    AddSecondInstance();
    RenderBothWays({first_, second_}, false);
}

}  // namespace
