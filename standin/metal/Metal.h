// Metal.h — the Metal stand-in: the part of Metal that the plug-in and its host call, shaped like the
// C++ interface a Mac offers, running on this machine's CPU.
//
// A library made from source is really compiled: the text goes to clang++ against the stand-in's own
// metal_stdlib, the result is loaded, and a dispatch runs the kernel over its threadgroups on CPU
// threads. Buffers are host memory ("shared" storage), so contents() is where the kernel reads and
// writes. Command buffers of one queue run in commit order on the queue's own thread.
//
// What the host side and the tests read (object counts, dispatches, compiler and cache settings) is in
// MetalStandIn.h, not here: the plug-in sees only what it would see on a Mac.
#ifndef MORPHALITH_STANDIN_METAL_METAL_H
#define MORPHALITH_STANDIN_METAL_METAL_H

#include <memory>
#include <string>
#include <vector>

#include "Foundation.h"

namespace MTLStandIn {
struct Dispatch;
}

namespace MTL {

class Buffer;
class CommandBuffer;
class CommandQueue;
class CompileOptions;  // never defined: libraries are compiled with the defaults
class ComputeCommandEncoder;
class ComputePipelineState;
class Device;
class Function;
class Library;
class Texture;
class TextureDescriptor;

enum PixelFormat : NS::UInteger { PixelFormatInvalid = 0, PixelFormatRGBA32Float = 125 };
enum ResourceOptions : NS::UInteger { ResourceStorageModeShared = 0, ResourceCPUCacheModeDefaultCache = 0 };
enum StorageMode : NS::UInteger { StorageModeShared = 0 };
enum TextureUsage : NS::UInteger { TextureUsageShaderRead = 1, TextureUsageShaderWrite = 2 };
enum CommandBufferStatus : NS::UInteger {
    CommandBufferStatusNotEnqueued = 0,
    CommandBufferStatusEnqueued = 1,
    CommandBufferStatusCommitted = 2,
    CommandBufferStatusScheduled = 3,
    CommandBufferStatusCompleted = 4,
    CommandBufferStatusError = 5,
};

struct Size {
    NS::UInteger width = 0, height = 0, depth = 0;
    Size() = default;
    Size(NS::UInteger w, NS::UInteger h, NS::UInteger d) : width(w), height(h), depth(d) {}
    static Size Make(NS::UInteger w, NS::UInteger h, NS::UInteger d) { return Size(w, h, d); }
};

// The process's one device: owned by the caller (release it when done).
MTL_STANDIN_API Device* CreateSystemDefaultDevice();

class MTL_STANDIN_API Device : public NS::Referencing<Device> {
public:
    // Belongs to the device.
    NS::String* name() const { return name_; }

    // Owned by the caller.
    CommandQueue* newCommandQueue();
    Buffer* newBuffer(NS::UInteger length, ResourceOptions options);
    Buffer* newBuffer(const void* pointer, NS::UInteger length, ResourceOptions options);
    // Compiles the text. Any diagnostic, a warning too, comes back in *error (autoreleased), its
    // localized description holding the compiler's lines "program_source:line:column: kind: text";
    // the library is null when the text has errors and made when it has warnings only.
    Library* newLibrary(const NS::String* source, const CompileOptions* options, NS::Error** error);
    ComputePipelineState* newComputePipelineState(const Function* function, NS::Error** error);

private:
    friend Device* CreateSystemDefaultDevice();
    Device();
    ~Device() override;
    NS::String* name_;
};

class MTL_STANDIN_API Buffer : public NS::Referencing<Buffer> {
public:
    void* contents() { return bytes_.data(); }
    NS::UInteger length() const { return bytes_.size(); }
    // A texture over this buffer's bytes from offset on, rows bytesPerRow apart (owned by the caller;
    // null when the descriptor's format is not RGBA32Float or the rows do not fit in the buffer).
    Texture* newTexture(const TextureDescriptor* descriptor, NS::UInteger offset, NS::UInteger bytesPerRow);

private:
    friend class Device;
    explicit Buffer(NS::UInteger length);
    std::vector<unsigned char> bytes_;
};

class MTL_STANDIN_API TextureDescriptor : public NS::Referencing<TextureDescriptor> {
public:
    // Autoreleased.
    static TextureDescriptor* texture2DDescriptor(PixelFormat format, NS::UInteger width, NS::UInteger height,
                                                  bool mipmapped);
    PixelFormat pixelFormat() const { return format_; }
    NS::UInteger width() const { return width_; }
    NS::UInteger height() const { return height_; }
    TextureUsage usage() const { return usage_; }
    void setUsage(TextureUsage usage) { usage_ = usage; }
    StorageMode storageMode() const { return storage_; }
    void setStorageMode(StorageMode mode) { storage_ = mode; }

private:
    TextureDescriptor();
    PixelFormat format_ = PixelFormatInvalid;
    NS::UInteger width_ = 0, height_ = 0;
    TextureUsage usage_ = TextureUsageShaderRead;
    StorageMode storage_ = StorageModeShared;
};

class MTL_STANDIN_API Texture : public NS::Referencing<Texture> {
public:
    PixelFormat pixelFormat() const { return format_; }
    NS::UInteger width() const { return width_; }
    NS::UInteger height() const { return height_; }
    NS::UInteger bufferBytesPerRow() const { return bytesPerRow_; }

private:
    friend class Buffer;
    friend class CommandBuffer;
    Texture(Buffer* buffer, const TextureDescriptor* descriptor, NS::UInteger offset,
            NS::UInteger bytesPerRow);
    ~Texture() override;
    Buffer* buffer_;  // retained
    PixelFormat format_;
    NS::UInteger width_, height_, offset_, bytesPerRow_;
};

// The compiled code of one library, shared by its functions (the loaded object stays open while any
// of them lives).
struct CompiledCode;

class MTL_STANDIN_API Library : public NS::Referencing<Library> {
public:
    // Owned by the caller; null when the library has no kernel of that name.
    Function* newFunction(const NS::String* name);

private:
    friend class Device;
    explicit Library(std::shared_ptr<CompiledCode> code);
    std::shared_ptr<CompiledCode> code_;
};

class MTL_STANDIN_API Function : public NS::Referencing<Function> {
public:
    // Belongs to the function.
    NS::String* name() const { return name_; }

private:
    friend class Library;
    friend class Device;
    friend class CommandBuffer;
    Function(std::shared_ptr<CompiledCode> code, int kernel);
    ~Function() override;
    std::shared_ptr<CompiledCode> code_;
    int kernel_;  // index into the code's kernels
    NS::String* name_;
};

class MTL_STANDIN_API ComputePipelineState : public NS::Referencing<ComputePipelineState> {
public:
    // Threads that run in lockstep; the stand-in reports what most GPUs of the platform do.
    NS::UInteger threadExecutionWidth() const { return 32; }
    NS::UInteger maxTotalThreadsPerThreadgroup() const { return 1024; }

private:
    friend class Device;
    friend class CommandBuffer;
    explicit ComputePipelineState(const Function* function);
    ~ComputePipelineState() override;
    Function* function_;  // retained
};

class MTL_STANDIN_API CommandQueue : public NS::Referencing<CommandQueue> {
public:
    // Autoreleased.
    CommandBuffer* commandBuffer();
    Device* device() const { return device_; }

    struct Runner;

private:
    friend class Device;
    friend class CommandBuffer;
    explicit CommandQueue(Device* device);
    ~CommandQueue() override;
    Device* device_;  // retained
    std::unique_ptr<Runner> runner_;
};

// One dispatch as the encoder recorded it: what it binds is retained until the command buffer completes.
struct RecordedDispatch;

class MTL_STANDIN_API CommandBuffer : public NS::Referencing<CommandBuffer> {
public:
    // Autoreleased; null while another encoder of this buffer is open or after commit.
    ComputeCommandEncoder* computeCommandEncoder();
    // Queues the work behind what was committed before on the same queue; does not wait.
    void commit();
    void waitUntilCompleted();
    CommandBufferStatus status() const;
    // Null until the work has completed with an error (belongs to the command buffer).
    NS::Error* error() const;

private:
    friend class CommandQueue;
    friend struct CommandQueue::Runner;
    friend class ComputeCommandEncoder;
    explicit CommandBuffer(CommandQueue* queue);
    ~CommandBuffer() override;
    // On the queue's thread: runs the work, lets go of what it bound, and gives the final status.
    CommandBufferStatus execute();
    static std::string run(const RecordedDispatch& dispatch, MTLStandIn::Dispatch* record);

    // The status and its lock, shared with the queue's thread: the queue lets go of its reference
    // before it publishes the final status, so a waiter that wakes sees the buffer's own count only.
    struct State;
    std::shared_ptr<State> state_;
    CommandQueue* queue_;  // not retained: the queue finishes its work before it goes
    std::vector<std::unique_ptr<RecordedDispatch>> dispatches_;
    bool encoding_ = false;
    std::string encodingFault_;
    NS::Error* error_ = nullptr;
};

class MTL_STANDIN_API ComputeCommandEncoder : public NS::Referencing<ComputeCommandEncoder> {
public:
    void setComputePipelineState(const ComputePipelineState* state);
    void setBuffer(const Buffer* buffer, NS::UInteger offset, NS::UInteger index);
    void setTexture(const Texture* texture, NS::UInteger index);
    void dispatchThreadgroups(Size threadgroupsPerGrid, Size threadsPerThreadgroup);
    void endEncoding();

private:
    friend class CommandBuffer;
    explicit ComputeCommandEncoder(CommandBuffer* commandBuffer);
    ~ComputeCommandEncoder() override;
    CommandBuffer* commandBuffer_;  // retained while encoding
    std::unique_ptr<RecordedDispatch> state_;
};

}  // namespace MTL

#endif  // MORPHALITH_STANDIN_METAL_METAL_H
