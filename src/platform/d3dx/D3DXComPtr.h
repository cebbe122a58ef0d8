// One reference to a reference-counted device object, released when the
// holder goes or is given another object.
#pragma once

#include <utility>

namespace pelmora::d3dx {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already holds.
    explicit ComPtr(T* adopted) : object_(adopted) {}
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) reset(std::exchange(other.object_, nullptr));
        return *this;
    }

    // Takes a reference of its own on an object the caller keeps.
    static ComPtr share(T* object) {
        if (object) object->AddRef();
        return ComPtr(object);
    }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    void reset(T* adopted = nullptr) {
        T* old = std::exchange(object_, adopted);
        if (old) old->Release();
    }
    // For creation calls that write a new reference through T**.
    T** put() {
        reset();
        return &object_;
    }
    // Hands the reference to the caller.
    T* detach() { return std::exchange(object_, nullptr); }

private:
    T* object_ = nullptr;
};

}  // namespace pelmora::d3dx
