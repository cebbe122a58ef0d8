// The OpenGL 4.5 core entry points the backend calls, loaded once per context
// through eglGetProcAddress. The table is the only way the backend reaches GL,
// so a missing function is found when the context is made, not at a draw.
#pragma once

#include <GL/glcorearb.h>

#include <string>

namespace pelmora::d3d9gl {

// X(type of the pointer, name without the "gl" prefix)
#define PELMORA_GL_FUNCTIONS(X)                                       \
    X(PFNGLGETSTRINGPROC, GetString)                                  \
    X(PFNGLGETSTRINGIPROC, GetStringi)                                \
    X(PFNGLGETINTEGERVPROC, GetIntegerv)                              \
    X(PFNGLGETFLOATVPROC, GetFloatv)                                  \
    X(PFNGLGETERRORPROC, GetError)                                    \
    X(PFNGLGETGRAPHICSRESETSTATUSPROC, GetGraphicsResetStatus)        \
    X(PFNGLGETINTERNALFORMATIVPROC, GetInternalformativ)              \
    X(PFNGLENABLEPROC, Enable)                                        \
    X(PFNGLDISABLEPROC, Disable)                                      \
    X(PFNGLBLENDFUNCPROC, BlendFunc)                                  \
    X(PFNGLBLENDEQUATIONPROC, BlendEquation)                          \
    X(PFNGLDEPTHFUNCPROC, DepthFunc)                                  \
    X(PFNGLDEPTHMASKPROC, DepthMask)                                  \
    X(PFNGLCOLORMASKPROC, ColorMask)                                  \
    X(PFNGLCULLFACEPROC, CullFace)                                    \
    X(PFNGLFRONTFACEPROC, FrontFace)                                  \
    X(PFNGLPOLYGONOFFSETPROC, PolygonOffset)                          \
    X(PFNGLPOLYGONMODEPROC, PolygonMode)                              \
    X(PFNGLVIEWPORTPROC, Viewport)                                    \
    X(PFNGLDEPTHRANGEFPROC, DepthRangef)                              \
    X(PFNGLSCISSORPROC, Scissor)                                      \
    X(PFNGLCLEARCOLORPROC, ClearColor)                                \
    X(PFNGLCLEARDEPTHFPROC, ClearDepthf)                              \
    X(PFNGLCLEARSTENCILPROC, ClearStencil)                            \
    X(PFNGLCLEARPROC, Clear)                                          \
    X(PFNGLCLIPCONTROLPROC, ClipControl)                              \
    X(PFNGLPROVOKINGVERTEXPROC, ProvokingVertex)                      \
    X(PFNGLLINEWIDTHPROC, LineWidth)                                  \
    X(PFNGLPOINTSIZEPROC, PointSize)                                  \
    X(PFNGLHINTPROC, Hint)                                            \
    X(PFNGLPIXELSTOREIPROC, PixelStorei)                              \
    X(PFNGLCREATEBUFFERSPROC, CreateBuffers)                          \
    X(PFNGLDELETEBUFFERSPROC, DeleteBuffers)                          \
    X(PFNGLNAMEDBUFFERDATAPROC, NamedBufferData)                      \
    X(PFNGLNAMEDBUFFERSUBDATAPROC, NamedBufferSubData)                \
    X(PFNGLGETNAMEDBUFFERSUBDATAPROC, GetNamedBufferSubData)          \
    X(PFNGLBINDBUFFERBASEPROC, BindBufferBase)                        \
    X(PFNGLCREATEVERTEXARRAYSPROC, CreateVertexArrays)                \
    X(PFNGLDELETEVERTEXARRAYSPROC, DeleteVertexArrays)                \
    X(PFNGLBINDVERTEXARRAYPROC, BindVertexArray)                      \
    X(PFNGLENABLEVERTEXARRAYATTRIBPROC, EnableVertexArrayAttrib)      \
    X(PFNGLDISABLEVERTEXARRAYATTRIBPROC, DisableVertexArrayAttrib)    \
    X(PFNGLVERTEXARRAYATTRIBFORMATPROC, VertexArrayAttribFormat)      \
    X(PFNGLVERTEXARRAYATTRIBBINDINGPROC, VertexArrayAttribBinding)    \
    X(PFNGLVERTEXARRAYVERTEXBUFFERPROC, VertexArrayVertexBuffer)      \
    X(PFNGLVERTEXARRAYELEMENTBUFFERPROC, VertexArrayElementBuffer)    \
    X(PFNGLCREATESHADERPROC, CreateShader)                            \
    X(PFNGLSHADERSOURCEPROC, ShaderSource)                            \
    X(PFNGLCOMPILESHADERPROC, CompileShader)                          \
    X(PFNGLGETSHADERIVPROC, GetShaderiv)                              \
    X(PFNGLGETSHADERINFOLOGPROC, GetShaderInfoLog)                    \
    X(PFNGLDELETESHADERPROC, DeleteShader)                            \
    X(PFNGLCREATEPROGRAMPROC, CreateProgram)                          \
    X(PFNGLATTACHSHADERPROC, AttachShader)                            \
    X(PFNGLLINKPROGRAMPROC, LinkProgram)                              \
    X(PFNGLGETPROGRAMIVPROC, GetProgramiv)                            \
    X(PFNGLGETPROGRAMINFOLOGPROC, GetProgramInfoLog)                  \
    X(PFNGLDELETEPROGRAMPROC, DeleteProgram)                          \
    X(PFNGLUSEPROGRAMPROC, UseProgram)                                \
    X(PFNGLGETUNIFORMLOCATIONPROC, GetUniformLocation)                \
    X(PFNGLPROGRAMUNIFORMMATRIX4FVPROC, ProgramUniformMatrix4fv)      \
    X(PFNGLPROGRAMUNIFORM4FVPROC, ProgramUniform4fv)                  \
    X(PFNGLCREATETEXTURESPROC, CreateTextures)                        \
    X(PFNGLDELETETEXTURESPROC, DeleteTextures)                        \
    X(PFNGLTEXTURESTORAGE2DPROC, TextureStorage2D)                    \
    X(PFNGLTEXTURESUBIMAGE2DPROC, TextureSubImage2D)                  \
    X(PFNGLTEXTUREPARAMETERIPROC, TextureParameteri)                  \
    X(PFNGLTEXTUREPARAMETERIVPROC, TextureParameteriv)                \
    X(PFNGLBINDTEXTUREUNITPROC, BindTextureUnit)                      \
    X(PFNGLGETTEXTURESUBIMAGEPROC, GetTextureSubImage)                \
    X(PFNGLCREATESAMPLERSPROC, CreateSamplers)                        \
    X(PFNGLDELETESAMPLERSPROC, DeleteSamplers)                        \
    X(PFNGLSAMPLERPARAMETERIPROC, SamplerParameteri)                  \
    X(PFNGLSAMPLERPARAMETERFPROC, SamplerParameterf)                  \
    X(PFNGLSAMPLERPARAMETERFVPROC, SamplerParameterfv)                \
    X(PFNGLBINDSAMPLERPROC, BindSampler)                              \
    X(PFNGLCREATEFRAMEBUFFERSPROC, CreateFramebuffers)                \
    X(PFNGLDELETEFRAMEBUFFERSPROC, DeleteFramebuffers)                \
    X(PFNGLNAMEDFRAMEBUFFERTEXTUREPROC, NamedFramebufferTexture)      \
    X(PFNGLNAMEDFRAMEBUFFERRENDERBUFFERPROC, NamedFramebufferRenderbuffer) \
    X(PFNGLCHECKNAMEDFRAMEBUFFERSTATUSPROC, CheckNamedFramebufferStatus) \
    X(PFNGLBINDFRAMEBUFFERPROC, BindFramebuffer)                      \
    X(PFNGLBLITNAMEDFRAMEBUFFERPROC, BlitNamedFramebuffer)            \
    X(PFNGLREADPIXELSPROC, ReadPixels)                                \
    X(PFNGLCREATERENDERBUFFERSPROC, CreateRenderbuffers)              \
    X(PFNGLDELETERENDERBUFFERSPROC, DeleteRenderbuffers)              \
    X(PFNGLNAMEDRENDERBUFFERSTORAGEPROC, NamedRenderbufferStorage)    \
    X(PFNGLNAMEDRENDERBUFFERSTORAGEMULTISAMPLEPROC, NamedRenderbufferStorageMultisample) \
    X(PFNGLDRAWARRAYSPROC, DrawArrays)                                \
    X(PFNGLDRAWELEMENTSBASEVERTEXPROC, DrawElementsBaseVertex)        \
    X(PFNGLFINISHPROC, Finish)                                        \
    X(PFNGLFLUSHPROC, Flush)

struct GLApi {
#define PELMORA_GL_DECLARE_POINTER(type, name) type name = nullptr;
    PELMORA_GL_FUNCTIONS(PELMORA_GL_DECLARE_POINTER)
#undef PELMORA_GL_DECLARE_POINTER

    // Loads every entry point; on failure names the first missing one.
    bool load(std::string* missing);

    bool hasExtension(const char* name) const;
};

}  // namespace pelmora::d3d9gl
