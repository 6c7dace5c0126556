// MetalRender.cpp — the Metal branch of device set-up, set-down and dispatch.
#if defined(MRPH_HAVE_METAL)

#include "MetalRender.h"

#include <regex>

#include "DebugInfo.h"
#include "Headers/LogsController.h"
#include "Morphalith_Kernel_Strings.h"

namespace {

constexpr NS::UInteger kThreadgroupRows = 12;
constexpr NS::UInteger kEnvironmentTextureUsage = MTL::TextureUsageShaderRead | MTL::TextureUsageShaderWrite;

// Holds one reference of a Metal object made by a new... call, and lets go of it on every way out.
template <class T>
class Owned {
public:
    explicit Owned(T* object = nullptr) : object_(object) {}
    ~Owned() {
        if (object_) object_->release();
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    T* get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // Gives the reference to the caller.
    T* take() {
        T* object = object_;
        object_ = nullptr;
        return object;
    }

private:
    T* object_;
};

// A read-only copy of count records, or one zeroed record when there are none.
template <typename T>
MTL::Buffer* recordBuffer(MTL::Device* device, const T* records, int count) {
    static const T kZero{};
    const bool none = count <= 0 || !records;
    return device->newBuffer(none ? &kZero : records, (none ? 1 : (NS::UInteger)count) * sizeof(T),
                             MTL::ResourceStorageModeShared);
}

// The environment world's pixels seen as a texture of four floats per texel (owned by the caller).
MTL::Texture* environmentTexture(const PF_LayerDef* env, MTL::Buffer* pixels) {
    MTL::TextureDescriptor* descriptor = MTL::TextureDescriptor::texture2DDescriptor(
        MTL::PixelFormatRGBA32Float, (NS::UInteger)env->width, (NS::UInteger)env->height, false);
    descriptor->setUsage(static_cast<MTL::TextureUsage>(kEnvironmentTextureUsage));
    descriptor->setStorageMode(MTL::StorageModeShared);
    return pixels->newTexture(descriptor, 0, (NS::UInteger)env->rowbytes);
}

}  // namespace

PF_Err NSError2PFErr(const NS::Error* error) {
    return error ? PF_Err_INTERNAL_STRUCT_DAMAGED : PF_Err_NONE;
}

std::string ParseMetalErrors(const std::string& description) {
    static const std::regex kErrorPattern("(\\d+:\\d+).*(error): (.*)\\n(?:\\s*)(.*)\\n",
                                          std::regex::ECMAScript);
    std::string details;
    std::smatch match;
    auto from = description.cbegin();
    while (std::regex_search(from, description.cend(), match, kErrorPattern)) {
        details +=
            match[2].str() + " [" + match[1].str() + "] " + match[3].str() + ": " + match[4].str() + "\n";
        from = match[0].second;
    }
    return details;
}

PF_Err CompileMetalPipeline(void* devicePV, const char* text, SceneInfo* sceneInfo,
                            MTL::ComputePipelineState** pipelineOut) {
    *pipelineOut = nullptr;
    auto* device = static_cast<MTL::Device*>(devicePV);
    if (!device) return PF_Err_INTERNAL_STRUCT_DAMAGED;

    NS::Error* error = nullptr;
    // A compile with warnings only still makes a library; it is let go with the error.
    Owned<MTL::Library> library(
        device->newLibrary(NS::String::string(text, NS::UTF8StringEncoding), nullptr, &error));
    if (error) {
        sceneInfo->status = "Compiling Error";
        sceneInfo->details = ParseMetalErrors(error->localizedDescription()->utf8String());
        MRPH_LOG_ERROR_IN("GPUDeviceSetup", "Compiling errors: " + sceneInfo->details);
        showDebugInfo(sceneInfo->details);
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    if (!library) return PF_Err_INTERNAL_STRUCT_DAMAGED;

    Owned<MTL::Function> function(
        library->newFunction(NS::String::string("MainKernel", NS::UTF8StringEncoding)));
    if (!function) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    Owned<MTL::ComputePipelineState> pipeline(device->newComputePipelineState(function.get(), &error));
    const PF_Err err = NSError2PFErr(error);
    if (err || !pipeline) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    *pipelineOut = pipeline.take();
    return PF_Err_NONE;
}

PF_Err SetupMetalDevice(PF_InData*, PF_OutData* out_data, PF_GPUDeviceSetupExtra* extra,
                        const PF_GPUDeviceInfo& device, GlobalData* global,
                        const PF_HandleSuite1* handleSuite) {
    ScopedAutoreleasePool pool;
    spdlog_log("Device type: Metal");
    SceneInfo unshown{};
    SceneInfo* sceneInfo = global && global->sceneInfo ? global->sceneInfo.get() : &unshown;

    MTL::ComputePipelineState* made = nullptr;
    PF_Err err = CompileMetalPipeline(device.devicePV, kMorphalith_Kernel_MetalString, sceneInfo, &made);
    Owned<MTL::ComputePipelineState> pipeline(made);
    if (err) return err;

    // The handle is made only now that there is a pipeline to keep in it.
    PF_Handle handle = handleSuite->host_new_handle(sizeof(void*));
    if (!handle) return PF_Err_OUT_OF_MEMORY;
    *static_cast<void**>(*handle) = pipeline.take();
    extra->output->gpu_data = handle;
    out_data->out_flags2 = PF_OutFlag2_SUPPORTS_GPU_RENDER_F32;
    sceneInfo->status = "Compiled Successfully";
    spdlog_log("SceneStatus: " + sceneInfo->status);
    return PF_Err_NONE;
}

void SetdownMetalDevice(PF_Handle gpuData, const PF_HandleSuite1* handleSuite) {
    if (!gpuData) return;
    auto* pipeline = *static_cast<MTL::ComputePipelineState**>(*gpuData);
    if (pipeline) pipeline->release();
    handleSuite->host_dispose_handle(gpuData);
}

PF_Err RenderMetal(const PF_GPUDeviceInfo& deviceInfo, MTL::ComputePipelineState* pipeline,
                   const PF_LayerDef* env, void* envMem, void* outMem, const MainKernelValues& values,
                   const PluginInputParams* block) {
    ScopedAutoreleasePool pool;
    auto* device = static_cast<MTL::Device*>(deviceInfo.devicePV);
    auto* queue = static_cast<MTL::CommandQueue*>(deviceInfo.command_queuePV);
    auto* output = static_cast<MTL::Buffer*>(outMem);
    if (!device || !queue || !output || !pipeline) return PF_Err_INTERNAL_STRUCT_DAMAGED;

    Owned<MTL::Buffer> primitives(recordBuffer(device, block->primitives, block->numPrimitives));
    Owned<MTL::Buffer> materials(recordBuffer(device, block->materials, block->numPrimitives));
    Owned<MTL::Buffer> modifiers(recordBuffer(device, block->modifiers, block->numPrimitives));
    Owned<MTL::Buffer> lights(recordBuffer(device, block->lights, block->numLights));
    Owned<MTL::Buffer> camera(recordBuffer(device, &block->camera, 1));
    Owned<MTL::Buffer> render(recordBuffer(device, &block->global, 1));
    Owned<MTL::Buffer> scalars(recordBuffer(device, &values, 1));
    if (!primitives || !materials || !modifiers || !lights || !camera || !render || !scalars)
        return PF_Err_OUT_OF_MEMORY;

    MTL::CommandBuffer* commands = queue->commandBuffer();
    MTL::ComputeCommandEncoder* encoder = commands ? commands->computeCommandEncoder() : nullptr;
    if (!encoder) return PF_Err_INTERNAL_STRUCT_DAMAGED;

    // Without an environment no texture is bound; the kernel sees a null texture and samples zero.
    Owned<MTL::Texture> environment(env && envMem ? environmentTexture(env, static_cast<MTL::Buffer*>(envMem))
                                                  : nullptr);

    const NS::UInteger width = pipeline->threadExecutionWidth();
    const MTL::Size threadsPerGroup(width, kThreadgroupRows, 1);
    const MTL::Size threadgroups(DivideRoundUp(values.inWidth, width),
                                 DivideRoundUp(values.inHeight, kThreadgroupRows), 1);

    encoder->setComputePipelineState(pipeline);
    MTL::Buffer* const buffers[8] = {output,       primitives.get(), materials.get(), modifiers.get(),
                                     lights.get(), camera.get(),     render.get(),    scalars.get()};
    for (NS::UInteger i = 0; i < 8; ++i) encoder->setBuffer(buffers[i], 0, i);
    encoder->setTexture(environment.get(), 0);
    encoder->dispatchThreadgroups(threadgroups, threadsPerGroup);
    encoder->endEncoding();

    // The command buffer holds what it binds until its work is done; its error is known only then.
    commands->commit();
    commands->waitUntilCompleted();
    const PF_Err err = NSError2PFErr(commands->error());
    if (err)
        MRPH_LOG_ERROR_IN("SmartRenderGPU", std::string("Metal Error ") +
                                                commands->error()->localizedDescription()->utf8String());
    return err;
}

#endif  // MRPH_HAVE_METAL
