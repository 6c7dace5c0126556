// RenderJob.h — renders frames of the loaded effect as a host does: GPU device set-up once, then per
// frame the smart pre-render (with the input check-outs it asks for) and the GPU render into a device
// world, read back as floats.
#ifndef MORPHALITH_HOST_RENDER_JOB_H
#define MORPHALITH_HOST_RENDER_JOB_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "PF_GPUDevice.h"
#include "host/DeviceWorld.h"
#include "host/GpuDevice.h"
#include "host/Host.h"

namespace host {

// Straight floats, four per pixel in the device's order: blue, green, red, alpha. Rows top to bottom.
struct FloatImage {
    int width = 0, height = 0;
    std::vector<float> bgra;
    const float* at(int x, int y) const { return &bgra[((size_t)y * width + x) * 4]; }
};

class RenderJob {
public:
    // The host must have run global, params and sequence set-up. The job renders through the given
    // framework's device (see frameworkAvailable), with the host's own records.
    explicit RenderJob(Host& host, Framework framework = Framework::OpenCL);
    // A job for one render thread: it renders the given instance of the effect (the host's first
    // one is host.inData().effect_ref; see Host::addInstance) with records of its own, so jobs on
    // several threads may render at once. Its messages are the job's, not the host's.
    RenderJob(Host& host, Framework framework, PF_ProgPtr instance);
    ~RenderJob();
    RenderJob(const RenderJob&) = delete;
    RenderJob& operator=(const RenderJob&) = delete;

    // PF_Cmd_GPU_DEVICE_SETUP for device 0 of the job's framework, or of the one given.
    PF_Err setupDevice();
    PF_Err setupDevice(PF_GPU_Framework framework);
    PF_Err setdownDevice();
    // Renders through the device another job set up, as a host's render threads share one device's
    // GPU data; the other job sets it down.
    void shareDevice(const RenderJob& owner);
    // The return message of the job's last command (a job with records of its own).
    const std::string& returnMessage() const { return returnMessage_; }

    // Whether a frame of width x height can be made on the job's device and in the machine's memory:
    // it needs an input, an output and a read-back image of 16 bytes a pixel, and the environment
    // image twice. When not, why, with the sizes ("a 30000x30000 frame needs ...").
    bool frameFits(int width, int height, std::string* why) const;

    // Renders composition frame `frame` into an output of width x height (0: the composition's size).
    PF_Err renderFrame(A_long frame, FloatImage* out, int width = 0, int height = 0);
    // Only the pre-render; the block stays with the job until the next frame (or preRenderData()).
    PF_Err preRender(A_long frame, int width = 0, int height = 0);
    // The CPU render command (the effect answers it with a message).
    PF_Err renderCPU(A_long frame);

    const void* preRenderData() const { return preOut_.pre_render_data; }
    const PF_PreRenderOutput& preRenderOutput() const { return preOut_; }
    // Disposes the last pre-render's block now, as the host does after the frame's render.
    void disposePreRender() { dropPreRender(); }

    // Wall time of the phases of the last renderFrame, in milliseconds: the pre-render; the render
    // command (worlds, record upload, enqueue: on OpenCL the effect does not wait for its kernel, on
    // Metal it does); the wait for the queue to finish; the read-back of the output world.
    struct FrameTimes {
        double preRender = 0, dispatch = 0, execute = 0, readBack = 0;
        double total() const { return preRender + dispatch + execute + readBack; }
    };
    const FrameTimes& lastFrameTimes() const { return times_; }

    // Bytes mixed into the frame's identity by the last pre-render.
    const std::vector<unsigned char>& guidBytes() const { return guid_; }
    // The environment layer's request as the last pre-render made it.
    const PF_RenderRequest& environmentRequest() const { return envRequest_; }
    const void* gpuData() const { return gpuData_; }
    // The environment world of the last renderFrame (null without an environment layer).
    DeviceWorld* environmentWorld() { return env_.get(); }

    // Test hooks: the input world's pixel format, padding at the end of each output row.
    void setInputPixelFormat(PF_PixelFormat format) { inputFormat_ = format; }
    void setRowPadding(int pixels) { rowPadding_ = pixels; }
    // Layer and pixel check-outs not checked in at the end of the last render.
    int openPixelCheckouts() const { return openPixels_; }

    // ---- callbacks' side (public for the C callbacks) ----
    // The instance the job's commands name.
    PF_ProgPtr effectRef();
    PF_Err checkoutLayer(A_long index, A_long id, const PF_RenderRequest* req, PF_CheckoutResult* result);
    PF_Err mixIn(A_u_long size, const void* bytes);
    PF_Err checkoutPixels(A_long id, PF_EffectWorld** world);
    PF_Err checkinPixels(A_long id);
    PF_Err checkoutOutput(PF_EffectWorld** world);

private:
    // Runs a command with the job's records, the job current on this thread for the callbacks.
    PF_Err run(PF_Cmd cmd, void* extra);
    PF_InData& records() { return ownRecords_ ? in_ : host_.inData(); }
    void setTime(A_long frame);
    void dropPreRender();
    Layer* environmentLayer() const;

    Host& host_;
    Framework chosen_;
    bool ownRecords_ = false;
    PF_ProgPtr instance_ = nullptr;
    PF_InData in_{};
    std::string returnMessage_;
    PF_GPU_Framework framework_ = PF_GPU_Framework_NONE;
    A_u_long deviceIndex_ = 0;
    void* gpuData_ = nullptr;
    bool deviceUp_ = false;
    bool offeredFramework_ = false;  // the job set the framework the host offers
    PF_PreRenderOutput preOut_{};
    std::vector<unsigned char> guid_;
    PF_RenderRequest envRequest_{};
    std::vector<A_long> checkedOut_;
    std::unique_ptr<DeviceWorld> input_, env_, output_;
    PF_PixelFormat inputFormat_ = PF_PixelFormat_GPU_BGRA128;
    int rowPadding_ = 0;
    int openPixels_ = 0;
    int outWidth_ = 0, outHeight_ = 0;
    FrameTimes times_;
};

}  // namespace host

#endif  // MORPHALITH_HOST_RENDER_JOB_H
