// Ownership of one reference to a reference-counted platform object: the
// reference is released when the holder goes or is given another object.
#pragma once

#include <utility>

namespace pelmora {

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
        if (object != nullptr) object->AddRef();
        return ComPtr(object);
    }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // Releases the current object and adopts another (or none).
    void reset(T* adopted = nullptr) {
        T* old = std::exchange(object_, adopted);
        if (old != nullptr) old->Release();
    }
    // Hands the reference to the caller, who releases it.
    T* detach() { return std::exchange(object_, nullptr); }
    // For creation calls that write a new reference through T**.
    T** put() {
        reset();
        return &object_;
    }

private:
    T* object_ = nullptr;
};

}  // namespace pelmora
