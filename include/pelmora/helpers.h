// What nearly every host writes around IDXContext, written once: facet sets a
// factory hands out and takes back, names as ordinary strings, frame and
// camera transforms without arrays, a view fitted to a model, a pick of the
// whole scene, and a picture of a window. Everything here is inline code
// over the public interface (dxcontext.h and host.h); nothing is added to
// the library's ABI. Header-only, C++20.
//
//     IDXContext* context = nullptr;
//     PelmoraCreateContext(&context);
//     pelmora::initialize(context, false, "");
//     ...
//     pelmora::setTranslation(context, partFrame, 120.0, 0.0, 35.0);
//     pelmora::fitView(context, viewport, modelBox);
//     context->clearViewport(viewport);
//     context->render(viewport, root, VARIANT_TRUE, VARIANT_FALSE);
//     context->viewportFlip(viewport, VARIANT_TRUE);
//     context->viewportPresent(viewport, 0, 0, width, height);
//     pelmora::saveWindowPng(window, "model.png");
//
//     pelmora::SceneHit hit;
//     pelmora::pickScene(context, viewport, root, mouseX, mouseY, &hit);
//     if (hit) highlight(hit.frame);
#pragma once

#include <pelmora/dxcontext.h>
#include <pelmora/host.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace pelmora {

using Point3 = std::array<double, 3>;

// ===========================================================================
// Facet sets
// ===========================================================================

// A facet set a factory fills and hands out from getFacets: it owns its
// vertex array and face list and keeps the list 0-terminated as triangles
// are added.
//
//     auto facets = std::make_unique<pelmora::FacetBuffer>();
//     int a = facets->addVertex({0, 0, 0, 0, 0, 1, 0, 0});
//     ...
//     facets->addTriangle(a, b, c);   // counter-clockwise seen from outside
//     *source = ledger.handOut(std::move(facets));
class FacetBuffer final : public FacetSource {
public:
    FacetBuffer() = default;
    // Takes over arrays built elsewhere. A face list that does not end in 0
    // gets its closing 0 appended.
    FacetBuffer(std::vector<FacetVertex> vertices, std::vector<int> faceList,
                bool doubleSided = false)
        : vertices_(std::move(vertices)), faces_(std::move(faceList)), doubleSided_(doubleSided) {
        if (faces_.empty() || faces_.back() != 0) faces_.push_back(0);
    }

    // The new vertex's index.
    int addVertex(const FacetVertex& vertex) {
        vertices_.push_back(vertex);
        return static_cast<int>(vertices_.size()) - 1;
    }
    int addVertex(float x, float y, float z, float nx, float ny, float nz, float u = 0.0f,
                  float v = 0.0f) {
        return addVertex(FacetVertex{x, y, z, nx, ny, nz, u, v});
    }
    // A triangle of three vertex indices, counter-clockwise seen from
    // outside. Indices are not checked here: the engine drops faces that
    // name vertices it was not given, with a log line.
    void addTriangle(int a, int b, int c) {
        faces_.back() = 3;  // the closing 0 becomes this face's count
        faces_.insert(faces_.end(), {a, b, c, 0});
    }
    void reserve(size_t vertexCount, size_t triangleCount) {
        vertices_.reserve(vertexCount);
        faces_.reserve(4 * triangleCount + 1);
    }
    void setDoubleSided(bool doubleSided) { doubleSided_ = doubleSided; }
    // Faces in the list (of any vertex count), up to its closing 0.
    int faceCount() const {
        int faces = 0;
        for (size_t i = 0; i < faces_.size() && faces_[i] > 0; i += size_t(faces_[i]) + 1) ++faces;
        return faces;
    }

    int faceListLength() const override { return static_cast<int>(faces_.size()); }
    const int* faceList() const override { return faces_.data(); }
    int vertexCount() const override { return static_cast<int>(vertices_.size()); }
    const FacetVertex* vertices() const override { return vertices_.data(); }
    bool doubleSided() const override { return doubleSided_; }

private:
    std::vector<FacetVertex> vertices_;
    std::vector<int> faces_{0};
    bool doubleSided_ = false;
};

// The sources a factory has handed out and not yet had back: the release
// bookkeeping every factory needs. handOut keeps a source alive until
// release takes it back and deletes it; sources still out when the ledger
// is destroyed are deleted with it. Safe to use from several threads.
//
//     HRESULT getFacets(int body, double deviation, int, FacetSource** source) override {
//         *source = ledger_.handOut(tessellate(body, deviation));
//         return S_OK;
//     }
//     void releaseFacets(FacetSource* source) override { ledger_.release(source); }
class FacetLedger {
public:
    FacetLedger() = default;
    FacetLedger(const FacetLedger&) = delete;
    FacetLedger& operator=(const FacetLedger&) = delete;

    // The pointer to set *source to; null for a null source.
    FacetSource* handOut(std::unique_ptr<FacetSource> source) {
        FacetSource* raw = source.get();
        if (!raw) return nullptr;
        std::lock_guard<std::mutex> lock(mutex_);
        live_.emplace(raw, std::move(source));
        return raw;
    }
    // Deletes a source this ledger handed out. False, deleting nothing, for
    // a pointer it did not hand out or already took back.
    bool release(FacetSource* source) {
        std::unique_ptr<FacetSource> released;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto found = live_.find(source);
            if (found == live_.end()) return false;
            released = std::move(found->second);
            live_.erase(found);
        }
        return true;  // `released` deletes the source outside the lock
    }
    int outstanding() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<int>(live_.size());
    }

private:
    mutable std::mutex mutex_;
    std::unordered_map<const FacetSource*, std::unique_ptr<FacetSource>> live_;
};

// ===========================================================================
// Names as strings
// ===========================================================================

namespace detail {

// UTF-8 to UTF-16; a malformed sequence becomes U+FFFD.
inline std::u16string utf16FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = -1;  // continuation bytes after the lead
        if (lead < 0x80) extra = 0;
        else if (lead >= 0xC2 && lead <= 0xDF) extra = 1;
        else if (lead >= 0xE0 && lead <= 0xEF) extra = 2;
        else if (lead >= 0xF0 && lead <= 0xF4) extra = 3;
        bool valid = extra >= 0 && i + size_t(extra) < text.size();
        char32_t code = valid ? lead & (0x7Fu >> extra) : 0;
        for (int k = 1; valid && k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + size_t(k)]);
            valid = (next & 0xC0u) == 0x80u;
            code = (code << 6) | (next & 0x3Fu);
        }
        const char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
        if (!valid || code < smallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
            out.push_back(u'\uFFFD');
            ++i;
            continue;
        }
        i += size_t(extra) + 1;
        if (code < 0x10000) {
            out.push_back(static_cast<char16_t>(code));
        } else {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        }
    }
    return out;
}

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
inline std::string utf8FromUtf16(const char16_t* text, size_t length) {
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (code >= 0xD800 && code < 0xE000) {
            code = 0xFFFD;
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}

}  // namespace detail

// A BSTR made from UTF-8 text and freed when this goes out of scope. A null
// const char* gives a null BSTR, which every operation reads as "".
class Bstr {
public:
    Bstr(const char* text) : Bstr(text ? std::string_view(text) : std::string_view(), !text) {}
    Bstr(const std::string& text) : Bstr(std::string_view(text)) {}
    Bstr(std::string_view text) : Bstr(text, false) {}
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR get() const { return value_; }

private:
    Bstr(std::string_view text, bool null) {
        if (null) return;
        const std::u16string wide = detail::utf16FromUtf8(text);
        value_ = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    }

    BSTR value_ = nullptr;
};

// A BSTR as UTF-8 text; "" for null.
inline std::string narrow(BSTR text) {
    return text ? detail::utf8FromUtf16(text, SysStringLen(text)) : std::string();
}

// initialize with the adapter's name as text ("" or null keeps the name
// given before). *hardwareNotSupported, when asked for, receives the flag
// initialize reports.
inline HRESULT initialize(IDXContext* context, bool forceSoftwareOnly, const Bstr& deviceName,
                          bool* hardwareNotSupported = nullptr) {
    if (!context) return E_POINTER;
    VARIANT_BOOL noHardware = VARIANT_TRUE;
    const HRESULT hr = context->initialize(forceSoftwareOnly ? VARIANT_TRUE : VARIANT_FALSE,
                                           deviceName.get(), &noHardware);
    if (hardwareNotSupported) *hardwareNotSupported = noHardware != VARIANT_FALSE;
    return hr;
}

inline HRESULT validateCurrentDisplay(IDXContext* context, const Bstr& deviceName) {
    return context ? context->validateCurrentDisplay(deviceName.get()) : E_POINTER;
}

// saveSnapshotJPG with the file name as text: the format follows the
// extension (.png, .bmp, .gif, .tif, .tiff; JPEG for anything else).
inline HRESULT saveSnapshot(IDXContext* context, int viewport, const Bstr& fileName, int width,
                            int height) {
    return context ? context->saveSnapshotJPG(viewport, fileName.get(), width, height) : E_POINTER;
}

inline HRESULT getCurrentDeviceName(IDXContext* context, std::string* name) {
    if (!context || !name) return E_POINTER;
    BSTR value = nullptr;
    const HRESULT hr = context->getCurrentDeviceName(&value);
    *name = narrow(value);
    SysFreeString(value);
    return hr;
}

inline HRESULT enumerateDeviceNames(IDXContext* context, std::vector<std::string>* names) {
    if (!context || !names) return E_POINTER;
    names->clear();
    SAFEARRAY* array = nullptr;
    HRESULT hr = context->enumerateDeviceNames(&array);
    if (FAILED(hr) || !array) return hr;
    void* data = nullptr;
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    hr = SafeArrayAccessData(array, &data);
    if (SUCCEEDED(hr)) {
        const BSTR* strings = static_cast<const BSTR*>(data);
        for (LONG i = 0; i <= upper - lower; ++i) names->push_back(narrow(strings[i]));
        SafeArrayUnaccessData(array);
    }
    SafeArrayDestroy(array);
    return hr;
}

// ===========================================================================
// Transforms
// ===========================================================================

// An affine transform as frames and cameras carry it: a row-vector 4x3
// matrix, 12 values m11 m12 m13, m21 m22 m23, m31 m32 m33, m41 m42 m43. A
// point p maps to p x M: the first three rows are the linear part, the last
// the translation.
struct Transform {
    std::array<double, 12> m{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};

    static Transform translation(double x, double y, double z) {
        Transform t;
        t.m[9] = x;
        t.m[10] = y;
        t.m[11] = z;
        return t;
    }
    static Transform scaling(double sx, double sy, double sz) {
        Transform t;
        t.m[0] = sx;
        t.m[4] = sy;
        t.m[8] = sz;
        return t;
    }
    // The rotation addFrameRotation applies: theta radians about the axis
    // (normalised first), counter-clockwise seen from the axis's tip.
    static Transform rotation(double axisX, double axisY, double axisZ, double theta) {
        const double length = std::sqrt(axisX * axisX + axisY * axisY + axisZ * axisZ);
        const double x = length > 0 ? axisX / length : 0, y = length > 0 ? axisY / length : 0,
                     z = length > 0 ? axisZ / length : 0;
        const double c = std::cos(theta), s = std::sin(theta), t = 1 - c;
        Transform r;
        r.m = {x * x * t + c,     x * y * t + z * s, x * z * t - y * s,
               x * y * t - z * s, y * y * t + c,     y * z * t + x * s,
               x * z * t + y * s, y * z * t - x * s, z * z * t + c,
               0,                 0,                 0};
        return r;
    }

    // This transform, then `next`: a point meets this one first.
    Transform then(const Transform& next) const {
        Transform out;
        for (int row = 0; row < 4; ++row)
            for (int column = 0; column < 3; ++column)
                out.m[row * 3 + column] = m[row * 3] * next.m[column] +
                                          m[row * 3 + 1] * next.m[3 + column] +
                                          m[row * 3 + 2] * next.m[6 + column] +
                                          (row == 3 ? next.m[9 + column] : 0.0);
        return out;
    }
    Point3 point(const Point3& p) const {
        const Point3 d = direction(p);
        return {d[0] + m[9], d[1] + m[10], d[2] + m[11]};
    }
    // A direction: the linear part only.
    Point3 direction(const Point3& v) const {
        return {v[0] * m[0] + v[1] * m[3] + v[2] * m[6], v[0] * m[1] + v[1] * m[4] + v[2] * m[7],
                v[0] * m[2] + v[1] * m[5] + v[2] * m[8]};
    }
    double determinant() const {
        return m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
               m[2] * (m[3] * m[7] - m[4] * m[6]);
    }
    // False, leaving *out alone, for a transform that flattens space.
    bool inverse(Transform* out) const {
        const double det = determinant();
        if (!std::isfinite(det) || std::fabs(det) < 1e-300) return false;
        Transform inv;
        inv.m[0] = (m[4] * m[8] - m[5] * m[7]) / det;
        inv.m[1] = (m[2] * m[7] - m[1] * m[8]) / det;
        inv.m[2] = (m[1] * m[5] - m[2] * m[4]) / det;
        inv.m[3] = (m[5] * m[6] - m[3] * m[8]) / det;
        inv.m[4] = (m[0] * m[8] - m[2] * m[6]) / det;
        inv.m[5] = (m[2] * m[3] - m[0] * m[5]) / det;
        inv.m[6] = (m[3] * m[7] - m[4] * m[6]) / det;
        inv.m[7] = (m[1] * m[6] - m[0] * m[7]) / det;
        inv.m[8] = (m[0] * m[4] - m[1] * m[3]) / det;
        const Point3 back = inv.direction({m[9], m[10], m[11]});
        inv.m[9] = -back[0];
        inv.m[10] = -back[1];
        inv.m[11] = -back[2];
        *out = inv;
        return true;
    }
};

// How addFrameTransform composes a transform T with a frame's local
// transform L (points map by p x L).
enum class Combine : int {
    Replace = 0,  // L = T
    Before = 1,   // L = T x L: T applies first, in the frame's own coordinates
    After = 2,    // L = L x T: T applies last, in the parent's coordinates
};

namespace detail {

struct ArrayDestroyer {
    void operator()(SAFEARRAY* array) const { SafeArrayDestroy(array); }
};
using OwnedArray = std::unique_ptr<SAFEARRAY, ArrayDestroyer>;

inline OwnedArray transformArray(const Transform& t) {
    OwnedArray array(SafeArrayCreateVector(VT_R8, 0, 12));
    void* data = nullptr;
    if (!array || FAILED(SafeArrayAccessData(array.get(), &data))) return nullptr;
    std::copy(t.m.begin(), t.m.end(), static_cast<double*>(data));
    SafeArrayUnaccessData(array.get());
    return array;
}

// Takes over an array the interface handed back.
inline HRESULT readTransform(SAFEARRAY* handedBack, Transform* t) {
    OwnedArray array(handedBack);
    if (!array || SafeArrayGetElemsize(array.get()) != sizeof(double)) return E_UNEXPECTED;
    LONG lower = 0, upper = -1;
    SafeArrayGetLBound(array.get(), 1, &lower);
    SafeArrayGetUBound(array.get(), 1, &upper);
    if (upper - lower + 1 != 12) return E_UNEXPECTED;
    void* data = nullptr;
    const HRESULT hr = SafeArrayAccessData(array.get(), &data);
    if (FAILED(hr)) return hr;
    std::copy_n(static_cast<const double*>(data), 12, t->m.begin());
    SafeArrayUnaccessData(array.get());
    return S_OK;
}

}  // namespace detail

// addFrameTransform without building the array. The frame stores single
// precision, so values come back from getTransform rounded to float.
inline HRESULT setTransform(IDXContext* context, int frame, const Transform& transform,
                            Combine combine = Combine::Replace) {
    if (!context) return E_POINTER;
    detail::OwnedArray array = detail::transformArray(transform);
    if (!array) return E_OUTOFMEMORY;
    SAFEARRAY* raw = array.get();
    return context->addFrameTransform(frame, static_cast<int>(combine), &raw);
}

// The frame's local transform (getFrameTransform).
inline HRESULT getTransform(IDXContext* context, int frame, Transform* local) {
    if (!context || !local) return E_POINTER;
    SAFEARRAY* array = nullptr;
    const HRESULT hr = context->getFrameTransform(frame, &array);
    return FAILED(hr) ? hr : detail::readTransform(array, local);
}

// The frame's world transform (getFrameWorldTransform): its local transform
// composed with those of the parents that frameAddChild or newFrame gave it.
inline HRESULT getWorldTransform(IDXContext* context, int frame, Transform* world) {
    if (!context || !world) return E_POINTER;
    SAFEARRAY* array = nullptr;
    const HRESULT hr = context->getFrameWorldTransform(frame, &array);
    return FAILED(hr) ? hr : detail::readTransform(array, world);
}

// A translation, by default replacing the frame's local transform.
inline HRESULT setTranslation(IDXContext* context, int frame, double x, double y, double z,
                              Combine combine = Combine::Replace) {
    return setTransform(context, frame, Transform::translation(x, y, z), combine);
}

// A uniform or per-axis scale, by default replacing the local transform.
// Lighting reads normals through the frame's transform as they are, so a
// scaled frame lights its meshes darker or brighter by the scale.
inline HRESULT setScale(IDXContext* context, int frame, double scale,
                        Combine combine = Combine::Replace) {
    return setTransform(context, frame, Transform::scaling(scale, scale, scale), combine);
}
inline HRESULT setScale(IDXContext* context, int frame, double sx, double sy, double sz,
                        Combine combine = Combine::Replace) {
    return setTransform(context, frame, Transform::scaling(sx, sy, sz), combine);
}

// A rotation of theta radians about an axis through the frame's origin, by
// default replacing the local transform.
inline HRESULT setRotation(IDXContext* context, int frame, double axisX, double axisY,
                           double axisZ, double theta, Combine combine = Combine::Replace) {
    return setTransform(context, frame, Transform::rotation(axisX, axisY, axisZ, theta), combine);
}

inline HRESULT setCameraTransform(IDXContext* context, int viewport, const Transform& camera) {
    if (!context) return E_POINTER;
    detail::OwnedArray array = detail::transformArray(camera);
    if (!array) return E_OUTOFMEMORY;
    SAFEARRAY* raw = array.get();
    return context->setCameraTransform(viewport, &raw);
}

inline HRESULT getCameraTransform(IDXContext* context, int viewport, Transform* camera) {
    if (!context || !camera) return E_POINTER;
    SAFEARRAY* array = nullptr;
    const HRESULT hr = context->getCameraTransform(viewport, &array);
    return FAILED(hr) ? hr : detail::readTransform(array, camera);
}

// ===========================================================================
// Fitting a view
// ===========================================================================

// An axis-aligned box in world coordinates; a new one is empty.
struct Box {
    Point3 min{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
               std::numeric_limits<double>::infinity()};
    Point3 max{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
               -std::numeric_limits<double>::infinity()};

    bool empty() const { return !(min[0] <= max[0] && min[1] <= max[1] && min[2] <= max[2]); }
    void add(const Point3& p) {
        for (int i = 0; i < 3; ++i) {
            min[i] = std::min(min[i], p[i]);
            max[i] = std::max(max[i], p[i]);
        }
    }
    void add(double x, double y, double z) { add(Point3{x, y, z}); }
    // Grows to hold another box too.
    void merge(const Box& other) {
        if (other.empty()) return;
        add(other.min);
        add(other.max);
    }
    Point3 centre() const {
        return {(min[0] + max[0]) * 0.5, (min[1] + max[1]) * 0.5, (min[2] + max[2]) * 0.5};
    }
    std::array<Point3, 8> corners() const {
        std::array<Point3, 8> c;
        for (int i = 0; i < 8; ++i)
            c[size_t(i)] = {(i & 1) ? max[0] : min[0], (i & 2) ? max[1] : min[1],
                            (i & 4) ? max[2] : min[2]};
        return c;
    }
    // The box around this one carried through a transform (a frame's world
    // transform, say).
    Box transformed(const Transform& t) const {
        Box out;
        if (empty()) return out;
        for (const Point3& corner : corners()) out.add(t.point(corner));
        return out;
    }
};

struct FitOptions {
    // Room left around the model, as a fraction of its size on screen.
    double margin = 0.05;
    // In perspective, half the angle the view's larger side spans, in
    // radians (15 degrees by default). The automatic refinement reads three
    // times this angle, so from 30 degrees on it asks for the coarsest
    // facets; values are kept between 0.1 and 60 degrees.
    double perspectiveHalfField = 0.2617993877991494;
};

namespace detail {

inline double dot(const Point3& a, const Point3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline Point3 minus(const Point3& a, const Point3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

// The view plane's width over its height: the window's aspect, which
// setViewportPlane keeps.
inline double planeAspect(IDXContext* context, int viewport, HRESULT* status) {
    double left = 0, right = 0, bottom = 0, top = 0;
    *status = context->getViewportPlane(viewport, &left, &right, &bottom, &top);
    const double aspect = (right - left) / (top - bottom);
    return std::isfinite(aspect) && aspect > 0 ? aspect : 1.0;
}

}  // namespace detail

// Frames a world-space box in a viewport, orthographic or perspective as
// the viewport is, whatever the model's units: nothing of the box is cut by
// the front or back plane, and its projection fills the window but for the
// margin. The camera keeps its orientation (the rotation part of the camera
// transform) and is moved so that the box's centre lies on the line of
// sight; then the front plane (which sets the eye's distance, three times
// the front, and the back plane, five times the front) and the view plane
// are chosen for the box. The depth range holds the box's bounding sphere,
// so the camera can be orbited about the centre (rotateCamera) without the
// front or back plane cutting the model. E_POINTER for a null context, E_INVALIDARG for
// an empty box, one of no size, or one with values that are not finite;
// otherwise the first failing status of the interface calls.
inline HRESULT fitView(IDXContext* context, int viewport, const Box& box,
                       const FitOptions& options = FitOptions()) {
    if (!context) return E_POINTER;
    if (box.empty()) return E_INVALIDARG;
    for (int i = 0; i < 3; ++i)
        if (!std::isfinite(box.min[i]) || !std::isfinite(box.max[i])) return E_INVALIDARG;
    Transform camera;
    HRESULT hr = getCameraTransform(context, viewport, &camera);
    if (FAILED(hr)) return hr;
    VARIANT_BOOL perspective = VARIANT_FALSE;
    hr = context->getViewportPerspective(viewport, &perspective);
    if (FAILED(hr)) return hr;
    const double aspect = detail::planeAspect(context, viewport, &hr);
    if (FAILED(hr)) return hr;

    // The camera keeps its rotation and takes the box's centre to the
    // target the eye looks at (the origin of the camera's space).
    const Point3 centre = box.centre();
    const Point3 shifted = camera.direction(centre);
    camera.m[9] = -shifted[0];
    camera.m[10] = -shifted[1];
    camera.m[11] = -shifted[2];

    // The corners in the camera's space: x right, y up, z towards the eye.
    const double grow = 1.0 + std::max(0.0, options.margin);
    std::array<Point3, 8> corners = box.corners();
    double radius = 0.0;
    for (Point3& corner : corners) {
        corner = camera.direction(detail::minus(corner, centre));
        radius = std::max(radius, std::sqrt(detail::dot(corner, corner)));
        for (double& value : corner) value *= grow;
    }
    if (!(radius > 0.0) || !std::isfinite(radius)) return E_INVALIDARG;
    radius *= grow;
    // An edge-on flat model still gets a plane of some size.
    const double smallest = radius * 1e-3;

    double front = 0.0, halfWidth = 0.0, halfHeight = 0.0;
    if (perspective == VARIANT_FALSE) {
        // Depth seen runs from 2 x front in front of the target to 2 x
        // front behind it: the bounding sphere fits at any orientation.
        front = radius * 0.5;
        double extentX = smallest, extentY = smallest;
        for (const Point3& c : corners) {
            extentX = std::max(extentX, std::fabs(c[0]));
            extentY = std::max(extentY, std::fabs(c[1]));
        }
        halfHeight = std::max(extentY, extentX / aspect);
        halfWidth = halfHeight * aspect;
    } else {
        constexpr double kDegree = 0.017453292519943295;
        const double field = std::clamp(options.perspectiveHalfField, 0.1 * kDegree, 60 * kDegree);
        const double tanWidth = aspect >= 1.0 ? std::tan(field) : std::tan(field) * aspect;
        const double tanHeight = aspect >= 1.0 ? std::tan(field) / aspect : std::tan(field);
        // The eye's distance: far enough that every corner is inside the
        // pyramid of sight, and that the sphere lies between front
        // (distance / 3) and back (5 x distance / 3).
        double distance = 1.5 * radius;
        for (const Point3& c : corners)
            distance = std::max(distance, c[2] + std::max(std::fabs(c[0]) / tanWidth,
                                                          std::fabs(c[1]) / tanHeight));
        front = distance / 3.0;
        halfWidth = front * tanWidth;
        halfHeight = front * tanHeight;
    }
    hr = setCameraTransform(context, viewport, camera);
    if (SUCCEEDED(hr)) hr = context->setFront(viewport, front);
    if (SUCCEEDED(hr)) hr = context->setViewportPlane(viewport, -halfWidth, halfWidth, -halfHeight, halfHeight);
    return hr;
}

// ===========================================================================
// Views and lights
// ===========================================================================

// The standard directions a CAD user names a view by. The model's z axis is
// up in every view but top and bottom; iso looks down onto the front, right
// and top faces at once.
enum class ViewDirection { Iso, Top, Bottom, Front, Back, Left, Right };

// The camera transform of a standard view (camera space: x right, y up, z
// towards the viewer).
inline Transform viewOrientation(ViewDirection view) {
    constexpr double kDegree = 3.14159265358979323846 / 180.0;
    Transform front;  // looking along +y, z up
    front.m = {1, 0, 0, 0, 0, -1, 0, 1, 0, 0, 0, 0};
    const auto turned = [&](double degrees) { return Transform::rotation(0, 0, 1, degrees * kDegree).then(front); };
    switch (view) {
        case ViewDirection::Top: return Transform{};
        case ViewDirection::Bottom: return Transform::rotation(1, 0, 0, 180 * kDegree);
        case ViewDirection::Front: return front;
        case ViewDirection::Back: return turned(180);
        case ViewDirection::Left: return turned(90);
        case ViewDirection::Right: return turned(-90);
        case ViewDirection::Iso: return turned(-45).then(Transform::rotation(1, 0, 0, 35.264 * kDegree));
    }
    return front;
}

// Turns the camera to a standard view (fitView frames the model after).
inline HRESULT setView(IDXContext* context, int viewport, ViewDirection view) {
    return setCameraTransform(context, viewport, viewOrientation(view));
}

// The light rig a model viewer wants, within the one light a viewport
// holds (each viewportAdd*Light replaces the last): a white directional
// light from over the viewer's left shoulder, fixed to the viewer as the
// camera turns, and an ambient light strong enough that no face of a grey
// body renders darker than a quarter grey whichever way it faces (ambient
// light adds grey untinted, so colours pale a little). A new viewport has no
// light at all: without one, bodies draw as black silhouettes.
inline HRESULT addDefaultLights(IDXContext* context, int viewport) {
    if (!context) return E_POINTER;
    int light = 0;
    HRESULT hr = context->viewportAddAmbientLight(viewport, 0x848484);  // 0.52 squared: 27% grey
    if (SUCCEEDED(hr))
        hr = context->viewportAddDirectionalLight(viewport, int(0xFFB0B0B0u), 0.35f, -0.45f, -1.0f, &light);
    return hr;
}

// The mouse's camera for a window of width x height pixels: orbit about a
// centre (turning about the screen's horizontal axis and the model's z
// axis), pan, and zoom about the cursor, all in pixels of mouse movement.
class OrbitCamera {
public:
    OrbitCamera(IDXContext* context, int viewport, int width, int height)
        : context_(context), viewport_(viewport), width_(width), height_(height) {}

    void setCentre(const Point3& centre) { centre_ = centre; }

    HRESULT orbit(int dx, int dy) {
        constexpr double kRadiansPerPixel = 0.4 * 3.14159265358979323846 / 180.0;
        Transform camera;
        HRESULT hr = getCameraTransform(context_, viewport_, &camera);
        const Point3& c = centre_;
        // The screen's horizontal axis in world coordinates: the camera's x,
        // the first column of its rotation.
        if (SUCCEEDED(hr))
            hr = context_->rotateCamera(viewport_, float(c[0]), float(c[1]), float(c[2]), float(camera.m[0]),
                                        float(camera.m[3]), float(camera.m[6]), dy * kRadiansPerPixel);
        if (SUCCEEDED(hr))
            hr = context_->rotateCamera(viewport_, float(c[0]), float(c[1]), float(c[2]), 0, 0, 1,
                                        dx * kRadiansPerPixel);
        return hr;
    }
    HRESULT pan(int dx, int dy) {
        double left = 0, right = 0, bottom = 0, top = 0;
        HRESULT hr = context_->getViewportPlane(viewport_, &left, &right, &bottom, &top);
        const double perPixel = (right - left) / width_;
        if (SUCCEEDED(hr))
            hr = context_->setViewportPlane(viewport_, left - dx * perPixel, right - dx * perPixel,
                                            bottom + dy * perPixel, top + dy * perPixel);
        return hr;
    }
    // factor < 1 zooms in; the plane point under pixel (x, y) stays put.
    HRESULT zoomAt(int x, int y, double factor) {
        double left = 0, right = 0, bottom = 0, top = 0;
        HRESULT hr = context_->getViewportPlane(viewport_, &left, &right, &bottom, &top);
        const double px = left + (right - left) * (x + 0.5) / width_;
        const double py = top - (top - bottom) * (y + 0.5) / height_;
        if (SUCCEEDED(hr))
            hr = context_->setViewportPlane(viewport_, px + (left - px) * factor, px + (right - px) * factor,
                                            py + (bottom - py) * factor, py + (top - py) * factor);
        return hr;
    }

private:
    IDXContext* context_;
    int viewport_;
    int width_, height_;
    Point3 centre_{0, 0, 0};
};

// ===========================================================================
// Picking the scene
// ===========================================================================

// The nearest mesh under a pixel. Converts to true when something was hit.
struct SceneHit {
    int mesh = 0;   // 0 when nothing was hit
    int frame = 0;  // the frame listing the mesh, where the walk met it
    Point3 point{0, 0, 0};  // world coordinates
    // From the front plane along the line of sight, in world units.
    double distance = 0.0;

    explicit operator bool() const { return mesh != 0; }
};

struct PickOptions {
    // How near a line of a line mesh must pass to be hit, in world units
    // (taken into each mesh's space by its frame's scale); 0 never hits one.
    double lineThreshold = 0.0;
    // Picks hidden meshes too, as a render with forceRender draws them.
    // Hidden frames and never-render meshes are skipped either way.
    bool includeHidden = false;
};

// The nearest mesh under pixel (x, y) of a viewport among those a render of
// rootFrame would draw (PelmoraPickScene, host.h): the tree walked as the
// render walks it, each mesh picked as pickMesh picks it in its own space,
// billboards around their anchor. Only crossings between the front and back
// planes count. The pixel is the point getSelectionRay takes: its top-left
// corner. S_OK with *hit cleared when nothing is hit; E_POINTER for a null
// context or hit; E_HANDLE when rootFrame is no frame or viewport no
// viewport.
inline HRESULT pickScene(IDXContext* context, int viewport, int rootFrame, int x, int y,
                         SceneHit* hit, const PickOptions& options = PickOptions()) {
    if (!context || !hit) return E_POINTER;
    *hit = SceneHit{};
    PelmoraSceneHit found{};
    const HRESULT hr = PelmoraPickScene(viewport, rootFrame, x, y, std::max(0.0, options.lineThreshold),
                                        options.includeHidden ? PELMORA_PICK_HIDDEN : 0, &found);
    if (FAILED(hr) || found.mesh == 0) return hr;
    *hit = SceneHit{found.mesh, found.frame, {found.x, found.y, found.z}, found.distance};
    return S_OK;
}

// The meshes a window-pixel rectangle selects (PelmoraSelectRectangle,
// host.h): those wholly inside it, or with `crossing` those with any vertex
// inside; as mesh and frame pairs in the walk's order.
inline HRESULT selectRectangle(int viewport, int rootFrame, int left, int top, int right, int bottom,
                               bool crossing, std::vector<SceneHit>* selected,
                               const PickOptions& options = PickOptions()) {
    if (!selected) return E_POINTER;
    selected->clear();
    const int mode = crossing ? PELMORA_SELECT_CROSSING : PELMORA_SELECT_INSIDE;
    const int flags = options.includeHidden ? PELMORA_PICK_HIDDEN : 0;
    int count = 0;
    HRESULT hr = PelmoraSelectRectangle(viewport, rootFrame, left, top, right, bottom, mode, flags, nullptr, 0, &count);
    std::vector<PelmoraSceneHit> found(static_cast<size_t>(count));
    if (SUCCEEDED(hr) && count > 0)
        hr = PelmoraSelectRectangle(viewport, rootFrame, left, top, right, bottom, mode, flags, found.data(), count,
                                    &count);
    if (FAILED(hr)) return hr;
    for (size_t i = 0; i < found.size() && i < static_cast<size_t>(count); ++i)
        selected->push_back(SceneHit{found[i].mesh, found[i].frame, {0, 0, 0}, 0.0});
    return S_OK;
}

// ===========================================================================
// Pictures
// ===========================================================================

// What a window (offscreen or X11) shows, as an opaque PNG (PelmoraSaveWindowPng).
inline HRESULT saveWindowPng(int window, const std::string& fileName) {
    return PelmoraSaveWindowPng(window, fileName.c_str());
}

}  // namespace pelmora
