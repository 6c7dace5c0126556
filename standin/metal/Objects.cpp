// Objects.cpp — reference counting, autorelease pools, strings and errors; the device and the objects
// it makes (buffers, textures, libraries, functions, pipeline states); the live-object counts.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>

#include "Metal.h"
#include "StandInInternal.h"

// ---- Bookkeeping --------------------------------------------------------------------------------------

namespace MTLStandIn {

namespace {

std::mutex g_countsLock;
std::map<std::string, long>& counts() {
    static auto* table = new std::map<std::string, long>();  // outlives every object, even at exit
    return *table;
}
std::atomic<long> g_withoutPool{0};

}  // namespace

std::map<std::string, long> liveObjects() {
    std::lock_guard<std::mutex> guard(g_countsLock);
    std::map<std::string, long> live;
    for (const auto& [kind, count] : counts())
        if (count != 0) live[kind] = count;
    return live;
}

long liveObjects(const std::string& kind) {
    std::lock_guard<std::mutex> guard(g_countsLock);
    auto it = counts().find(kind);
    return it == counts().end() ? 0 : it->second;
}

long autoreleasedWithoutPool() {
    return g_withoutPool.load();
}

namespace detail {

void countObject(const char* kind, int delta) {
    std::lock_guard<std::mutex> guard(g_countsLock);
    counts()[kind] += delta;
}

void noteAutoreleaseWithoutPool() {
    g_withoutPool += 1;
}

}  // namespace detail

}  // namespace MTLStandIn

// ---- Foundation ----------------------------------------------------------------------------------------

namespace NS {

namespace {

// The open pools of this thread, innermost last.
thread_local std::vector<AutoreleasePool*> t_pools;

}  // namespace

Object::Object(const char* kind) : refs_(1), kind_(kind) {
    MTLStandIn::detail::countObject(kind_, +1);
}

Object::~Object() {
    MTLStandIn::detail::countObject(kind_, -1);
}

Object* Object::retain() {
    refs_.fetch_add(1, std::memory_order_relaxed);
    return this;
}

void Object::release() {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

Object* Object::autorelease() {
    if (t_pools.empty()) {
        MTLStandIn::detail::noteAutoreleaseWithoutPool();
        return this;
    }
    t_pools.back()->add(this);
    return this;
}

String::String(std::string text) : Referencing("NS::String"), text_(std::move(text)) {}

String* String::string(const char* text, StringEncoding) {
    if (!text) return nullptr;
    return (new String(text))->autorelease();
}

String* String::make(std::string text) {
    return new String(std::move(text));
}

Error::Error(const std::string& description)
    : Referencing("NS::Error"), description_(String::make(description)) {}

Error::~Error() {
    description_->release();
}

Error* Error::make(const std::string& description) {
    return new Error(description);
}

AutoreleasePool::AutoreleasePool() : Referencing("NS::AutoreleasePool") {}

AutoreleasePool* AutoreleasePool::alloc() {
    return new AutoreleasePool();
}

AutoreleasePool* AutoreleasePool::init() {
    if (!open_) {
        open_ = true;
        t_pools.push_back(this);
    }
    return this;
}

void AutoreleasePool::empty() {
    // Releasing may autorelease more into this pool (an object letting go of what it holds).
    while (!objects_.empty()) {
        std::vector<Object*> batch;
        batch.swap(objects_);
        for (Object* object : batch) object->release();
    }
}

AutoreleasePool::~AutoreleasePool() {
    if (!open_ || std::find(t_pools.begin(), t_pools.end(), this) == t_pools.end()) {
        empty();  // never opened, or released on another thread than the one that opened it
        return;
    }
    // Pools opened after this one and still open close with it, innermost first.
    while (!t_pools.empty()) {
        AutoreleasePool* top = t_pools.back();
        top->empty();
        t_pools.pop_back();
        if (top == this) break;
        top->open_ = false;
        delete top;
    }
}

}  // namespace NS

// ---- Metal objects -------------------------------------------------------------------------------------

namespace MTL {

namespace {

std::string processorName() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) != 0) continue;
        const size_t colon = line.find(':');
        if (colon != std::string::npos) return line.substr(line.find_first_not_of(" \t", colon + 1));
    }
    return "CPU";
}

}  // namespace

Device* CreateSystemDefaultDevice() {
    // The one device lives for the process; each caller gets a reference of its own.
    static Device* device = new Device();
    return device->retain();
}

Device::Device()
    : Referencing("MTL::Device"), name_(NS::String::make("Metal stand-in on " + processorName())) {}

Device::~Device() {
    name_->release();
}

CommandQueue* Device::newCommandQueue() {
    return new CommandQueue(this);
}

Buffer* Device::newBuffer(NS::UInteger length, ResourceOptions) {
    if (length == 0) return nullptr;
    return new Buffer(length);
}

Buffer* Device::newBuffer(const void* pointer, NS::UInteger length, ResourceOptions options) {
    if (!pointer) return nullptr;
    Buffer* buffer = newBuffer(length, options);
    if (buffer) std::memcpy(buffer->contents(), pointer, length);
    return buffer;
}

Library* Device::newLibrary(const NS::String* source, const CompileOptions*, NS::Error** error) {
    if (error) *error = nullptr;
    MTLStandIn::detail::CompileOutcome outcome;
    if (!source)
        outcome.diagnostics = "no source text";
    else
        outcome = MTLStandIn::detail::compileLibrary(source->utf8String());
    if (error && !outcome.diagnostics.empty()) *error = NS::Error::make(outcome.diagnostics)->autorelease();
    return outcome.code ? new Library(outcome.code) : nullptr;
}

ComputePipelineState* Device::newComputePipelineState(const Function* function, NS::Error** error) {
    if (error) *error = nullptr;
    if (!function) {
        if (error) *error = NS::Error::make("no function for the compute pipeline")->autorelease();
        return nullptr;
    }
    return new ComputePipelineState(function);
}

Buffer::Buffer(NS::UInteger length) : Referencing("MTL::Buffer"), bytes_(length, 0) {}

Texture* Buffer::newTexture(const TextureDescriptor* descriptor, NS::UInteger offset,
                            NS::UInteger bytesPerRow) {
    if (!descriptor || descriptor->pixelFormat() != PixelFormatRGBA32Float || descriptor->width() == 0 ||
        descriptor->height() == 0)
        return nullptr;
    const NS::UInteger rowBytes = descriptor->width() * 16;
    if (bytesPerRow < rowBytes || offset > length() ||
        (descriptor->height() - 1) * bytesPerRow + rowBytes > length() - offset)
        return nullptr;
    return new Texture(this, descriptor, offset, bytesPerRow);
}

TextureDescriptor::TextureDescriptor() : Referencing("MTL::TextureDescriptor") {}

TextureDescriptor* TextureDescriptor::texture2DDescriptor(PixelFormat format, NS::UInteger width,
                                                          NS::UInteger height, bool) {
    auto* descriptor = new TextureDescriptor();
    descriptor->format_ = format;
    descriptor->width_ = width;
    descriptor->height_ = height;
    return descriptor->autorelease();
}

Texture::Texture(Buffer* buffer, const TextureDescriptor* descriptor, NS::UInteger offset,
                 NS::UInteger bytesPerRow)
    : Referencing("MTL::Texture"),
      buffer_(buffer->retain()),
      format_(descriptor->pixelFormat()),
      width_(descriptor->width()),
      height_(descriptor->height()),
      offset_(offset),
      bytesPerRow_(bytesPerRow) {}

Texture::~Texture() {
    buffer_->release();
}

Library::Library(std::shared_ptr<CompiledCode> code) : Referencing("MTL::Library"), code_(std::move(code)) {}

Function* Library::newFunction(const NS::String* name) {
    if (!name) return nullptr;
    for (size_t i = 0; i < code_->kernels.size(); ++i)
        if (code_->kernels[i].name == name->utf8String() && code_->entries[i])
            return new Function(code_, (int)i);
    return nullptr;
}

Function::Function(std::shared_ptr<CompiledCode> code, int kernel)
    : Referencing("MTL::Function"),
      code_(std::move(code)),
      kernel_(kernel),
      name_(NS::String::make(code_->kernels[kernel].name)) {}

Function::~Function() {
    name_->release();
}

ComputePipelineState::ComputePipelineState(const Function* function)
    : Referencing("MTL::ComputePipelineState"), function_(const_cast<Function*>(function)->retain()) {}

ComputePipelineState::~ComputePipelineState() {
    function_->release();
}

}  // namespace MTL
