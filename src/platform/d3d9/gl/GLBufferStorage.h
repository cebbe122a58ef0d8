// The storage behind vertex and index buffers. DEFAULT and MANAGED buffers
// live in a GL buffer (MANAGED also keeps a CPU copy, as it would survive a
// lost device); SYSTEMMEM buffers live in CPU memory and are streamed into a
// GL buffer of their own when drawn after a change.
#pragma once

#include "platform/d3d9/d3d9types.h"
#include "platform/d3d9/gl/GLApi.h"

#include <cstdint>
#include <vector>

namespace pelmora::d3d9gl {

class GLDevice;

class GLBufferStorage {
public:
    GLBufferStorage(GLDevice* device, UINT length, DWORD usage, D3DPOOL pool);
    ~GLBufferStorage();

    GLBufferStorage(const GLBufferStorage&) = delete;
    GLBufferStorage& operator=(const GLBufferStorage&) = delete;

    HRESULT lock(UINT offset, UINT size, void** data, DWORD flags);
    HRESULT unlock();
    // The GL buffer holding the current contents, uploading a CPU copy first if needed.
    GLuint bufferForDraw();

    UINT length() const { return length_; }
    DWORD usage() const { return usage_; }
    D3DPOOL pool() const { return pool_; }
    bool locked() const { return locked_; }

private:
    bool keepsCpuCopy() const { return pool_ != D3DPOOL_DEFAULT; }
    // Frees the staging area of a DEFAULT lock once its contents are in GL.
    void releaseStaging();

    GLDevice* device_;
    UINT length_;
    DWORD usage_;
    D3DPOOL pool_;
    GLuint buffer_ = 0;
    std::vector<uint8_t> memory_;  // the contents, or the staging area of a DEFAULT lock (static: while locked)
    bool locked_ = false;
    UINT lockOffset_ = 0;
    UINT lockSize_ = 0;
    DWORD lockFlags_ = 0;
    bool bufferStale_ = false;
};

}  // namespace pelmora::d3d9gl
