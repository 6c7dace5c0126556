// Foundation.h — the Foundation part of the Metal stand-in: reference-counted objects, strings, errors
// and autorelease pools, shaped like the C++ interface a Mac offers to the same classes.
//
// Ownership follows the platform's rule: an object that a call named alloc/new.../copy... returns is
// owned by the caller, who releases it; any other object a call returns is autoreleased (owned by the
// innermost pool of the calling thread) or belongs to the object it came from.
#ifndef MORPHALITH_STANDIN_METAL_FOUNDATION_H
#define MORPHALITH_STANDIN_METAL_FOUNDATION_H

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#define MTL_STANDIN_API __attribute__((visibility("default")))

namespace NS {

using UInteger = unsigned long;
using Integer = long;

enum StringEncoding : UInteger { UTF8StringEncoding = 4 };

class MTL_STANDIN_API Object {
public:
    Object* retain();
    // Destroys the object when the last reference goes.
    void release();
    // Hands one reference to the innermost autorelease pool of this thread.
    Object* autorelease();
    UInteger retainCount() const { return refs_.load(); }

    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

protected:
    // kind: the class's name, for the live-object counts ("MTL::Buffer").
    explicit Object(const char* kind);
    virtual ~Object();

private:
    std::atomic<UInteger> refs_;
    const char* kind_;
};

// Gives retain and autorelease the derived class's type.
template <class T>
class Referencing : public Object {
public:
    T* retain() { return static_cast<T*>(Object::retain()); }
    T* autorelease() { return static_cast<T*>(Object::autorelease()); }

protected:
    explicit Referencing(const char* kind) : Object(kind) {}
};

class MTL_STANDIN_API String : public Referencing<String> {
public:
    // Autoreleased; null for a null text.
    static String* string(const char* text, StringEncoding encoding);
    const char* utf8String() const { return text_.c_str(); }
    UInteger length() const { return text_.size(); }

    // Owned by the caller (used inside the stand-in for the strings its objects hold).
    static String* make(std::string text);

private:
    explicit String(std::string text);
    std::string text_;
};

class MTL_STANDIN_API Error : public Referencing<Error> {
public:
    // Belongs to the error.
    String* localizedDescription() const { return description_; }

    // Owned by the caller (the stand-in's calls autorelease what they hand out).
    static Error* make(const std::string& description);

private:
    explicit Error(const std::string& description);
    ~Error() override;
    String* description_;
};

// A pool per scope: alloc()->init() opens it on this thread, release() (or drain()) releases every
// object autoreleased into it since, and any pool opened after it and not yet closed.
class MTL_STANDIN_API AutoreleasePool : public Referencing<AutoreleasePool> {
public:
    static AutoreleasePool* alloc();
    AutoreleasePool* init();
    void drain() { release(); }

    // Used by Object::autorelease.
    void add(Object* object) { objects_.push_back(object); }

private:
    AutoreleasePool();
    ~AutoreleasePool() override;
    void empty();
    std::vector<Object*> objects_;
    bool open_ = false;
};

}  // namespace NS

#endif  // MORPHALITH_STANDIN_METAL_FOUNDATION_H
