// The OpenGL entry points the raw baseline calls, loaded through
// eglGetProcAddress on the device's context. Only the benchmark uses this:
// the engine reaches GL through its backend alone.
#pragma once

#include <GL/glcorearb.h>

#include <string>

namespace pelmora::bench {

#define PELMORA_BENCH_GL_FUNCTIONS(X)                              \
    X(PFNGLGETINTEGERVPROC, GetIntegerv)                           \
    X(PFNGLGETFLOATVPROC, GetFloatv)                               \
    X(PFNGLGETBOOLEANVPROC, GetBooleanv)                           \
    X(PFNGLISENABLEDPROC, IsEnabled)                               \
    X(PFNGLENABLEPROC, Enable)                                     \
    X(PFNGLDISABLEPROC, Disable)                                   \
    X(PFNGLCULLFACEPROC, CullFace)                                 \
    X(PFNGLDEPTHFUNCPROC, DepthFunc)                               \
    X(PFNGLDEPTHMASKPROC, DepthMask)                               \
    X(PFNGLCOLORMASKPROC, ColorMask)                               \
    X(PFNGLVIEWPORTPROC, Viewport)                                 \
    X(PFNGLCLEARCOLORPROC, ClearColor)                             \
    X(PFNGLCLEARDEPTHFPROC, ClearDepthf)                           \
    X(PFNGLCLEARPROC, Clear)                                       \
    X(PFNGLCREATESHADERPROC, CreateShader)                         \
    X(PFNGLSHADERSOURCEPROC, ShaderSource)                         \
    X(PFNGLCOMPILESHADERPROC, CompileShader)                       \
    X(PFNGLGETSHADERIVPROC, GetShaderiv)                           \
    X(PFNGLGETSHADERINFOLOGPROC, GetShaderInfoLog)                 \
    X(PFNGLDELETESHADERPROC, DeleteShader)                         \
    X(PFNGLCREATEPROGRAMPROC, CreateProgram)                       \
    X(PFNGLATTACHSHADERPROC, AttachShader)                         \
    X(PFNGLLINKPROGRAMPROC, LinkProgram)                           \
    X(PFNGLGETPROGRAMIVPROC, GetProgramiv)                         \
    X(PFNGLGETPROGRAMINFOLOGPROC, GetProgramInfoLog)               \
    X(PFNGLDELETEPROGRAMPROC, DeleteProgram)                       \
    X(PFNGLUSEPROGRAMPROC, UseProgram)                             \
    X(PFNGLGETUNIFORMLOCATIONPROC, GetUniformLocation)             \
    X(PFNGLUNIFORMMATRIX4FVPROC, UniformMatrix4fv)                 \
    X(PFNGLPROGRAMUNIFORMMATRIX4FVPROC, ProgramUniformMatrix4fv)   \
    X(PFNGLPROGRAMUNIFORM4FVPROC, ProgramUniform4fv)               \
    X(PFNGLPROGRAMUNIFORM2FVPROC, ProgramUniform2fv)               \
    X(PFNGLPROGRAMUNIFORM1FPROC, ProgramUniform1f)                 \
    X(PFNGLCREATEVERTEXARRAYSPROC, CreateVertexArrays)             \
    X(PFNGLDELETEVERTEXARRAYSPROC, DeleteVertexArrays)             \
    X(PFNGLBINDVERTEXARRAYPROC, BindVertexArray)                   \
    X(PFNGLENABLEVERTEXARRAYATTRIBPROC, EnableVertexArrayAttrib)   \
    X(PFNGLVERTEXARRAYATTRIBFORMATPROC, VertexArrayAttribFormat)   \
    X(PFNGLVERTEXARRAYATTRIBBINDINGPROC, VertexArrayAttribBinding) \
    X(PFNGLVERTEXARRAYVERTEXBUFFERPROC, VertexArrayVertexBuffer)   \
    X(PFNGLVERTEXARRAYELEMENTBUFFERPROC, VertexArrayElementBuffer) \
    X(PFNGLBINDFRAMEBUFFERPROC, BindFramebuffer)                   \
    X(PFNGLDRAWELEMENTSPROC, DrawElements)                         \
    X(PFNGLREADPIXELSPROC, ReadPixels)                             \
    X(PFNGLFINISHPROC, Finish)                                     \
    X(PFNGLCREATEBUFFERSPROC, CreateBuffers)                       \
    X(PFNGLNAMEDBUFFERSTORAGEPROC, NamedBufferStorage)             \
    X(PFNGLDELETEBUFFERSPROC, DeleteBuffers)                       \
    X(PFNGLCREATEFRAMEBUFFERSPROC, CreateFramebuffers)             \
    X(PFNGLDELETEFRAMEBUFFERSPROC, DeleteFramebuffers)             \
    X(PFNGLCREATERENDERBUFFERSPROC, CreateRenderbuffers)           \
    X(PFNGLDELETERENDERBUFFERSPROC, DeleteRenderbuffers)           \
    X(PFNGLNAMEDRENDERBUFFERSTORAGEPROC, NamedRenderbufferStorage) \
    X(PFNGLNAMEDFRAMEBUFFERRENDERBUFFERPROC, NamedFramebufferRenderbuffer) \
    X(PFNGLCHECKNAMEDFRAMEBUFFERSTATUSPROC, CheckNamedFramebufferStatus)   \
    X(PFNGLBLITNAMEDFRAMEBUFFERPROC, BlitNamedFramebuffer)         \
    X(PFNGLBLENDFUNCPROC, BlendFunc)                               \
    X(PFNGLNAMEDBUFFERSUBDATAPROC, NamedBufferSubData)             \
    X(PFNGLDRAWELEMENTSBASEVERTEXPROC, DrawElementsBaseVertex)     \
    X(PFNGLCREATETEXTURESPROC, CreateTextures)                     \
    X(PFNGLDELETETEXTURESPROC, DeleteTextures)                     \
    X(PFNGLTEXTURESTORAGE2DPROC, TextureStorage2D)                 \
    X(PFNGLTEXTURESUBIMAGE2DPROC, TextureSubImage2D)               \
    X(PFNGLTEXTUREPARAMETERIPROC, TextureParameteri)               \
    X(PFNGLBINDTEXTUREUNITPROC, BindTextureUnit)                   \
    X(PFNGLPROGRAMUNIFORM1IPROC, ProgramUniform1i)

struct RawGLApi {
#define PELMORA_BENCH_GL_POINTER(type, name) type name = nullptr;
    PELMORA_BENCH_GL_FUNCTIONS(PELMORA_BENCH_GL_POINTER)
#undef PELMORA_BENCH_GL_POINTER

    // Needs a current context; on failure names the first missing function.
    bool load(std::string* missing);
};

}  // namespace pelmora::bench
