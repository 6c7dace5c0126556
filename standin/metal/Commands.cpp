// Commands.cpp — command queues, command buffers and compute encoders, and the run of a dispatch: the
// threadgroups of the grid shared out among CPU threads, each running its group's threads in order.
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "Metal.h"
#include "StandInInternal.h"

namespace MTL {

// What one dispatch binds, each object retained for as long as the record lives.
struct RecordedDispatch {
    ComputePipelineState* pipeline = nullptr;
    Buffer* buffers[MTLStandIn::detail::kMaxBufferIndex] = {};
    NS::UInteger offsets[MTLStandIn::detail::kMaxBufferIndex] = {};
    Texture* textures[MTLStandIn::detail::kMaxTextureIndex] = {};
    Size threadgroups, threadsPerThreadgroup;

    RecordedDispatch() = default;
    RecordedDispatch(const RecordedDispatch& other)
        : threadgroups(other.threadgroups), threadsPerThreadgroup(other.threadsPerThreadgroup) {
        set(&pipeline, other.pipeline);
        for (int i = 0; i < MTLStandIn::detail::kMaxBufferIndex; ++i) {
            set(&buffers[i], other.buffers[i]);
            offsets[i] = other.offsets[i];
        }
        for (int i = 0; i < MTLStandIn::detail::kMaxTextureIndex; ++i) set(&textures[i], other.textures[i]);
    }
    RecordedDispatch& operator=(const RecordedDispatch&) = delete;
    ~RecordedDispatch() {
        set<ComputePipelineState>(&pipeline, nullptr);
        for (Buffer*& b : buffers) set<Buffer>(&b, nullptr);
        for (Texture*& t : textures) set<Texture>(&t, nullptr);
    }

    template <class T>
    static void set(T** slot, const T* object) {
        if (object) const_cast<T*>(object)->retain();
        if (*slot) (*slot)->release();
        *slot = const_cast<T*>(object);
    }
};

struct CommandBuffer::State {
    std::mutex lock;
    std::condition_variable done;
    CommandBufferStatus status = CommandBufferStatusNotEnqueued;
};

// The queue's own thread: runs committed command buffers one after another, in commit order.
struct CommandQueue::Runner {
    std::mutex lock;
    std::condition_variable wake;
    std::deque<CommandBuffer*> pending;  // each holds a reference for the queue
    bool stopping = false;
    std::thread thread;

    Runner() : thread([this] { loop(); }) {}
    ~Runner() {
        {
            std::lock_guard<std::mutex> guard(lock);
            stopping = true;
        }
        wake.notify_all();
        thread.join();
    }
    void push(CommandBuffer* commandBuffer) {
        {
            std::lock_guard<std::mutex> guard(lock);
            pending.push_back(commandBuffer);
        }
        wake.notify_all();
    }
    void loop() {
        for (;;) {
            CommandBuffer* next = nullptr;
            {
                std::unique_lock<std::mutex> guard(lock);
                wake.wait(guard, [this] { return stopping || !pending.empty(); });
                if (pending.empty()) return;  // stopping, and nothing is left to run
                next = pending.front();
                pending.pop_front();
            }
            const std::shared_ptr<CommandBuffer::State> state = next->state_;
            const CommandBufferStatus status = next->execute();
            next->release();
            {
                std::lock_guard<std::mutex> guard(state->lock);
                state->status = status;
            }
            state->done.notify_all();
        }
    }
};

CommandQueue::CommandQueue(Device* device)
    : Referencing("MTL::CommandQueue"), device_(device->retain()), runner_(std::make_unique<Runner>()) {}

CommandQueue::~CommandQueue() {
    runner_.reset();  // finishes what was committed
    device_->release();
}

CommandBuffer* CommandQueue::commandBuffer() {
    return (new CommandBuffer(this))->autorelease();
}

CommandBuffer::CommandBuffer(CommandQueue* queue)
    : Referencing("MTL::CommandBuffer"), state_(std::make_shared<State>()), queue_(queue) {}

CommandBuffer::~CommandBuffer() {
    if (error_) error_->release();
}

ComputeCommandEncoder* CommandBuffer::computeCommandEncoder() {
    std::lock_guard<std::mutex> guard(state_->lock);
    if (encoding_ || state_->status != CommandBufferStatusNotEnqueued) return nullptr;
    encoding_ = true;
    return (new ComputeCommandEncoder(this))->autorelease();
}

void CommandBuffer::commit() {
    {
        std::lock_guard<std::mutex> guard(state_->lock);
        if (state_->status != CommandBufferStatusNotEnqueued) return;
        if (encoding_ && encodingFault_.empty())
            encodingFault_ = "committed while a compute encoder was still open";
        state_->status = CommandBufferStatusCommitted;
    }
    queue_->runner_->push(retain());
}

void CommandBuffer::waitUntilCompleted() {
    std::unique_lock<std::mutex> guard(state_->lock);
    if (state_->status == CommandBufferStatusNotEnqueued) return;  // nothing will ever complete it
    state_->done.wait(guard, [this] {
        return state_->status == CommandBufferStatusCompleted || state_->status == CommandBufferStatusError;
    });
}

CommandBufferStatus CommandBuffer::status() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->status;
}

NS::Error* CommandBuffer::error() const {
    std::lock_guard<std::mutex> guard(state_->lock);
    return state_->status == CommandBufferStatusError ? error_ : nullptr;
}

using MTLStandIn::detail::ArgKind;
using MTLStandIn::detail::LaunchRecord;
using MTLStandIn::detail::TextureBinding;

// Runs one dispatch; returns what went wrong, or an empty text.
std::string CommandBuffer::run(const RecordedDispatch& d, MTLStandIn::Dispatch* record) {
    if (!d.pipeline) return "a dispatch without a compute pipeline state";
    const Function* function = d.pipeline->function_;
    const CompiledCode& code = *function->code_;
    const MTLStandIn::detail::KernelEntry& kernel = code.kernels[function->kernel_];
    record->function = kernel.name;

    const Size& g = d.threadgroups;
    const Size& t = d.threadsPerThreadgroup;
    if (t.width == 0 || t.height == 0 || t.depth == 0 ||
        t.width * t.height * t.depth > d.pipeline->maxTotalThreadsPerThreadgroup())
        return "threads per threadgroup (" + std::to_string(t.width) + ", " + std::to_string(t.height) +
               ", " + std::to_string(t.depth) + ") is empty or exceeds " +
               std::to_string(d.pipeline->maxTotalThreadsPerThreadgroup());
    if (g.width > UINT32_MAX || g.height > UINT32_MAX || g.depth > UINT32_MAX)
        return "a grid of more threadgroups than the stand-in counts";

    void* buffers[MTLStandIn::detail::kMaxBufferIndex] = {};
    TextureBinding textures[MTLStandIn::detail::kMaxTextureIndex] = {};
    for (const MTLStandIn::detail::KernelArg& arg : kernel.args) {
        if (arg.kind == ArgKind::Buffer) {
            const Buffer* buffer = d.buffers[arg.index];
            if (!buffer) return kernel.name + ": no buffer bound at index " + std::to_string(arg.index);
            if (d.offsets[arg.index] >= buffer->length())
                return kernel.name + ": the offset of buffer " + std::to_string(arg.index) +
                       " is past its end";
            buffers[arg.index] = const_cast<Buffer*>(buffer)->contents();
            buffers[arg.index] = static_cast<unsigned char*>(buffers[arg.index]) + d.offsets[arg.index];
            record->bufferLengths[arg.index] = buffer->length() - d.offsets[arg.index];
        } else if (arg.kind == ArgKind::Texture && d.textures[arg.index]) {
            const Texture* texture = d.textures[arg.index];
            textures[arg.index] =
                TextureBinding{static_cast<unsigned char*>(texture->buffer_->contents()) + texture->offset_,
                               (uint32_t)texture->width_, (uint32_t)texture->height_, texture->bytesPerRow_};
            record->textures[arg.index] = {texture->width_, texture->height_, texture->bytesPerRow_};
        }
    }

    const MTLStandIn::detail::EntryFunction entry = code.entries[function->kernel_];
    const uint64_t groups = (uint64_t)g.width * g.height * g.depth;
    const unsigned workers =
        (unsigned)std::min<uint64_t>(groups, std::max(1u, std::thread::hardware_concurrency()));
    std::atomic<uint64_t> next{0};
    auto work = [&] {
        LaunchRecord launch{
            buffers, textures, {0, 0, 0}, {(uint32_t)t.width, (uint32_t)t.height, (uint32_t)t.depth}};
        for (uint64_t i = next++; i < groups; i = next++) {
            launch.group[0] = (uint32_t)(i % g.width);
            launch.group[1] = (uint32_t)(i / g.width % g.height);
            launch.group[2] = (uint32_t)(i / ((uint64_t)g.width * g.height));
            entry(&launch);
        }
    };
    std::vector<std::thread> threads;
    for (unsigned w = 1; w < workers; ++w) threads.emplace_back(work);
    work();
    for (std::thread& thread : threads) thread.join();
    return "";
}

CommandBufferStatus CommandBuffer::execute() {
    std::string failure = MTLStandIn::detail::takeInjectedFailure();
    if (failure.empty()) failure = encodingFault_;
    for (const std::unique_ptr<RecordedDispatch>& d : dispatches_) {
        MTLStandIn::Dispatch record{};
        record.threadgroups[0] = d->threadgroups.width;
        record.threadgroups[1] = d->threadgroups.height;
        record.threadgroups[2] = d->threadgroups.depth;
        record.threadsPerThreadgroup[0] = d->threadsPerThreadgroup.width;
        record.threadsPerThreadgroup[1] = d->threadsPerThreadgroup.height;
        record.threadsPerThreadgroup[2] = d->threadsPerThreadgroup.depth;
        if (failure.empty()) failure = run(*d, &record);
        record.failed = !failure.empty();
        MTLStandIn::detail::recordDispatch(std::move(record));
    }
    std::vector<std::unique_ptr<RecordedDispatch>> finished;
    {
        std::lock_guard<std::mutex> guard(state_->lock);
        finished.swap(dispatches_);
        if (!failure.empty()) error_ = NS::Error::make(failure);
    }
    finished.clear();  // what the work bound is let go once it is done
    return failure.empty() ? CommandBufferStatusCompleted : CommandBufferStatusError;
}

ComputeCommandEncoder::ComputeCommandEncoder(CommandBuffer* commandBuffer)
    : Referencing("MTL::ComputeCommandEncoder"),
      commandBuffer_(commandBuffer->retain()),
      state_(std::make_unique<RecordedDispatch>()) {}

ComputeCommandEncoder::~ComputeCommandEncoder() {
    state_.reset();
    if (commandBuffer_) commandBuffer_->release();
}

void ComputeCommandEncoder::setComputePipelineState(const ComputePipelineState* state) {
    if (state_) RecordedDispatch::set(&state_->pipeline, state);
}

void ComputeCommandEncoder::setBuffer(const Buffer* buffer, NS::UInteger offset, NS::UInteger index) {
    if (!state_) return;
    if (index >= (NS::UInteger)MTLStandIn::detail::kMaxBufferIndex) {
        std::lock_guard<std::mutex> guard(commandBuffer_->state_->lock);
        if (commandBuffer_->encodingFault_.empty())
            commandBuffer_->encodingFault_ = "buffer index " + std::to_string(index) + " is out of range";
        return;
    }
    RecordedDispatch::set(&state_->buffers[index], buffer);
    state_->offsets[index] = offset;
}

void ComputeCommandEncoder::setTexture(const Texture* texture, NS::UInteger index) {
    if (!state_) return;
    if (index >= (NS::UInteger)MTLStandIn::detail::kMaxTextureIndex) {
        std::lock_guard<std::mutex> guard(commandBuffer_->state_->lock);
        if (commandBuffer_->encodingFault_.empty())
            commandBuffer_->encodingFault_ = "texture index " + std::to_string(index) + " is out of range";
        return;
    }
    RecordedDispatch::set(&state_->textures[index], texture);
}

void ComputeCommandEncoder::dispatchThreadgroups(Size threadgroupsPerGrid, Size threadsPerThreadgroup) {
    if (!state_) return;
    auto d = std::make_unique<RecordedDispatch>(*state_);
    d->threadgroups = threadgroupsPerGrid;
    d->threadsPerThreadgroup = threadsPerThreadgroup;
    std::lock_guard<std::mutex> guard(commandBuffer_->state_->lock);
    commandBuffer_->dispatches_.push_back(std::move(d));
}

void ComputeCommandEncoder::endEncoding() {
    if (!state_) return;
    state_.reset();
    {
        std::lock_guard<std::mutex> guard(commandBuffer_->state_->lock);
        commandBuffer_->encoding_ = false;
    }
    commandBuffer_->release();
    commandBuffer_ = nullptr;
}

}  // namespace MTL

// ---- Dispatch log and injected failures ----------------------------------------------------------------

namespace MTLStandIn {

namespace {

std::mutex g_logLock;
std::deque<Dispatch>& log() {
    static auto* entries = new std::deque<Dispatch>();
    return *entries;
}
int g_failuresLeft = 0;
std::string g_failureReason;

}  // namespace

std::vector<Dispatch> dispatches() {
    std::lock_guard<std::mutex> guard(g_logLock);
    return std::vector<Dispatch>(log().begin(), log().end());
}

void clearDispatches() {
    std::lock_guard<std::mutex> guard(g_logLock);
    log().clear();
}

void failNextCommandBuffers(int count, const std::string& reason) {
    std::lock_guard<std::mutex> guard(g_logLock);
    g_failuresLeft = count;
    g_failureReason = reason;
}

namespace detail {

void recordDispatch(Dispatch dispatch) {
    std::lock_guard<std::mutex> guard(g_logLock);
    log().push_back(std::move(dispatch));
    while (log().size() > 256) log().pop_front();
}

std::string takeInjectedFailure() {
    std::lock_guard<std::mutex> guard(g_logLock);
    if (g_failuresLeft <= 0) return "";
    g_failuresLeft -= 1;
    return g_failureReason.empty() ? "injected command buffer failure" : g_failureReason;
}

}  // namespace detail

}  // namespace MTLStandIn
