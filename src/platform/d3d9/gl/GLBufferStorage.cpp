#include "platform/d3d9/gl/GLBufferStorage.h"

#include "core/Diagnostics.h"
#include "platform/d3d9/gl/GLDevice.h"

namespace pelmora::d3d9gl {

GLBufferStorage::GLBufferStorage(GLDevice* device, UINT length, DWORD usage, D3DPOOL pool)
    : device_(device), length_(length), usage_(usage), pool_(pool) {
    if (keepsCpuCopy()) memory_.assign(length, 0);
    if (pool_ == D3DPOOL_SYSTEMMEM) {
        bufferStale_ = true;
        return;
    }
    const GLApi& gl = device_->gl();
    gl.CreateBuffers(1, &buffer_);
    const GLenum hint = (usage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW;
    gl.NamedBufferData(buffer_, length, nullptr, hint);
}

GLBufferStorage::~GLBufferStorage() {
    if (!buffer_) return;
    device_->makeCurrent();
    device_->cache().forgetBuffer(buffer_);
    device_->gl().DeleteBuffers(1, &buffer_);
}

HRESULT GLBufferStorage::lock(UINT offset, UINT size, void** data, DWORD flags) {
    if (!data) return device_->invalidCall("Lock: no place for the pointer");
    *data = nullptr;
    if (locked_) return device_->invalidCall("Lock: the buffer is already locked");
    if (size == 0) size = length_ > offset ? length_ - offset : 0;
    if (offset > length_ || size > length_ - offset)
        return device_->invalidCall("Lock: range outside the buffer");
    locked_ = true;
    lockOffset_ = offset;
    lockSize_ = size;
    lockFlags_ = flags;
    if (keepsCpuCopy()) {
        *data = memory_.data() + offset;
        return D3D_OK;
    }
    memory_.resize(size);
    if (!(flags & D3DLOCK_DISCARD) && size > 0 && device_->makeCurrent())
        device_->gl().GetNamedBufferSubData(buffer_, offset, size, memory_.data());
    *data = memory_.data();
    return D3D_OK;
}

HRESULT GLBufferStorage::unlock() {
    if (!locked_) return device_->invalidCall("Unlock: the buffer is not locked");
    locked_ = false;
    if (pool_ == D3DPOOL_SYSTEMMEM) {
        if (!(lockFlags_ & D3DLOCK_READONLY)) bufferStale_ = true;
        return D3D_OK;
    }
    if (!(lockFlags_ & D3DLOCK_READONLY) && lockSize_ > 0 && device_->makeCurrent()) {
        const uint8_t* source = keepsCpuCopy() ? memory_.data() + lockOffset_ : memory_.data();
        device_->gl().NamedBufferSubData(buffer_, lockOffset_, lockSize_, source);
    }
    releaseStaging();
    return D3D_OK;
}

void GLBufferStorage::releaseStaging() {
    // A static buffer is filled once and read back rarely: keeping its
    // staging copy would hold every mesh twice in memory. A dynamic one
    // keeps it, so that refilling it every frame allocates nothing.
    if (keepsCpuCopy() || (usage_ & D3DUSAGE_DYNAMIC)) return;
    std::vector<uint8_t>().swap(memory_);
}

GLuint GLBufferStorage::bufferForDraw() {
    if (!bufferStale_) return buffer_;
    const GLApi& gl = device_->gl();
    if (!buffer_) gl.CreateBuffers(1, &buffer_);
    gl.NamedBufferData(buffer_, length_, memory_.data(), GL_STREAM_DRAW);
    bufferStale_ = false;
    return buffer_;
}

}  // namespace pelmora::d3d9gl
