#include "host/RenderJob.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>

#include "PF_Param.h"
#include "host/CudaDevice.h"
#include "host/Holdings.h"
#include "host/MemoryLimits.h"

namespace host {

namespace {

// The job whose command runs on this thread, for the callbacks (which carry no job); else the job
// made last.
thread_local RenderJob* t_job = nullptr;
std::atomic<RenderJob*> g_job{nullptr};

RenderJob* currentJob() { return t_job ? t_job : g_job.load(); }

// The layer parameter the effect reads its environment map from.
constexpr A_long kEnvironmentParam = 1097;

// The job of the calling thread's command, when the effect names that job's instance.
RenderJob* jobFor(PF_ProgPtr effect_ref) {
    RenderJob* job = currentJob();
    return job && job->effectRef() == effect_ref ? job : nullptr;
}

PF_Err CheckoutLayer(PF_ProgPtr ref, A_long index, A_long id, const PF_RenderRequest* req, A_long, A_long, A_u_long,
                     PF_CheckoutResult* result) {
    RenderJob* job = jobFor(ref);
    return job ? job->checkoutLayer(index, id, req, result) : PF_Err_BAD_CALLBACK_PARAM;
}
PF_Err GuidMixIn(PF_ProgPtr ref, A_u_long size, const void* bytes) {
    RenderJob* job = jobFor(ref);
    return job ? job->mixIn(size, bytes) : PF_Err_BAD_CALLBACK_PARAM;
}
PF_Err CheckoutPixels(PF_ProgPtr ref, A_long id, PF_EffectWorld** world) {
    RenderJob* job = jobFor(ref);
    return job ? job->checkoutPixels(id, world) : PF_Err_BAD_CALLBACK_PARAM;
}
PF_Err CheckinPixels(PF_ProgPtr ref, A_long id) {
    RenderJob* job = jobFor(ref);
    return job ? job->checkinPixels(id) : PF_Err_BAD_CALLBACK_PARAM;
}
PF_Err CheckoutOutput(PF_ProgPtr ref, PF_EffectWorld** world) {
    RenderJob* job = jobFor(ref);
    return job ? job->checkoutOutput(world) : PF_Err_BAD_CALLBACK_PARAM;
}

PF_PreRenderCallbacks g_preCallbacks = {CheckoutLayer, GuidMixIn};
PF_SmartRenderCallbacks g_renderCallbacks = {CheckoutPixels, CheckinPixels, CheckoutOutput};

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

PF_LRect intersect(const PF_LRect& a, const PF_LRect& b) {
    PF_LRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
    if (r.left >= r.right || r.top >= r.bottom) r = PF_LRect{0, 0, 0, 0};
    return r;
}

}  // namespace

RenderJob::RenderJob(Host& host, Framework framework) : host_(host), chosen_(framework) { g_job = this; }

RenderJob::RenderJob(Host& host, Framework framework, PF_ProgPtr instance)
    : host_(host), chosen_(framework), ownRecords_(true), instance_(instance) {
    in_ = host_.inDataFor(instance_);
}

RenderJob::~RenderJob() {
    dropPreRender();
    if (deviceUp_) setdownDevice();
    // The host offers OpenCL again once the job that offered another framework is gone.
    if (offeredFramework_) setGpuFramework(PF_GPU_Framework_OPENCL);
    RenderJob* self = this;
    g_job.compare_exchange_strong(self, nullptr);
}

PF_ProgPtr RenderJob::effectRef() { return records().effect_ref; }

namespace {

// Makes a job the current one of this thread for one command.
class CurrentJob {
public:
    explicit CurrentJob(RenderJob* job) : previous_(t_job) { t_job = job; }
    ~CurrentJob() { t_job = previous_; }
    CurrentJob(const CurrentJob&) = delete;
    CurrentJob& operator=(const CurrentJob&) = delete;

private:
    RenderJob* previous_;
};

}  // namespace

PF_Err RenderJob::run(PF_Cmd cmd, void* extra) {
    CurrentJob current(this);
    if (!ownRecords_) return host_.command(cmd, extra);
    PF_OutData out{};
    out.my_version = host_.outData().my_version;
    out.global_data = in_.global_data;
    out.sequence_data = in_.sequence_data;
    const PF_Err err = host_.commandWith(cmd, &in_, &out, extra);
    returnMessage_ = out.return_msg;
    return err;
}

void RenderJob::shareDevice(const RenderJob& owner) {
    framework_ = owner.framework_;
    deviceIndex_ = owner.deviceIndex_;
    gpuData_ = owner.gpuData_;
    deviceUp_ = false;
}

PF_Err RenderJob::setupDevice() { return setupDevice(toGpuFramework(chosen_)); }

PF_Err RenderJob::setupDevice(PF_GPU_Framework framework) {
    const long index = deviceIndexOf(framework);
    deviceIndex_ = (A_u_long)(index < 0 ? 0 : index);
    PF_GPUDeviceSetupInput input{framework, deviceIndex_};
    PF_GPUDeviceSetupOutput output{};
    PF_GPUDeviceSetupExtra extra{&input, &output};
    setGpuFramework(framework);  // the device suite offers, and worlds are made on, this framework
    offeredFramework_ = true;
    if (ownRecords_) in_ = host_.inDataFor(instance_);
    PF_Err err = run(PF_Cmd_GPU_DEVICE_SETUP, &extra);
    framework_ = framework;
    gpuData_ = output.gpu_data;
    deviceUp_ = true;
    return err;
}

PF_Err RenderJob::setdownDevice() {
    if (!deviceUp_) return PF_Err_NONE;
    PF_GPUDeviceSetdownInput input{gpuData_, framework_, deviceIndex_};
    PF_GPUDeviceSetdownExtra extra{&input};
    PF_Err err = run(PF_Cmd_GPU_DEVICE_SETDOWN, &extra);
    deviceUp_ = false;
    gpuData_ = nullptr;
    return err;
}

void RenderJob::setTime(A_long frame) {
    if (ownRecords_) in_ = host_.inDataFor(instance_);  // the host's records as they are now
    PF_InData& in = records();
    in.current_time = frame * in.time_step;
    in.width = host_.project().comp.width;
    in.height = host_.project().comp.height;
    in.extent_hint = PF_LRect{0, 0, in.width, in.height};
}

void RenderJob::dropPreRender() {
    if (preOut_.pre_render_data && preOut_.delete_pre_render_data_func)
        preOut_.delete_pre_render_data_func(preOut_.pre_render_data);
    preOut_ = PF_PreRenderOutput{};
}

Layer* RenderJob::environmentLayer() const {
    const std::vector<Stream>* streams = host_.streamsOf(instance_);
    if (!streams || (size_t)kEnvironmentParam >= streams->size()) return nullptr;
    A_long id = (*streams)[kEnvironmentParam].value.layer_id;
    if (id == 0) return nullptr;
    Layer* layer = host_.project().findLayer(id);
    return layer && layer->props.imageWidth > 0 ? layer : nullptr;
}

bool RenderJob::frameFits(int width, int height, std::string* why) const {
    const std::string frame = "a " + std::to_string(width) + "x" + std::to_string(height) + " frame";
    const uint64_t image = (uint64_t)(width + rowPadding_) * (uint64_t)height * 16;
    if (chosen_ == Framework::OpenCL) {
        if (OpenCLDevice* device = OpenCLDevice::get()) {
            cl_ulong largest = 0;
            if (clGetDeviceInfo(device->device(), CL_DEVICE_MAX_MEM_ALLOC_SIZE, sizeof(largest), &largest, nullptr) ==
                    CL_SUCCESS &&
                image > largest) {
                *why = frame + " needs an image of " + byteSize(image) + " on the OpenCL device, more than the " +
                       byteSize(largest) + " it can make";
                return false;
            }
        }
    }
    uint64_t env = 0;
    if (Layer* layer = environmentLayer())
        env = (uint64_t)layer->props.imageWidth * (uint64_t)layer->props.imageHeight * 16 * 2;
    return fitsInMemory(3 * image + env, frame, why);
}

PF_Err RenderJob::preRender(A_long frame, int width, int height) {
    dropPreRender();
    guid_.clear();
    checkedOut_.clear();
    setTime(frame);
    outWidth_ = width > 0 ? width : host_.project().comp.width;
    outHeight_ = height > 0 ? height : host_.project().comp.height;

    PF_PreRenderInput input{};
    input.output_request.rect = PF_LRect{0, 0, outWidth_, outHeight_};
    input.output_request.channel_mask = PF_ChannelMask_ARGB;
    input.bitdepth = 32;
    input.gpu_data = gpuData_;
    input.what_gpu = framework_;
    input.device_index = deviceIndex_;
    PF_PreRenderExtra extra{&input, &preOut_, &g_preCallbacks};
    return run(PF_Cmd_SMART_PRE_RENDER, &extra);
}

PF_Err RenderJob::renderFrame(A_long frame, FloatImage* out, int width, int height) {
    times_ = FrameTimes{};
    auto phase = std::chrono::steady_clock::now();
    PF_Err err = preRender(frame, width, height);
    times_.preRender = msSince(phase);
    if (err) return err;

    phase = std::chrono::steady_clock::now();
    input_ = makeDeviceWorld(framework_, outWidth_, outHeight_, 0, inputFormat_);
    output_ = makeDeviceWorld(framework_, outWidth_, outHeight_, rowPadding_);
    env_.reset();
    if (Layer* envLayer = environmentLayer()) {
        const LayerProperties& p = envLayer->props;
        env_ = makeDeviceWorld(framework_, p.imageWidth, p.imageHeight, rowPadding_);
        std::vector<float> bgra(p.imageRGBA.size());
        for (size_t i = 0; i + 3 < bgra.size(); i += 4) {
            bgra[i] = p.imageRGBA[i + 2];
            bgra[i + 1] = p.imageRGBA[i + 1];
            bgra[i + 2] = p.imageRGBA[i];
            bgra[i + 3] = p.imageRGBA[i + 3];
        }
        env_->upload(bgra);
    }
    if (!input_->ok() || !output_->ok() || (env_ && !env_->ok())) return PF_Err_OUT_OF_MEMORY;

    PF_SmartRenderInput input{};
    input.output_request.rect = PF_LRect{0, 0, outWidth_, outHeight_};
    input.output_request.channel_mask = PF_ChannelMask_ARGB;
    input.bitdepth = 32;
    input.pre_render_data = preOut_.pre_render_data;
    input.gpu_data = gpuData_;
    input.what_gpu = framework_;
    input.device_index = deviceIndex_;
    PF_SmartRenderExtra extra{&input, &g_renderCallbacks};
    openPixels_ = 0;
    err = run(PF_Cmd_SMART_RENDER_GPU, &extra);
    dropPreRender();
    times_.dispatch = msSince(phase);
    if (err) return err;

    // The read-back would wait for the kernel anyway; waiting first keeps the two apart in the times.
    phase = std::chrono::steady_clock::now();
    finishDeviceWork(framework_);
    times_.execute = msSince(phase);

    phase = std::chrono::steady_clock::now();
    out->width = outWidth_;
    out->height = outHeight_;
    const bool downloaded = output_->download(&out->bgra);
    times_.readBack = msSince(phase);
    return downloaded ? PF_Err_NONE : PF_Err_INTERNAL_STRUCT_DAMAGED;
}

PF_Err RenderJob::renderCPU(A_long frame) {
    PF_Err err = preRender(frame);
    if (err) return err;
    PF_SmartRenderInput input{};
    input.output_request.rect = PF_LRect{0, 0, outWidth_, outHeight_};
    input.pre_render_data = preOut_.pre_render_data;
    PF_SmartRenderExtra extra{&input, &g_renderCallbacks};
    err = run(PF_Cmd_SMART_RENDER, &extra);
    dropPreRender();
    return err;
}

PF_Err RenderJob::checkoutLayer(A_long index, A_long id, const PF_RenderRequest* req, PF_CheckoutResult* result) {
    if (A_Err err = host_.hostCall("checkout_layer")) return err;
    std::memset(result, 0, sizeof(*result));
    result->par = {1, 1};
    if (index == 0) {
        const PF_LRect layer{0, 0, outWidth_, outHeight_};
        result->result_rect = intersect(layer, req->rect);
        result->max_result_rect = layer;
    } else if (index == kEnvironmentParam) {
        envRequest_ = *req;
        if (Layer* env = environmentLayer()) {
            const PF_LRect layer{0, 0, env->props.imageWidth, env->props.imageHeight};
            result->result_rect = intersect(layer, req->rect);
            result->max_result_rect = layer;
        }
    } else {
        return PF_Err_INVALID_INDEX;
    }
    checkedOut_.push_back(id);
    return PF_Err_NONE;
}

PF_Err RenderJob::mixIn(A_u_long size, const void* bytes) {
    const auto* b = static_cast<const unsigned char*>(bytes);
    guid_.insert(guid_.end(), b, b + size);
    return PF_Err_NONE;
}

PF_Err RenderJob::checkoutPixels(A_long id, PF_EffectWorld** world) {
    *world = nullptr;
    if (A_Err err = host_.hostCall("checkout_layer_pixels")) return err;
    if (std::find(checkedOut_.begin(), checkedOut_.end(), id) == checkedOut_.end()) return PF_Err_BAD_CALLBACK_PARAM;
    if (id == 0) *world = input_->def();
    else if (id == kEnvironmentParam && env_) *world = env_->def();
    openPixels_ += 1;
    threadHoldings().pixelCheckouts += 1;
    return PF_Err_NONE;
}

PF_Err RenderJob::checkinPixels(A_long) {
    if (A_Err err = host_.hostCall("checkin_layer_pixels")) return err;
    openPixels_ -= 1;
    threadHoldings().pixelCheckouts -= 1;
    return PF_Err_NONE;
}

PF_Err RenderJob::checkoutOutput(PF_EffectWorld** world) {
    *world = nullptr;
    if (A_Err err = host_.hostCall("checkout_output")) return err;
    *world = output_->def();
    return PF_Err_NONE;
}

}  // namespace host
