#include "HostileValues.h"

#include "FuzzInput.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

namespace pelmora::fuzz {

namespace {

template <class T, size_t N>
T oneOf(FuzzInput& input, const T (&values)[N]) {
    return values[input.below(N)];
}

template <class T>
T fromBits(FuzzInput& input) {
    T value;
    const uint64_t bits = input.u64();
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

int hostileInt(FuzzInput& input) {
    static constexpr int kValues[] = {0,       -1,         1,          INT_MIN, INT_MAX,
                                      INT_MIN + 1, INT_MAX - 1, -2,    2,       255,
                                      256,     65535,      65536,      16384,   16385,
                                      1 << 30, -(1 << 30), 0x7FFF,     0x8000,  -32769};
    if (input.rare(40)) return static_cast<int>(input.u32());
    return oneOf(input, kValues);
}

double hostileDouble(FuzzInput& input) {
    static constexpr double kValues[] = {
        std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity(),  -std::numeric_limits<double>::infinity(),
        1e30,  -1e30, 3.5e38, -3.5e38, DBL_MAX, -DBL_MAX, 1e300, -1e300, -0.0,
        std::numeric_limits<double>::denorm_min(), 1e-30, 3e9, -3e9, 2147483648.0,
        -2147483649.0, 0.5, 1e19, -1e19, 9.3e18};
    if (input.rare(30)) return fromBits<double>(input);
    return oneOf(input, kValues);
}

float hostileFloat(FuzzInput& input) {
    static constexpr float kValues[] = {
        std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN(),
        std::numeric_limits<float>::infinity(),  -std::numeric_limits<float>::infinity(),
        1e30f, -1e30f, FLT_MAX, -FLT_MAX, -0.0f, std::numeric_limits<float>::denorm_min(),
        1e-30f, 3e9f, -3e9f, 2147483648.0f, 0.5f, 1e19f, -1e19f};
    if (input.rare(30)) return fromBits<float>(input);
    return oneOf(input, kValues);
}

VARIANT_BOOL hostileBool(FuzzInput& input) {
    static constexpr VARIANT_BOOL kValues[] = {1, 2, -2, 0x7FFF, INT16_MIN, 0x100};
    return oneOf(input, kValues);
}

// ---- Strings ----

namespace {

std::u16string ascii(const char* text) {
    std::u16string out;
    for (const char* c = text; *c; ++c) out.push_back(static_cast<char16_t>(*c));
    return out;
}

std::u16string withEnding(FuzzInput& input, std::u16string stem, StringUse use) {
    if (use != StringUse::FileName) return stem;
    static const char* const kEndings[] = {".jpg", ".png", ".bmp", ".gif", ".tif",
                                           ".jpeg", ".JPG", "",    ".xyz", "."};
    return stem + ascii(kEndings[input.below(std::size(kEndings))]);
}

std::u16string repeated(char16_t unit, size_t count) { return std::u16string(count, unit); }

// Code units of any value, except that a file name gets no slash.
std::u16string randomUnits(FuzzInput& input, StringUse use) {
    std::u16string text = u"r";
    const size_t length = input.below(48);
    for (size_t i = 0; i < length; ++i) {
        char16_t unit = static_cast<char16_t>(input.rare(128) ? input.u16() : input.between(1, 127));
        if (use == StringUse::FileName && unit == u'/') unit = u'_';
        text.push_back(unit);
    }
    return text;
}

}  // namespace

std::u16string plainString(FuzzInput& input, StringUse use) {
    switch (use) {
        case StringUse::DeviceName: return input.rare(64) ? ascii("llvmpipe") : std::u16string();
        case StringUse::FileName: return withEnding(input, u"snap", use);
        case StringUse::MemberName: return u"render";
    }
    return {};
}

std::u16string hostileString(FuzzInput& input, StringUse use, bool* isNull) {
    *isNull = false;
    static constexpr size_t kLongLengths[] = {255, 256, 257, 1023, 1024, 1025, 4096, 70000};
    switch (input.below(12)) {
        case 0: *isNull = true; return {};
        case 1: return {};
        case 2: return withEnding(input, repeated(u'a', oneOf(input, kLongLengths)), use);
        case 3: {
            static const std::u16string kEmbedded[] = {std::u16string(u"snap\0.jpg", 9),
                                                       std::u16string(u"\0snap.png", 9),
                                                       std::u16string(u"a\0\0\0b", 5)};
            return oneOf(input, kEmbedded);
        }
        case 4: {
            static const std::u16string kWide[] = {
                u"\u00e9t\u00e9", u"\u65e5\u672c\u8a9e", u"\U0001F600", std::u16string(1, 0xD800),
                std::u16string(1, 0xDC00), std::u16string(u"\uFFFF\uFFFE"), u"\uFEFFbom",
                std::u16string{0xD800, u'x', 0xDFFF}};
            return withEnding(input, oneOf(input, kWide), use);
        }
        case 5: return withEnding(input, u"%s%s%n%x%1000000d", use);
        case 6: return withEnding(input, u"a\nb\r\tc\x1b[0m", use);
        case 7: {
            static const char* const kOdd[] = {".", " ", "-", "nosuchdir/x.jpg", "snap.jpg ",
                                               "~", "*", "snap.jpg:1"};
            return ascii(kOdd[input.below(std::size(kOdd))]);
        }
        case 8: return withEnding(input, repeated(u'\u00e9', oneOf(input, kLongLengths)), use);
        case 9: return withEnding(input, repeated(u'\U0000d55c', 100), use);
        default: return withEnding(input, randomUnits(input, use), use);
    }
}

BSTR makeBstr(const std::u16string& text, bool isNull) {
    if (isNull) return nullptr;
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

// ---- Arrays ----

namespace {

size_t cellCount(const SAFEARRAY* psa) {
    size_t cells = 1;
    for (USHORT i = 0; i < psa->cDims; ++i) cells *= psa->rgsabound[i].cElements;
    return cells;
}

template <class T>
void put(SAFEARRAY* psa, size_t index, T value) {
    if (psa->cbElements != sizeof(T) || index >= cellCount(psa)) return;
    std::memcpy(static_cast<char*>(psa->pvData) + index * sizeof(T), &value, sizeof(T));
}

SAFEARRAY* create(VARTYPE vt, std::initializer_list<SAFEARRAYBOUND> bounds) {
    std::vector<SAFEARRAYBOUND> copy(bounds);
    return SafeArrayCreate(vt, static_cast<UINT>(copy.size()), copy.data());
}

template <class T>
SAFEARRAY* vectorOf(VARTYPE vt, const std::vector<T>& values, LONG lower = 0) {
    SAFEARRAY* psa = create(vt, {{static_cast<ULONG>(values.size()), lower}});
    if (!psa) return nullptr;
    for (size_t i = 0; i < values.size(); ++i) put(psa, i, values[i]);
    return psa;
}

VARTYPE elementTypeOf(ArrayUse use) {
    switch (use) {
        case ArrayUse::Faces:
        case ArrayUse::Lines:
        case ArrayUse::Handles: return VT_I4;
        case ArrayUse::Transform: return VT_R8;
        default: return VT_R4;
    }
}

std::vector<float> vertexFloats(FuzzInput& input, ArrayPlan& plan) {
    plan.vertexCount = input.between(3, 12);
    std::vector<float> values;
    for (int i = 0; i < 3 * plan.vertexCount; ++i)
        values.push_back(static_cast<float>(input.grid(-1.0, 1.0)));
    return values;
}

std::vector<float> normalFloats(FuzzInput& input, const ArrayPlan& plan) {
    std::vector<float> values;
    for (int i = 0; i < plan.vertexCount; ++i) {
        const float x = static_cast<float>(input.grid(-0.3, 0.3));
        values.insert(values.end(), {x, -x, 1.0f});
    }
    return values;
}

int vertexIndex(FuzzInput& input, const ArrayPlan& plan) {
    return plan.vertexCount > 0 ? static_cast<int>(input.below(plan.vertexCount)) : 0;
}

// Per face its vertex count, then per vertex an index and a word nobody reads.
std::vector<int> faceList(FuzzInput& input, const ArrayPlan& plan) {
    std::vector<int> list;
    const int faces = input.between(1, 6);
    for (int f = 0; f < faces; ++f) {
        list.push_back(3);
        for (int corner = 0; corner < 3; ++corner)
            list.insert(list.end(), {vertexIndex(input, plan), static_cast<int>(input.byte())});
    }
    list.push_back(0);
    return list;
}

std::vector<int> linePairs(FuzzInput& input, const ArrayPlan& plan) {
    std::vector<int> list;
    const int lines = input.between(1, 6);
    for (int l = 0; l < 2 * lines; ++l) list.push_back(vertexIndex(input, plan));
    return list;
}

std::vector<double> transformValues(FuzzInput& input) {
    const double angle = input.grid(-3.2, 3.2);
    const double scale = input.rare(40) ? input.grid(0.01, 5.0) : 1.0;
    const double c = std::cos(angle) * scale, s = std::sin(angle) * scale;
    return {c, s, 0, -s, c, 0, 0, 0, scale, input.grid(-2, 2), input.grid(-2, 2), input.grid(-2, 2)};
}

std::vector<int> handleValues(FuzzInput& input, const ArrayPlan& plan) {
    std::vector<int> handles;
    const int count = input.between(1, 4);
    for (int i = 0; i < count && !plan.handles.empty(); ++i)
        handles.push_back(plan.handles[input.below(plan.handles.size())]);
    return handles;
}

// Well-formed content of any element type: floats and doubles in a small
// range, integers as given, anything else left zero (null strings, empty
// variants).
SAFEARRAY* withBounds(FuzzInput& input, VARTYPE vt, std::initializer_list<SAFEARRAYBOUND> bounds) {
    SAFEARRAY* psa = create(vt, bounds);
    if (!psa) return nullptr;
    const size_t cells = cellCount(psa);
    for (size_t i = 0; i < cells && i < 4096; ++i) {
        switch (vt) {
            case VT_R4: put(psa, i, static_cast<float>(input.grid(-1, 1))); break;
            case VT_R8: put(psa, i, input.grid(-1, 1)); break;
            case VT_I4: case VT_INT: case VT_UI4: put(psa, i, static_cast<int>(input.byte() % 8)); break;
            case VT_I2: case VT_BOOL: put(psa, i, static_cast<int16_t>(input.u16())); break;
            case VT_UI1: put(psa, i, input.byte()); break;
            case VT_I8: put(psa, i, static_cast<int64_t>(input.u64())); break;
            default: break;
        }
    }
    return psa;
}

SAFEARRAY* wrongElementType(FuzzInput& input, ArrayUse use) {
    static constexpr VARTYPE kTypes[] = {VT_R8, VT_I4, VT_R4, VT_I2, VT_UI1, VT_BSTR, VT_VARIANT,
                                         VT_BOOL, VT_I8, VT_UI4, VT_INT, VT_UNKNOWN, VT_DISPATCH};
    VARTYPE vt = oneOf(input, kTypes);
    if (vt == elementTypeOf(use)) vt = VT_UI1;
    return withBounds(input, vt, {{static_cast<ULONG>(input.between(1, 24)), 0}});
}

SAFEARRAY* lyingFaces(FuzzInput& input, const ArrayPlan& plan) {
    const int last = plan.vertexCount;
    const std::vector<int> kLies[] = {
        {3, 0, 0, 1, 0},
        {1000, 0, 0},
        {-1, 0, 0, 1, 0, 2, 0, 0},
        {3, 0, 0, 1, 0, 2, 0},
        {4, 0, 0, 1, 0, 2, 0, 0, 0, 0},
        {0},
        {3, INT_MAX, 0, 0, 0, 1, 0, 0},
        {3, -1, 0, 0, 0, 1, 0, 0},
        {3, last, 0, 0, 0, 1, 0, 0},
        {3, 0, 0, 1, 0, 2, 0, 3, 0, 0},
        {INT_MIN, 0, 0},
        {2, 0, 0, 1, 0, 0},
        {3, 0, 0, 0, 0, 0, 0, 7, 1, 2},
        {3, 0, 0, 1, 0, 2, 0, INT_MAX / 2 + 1, 0, 0, 0, 0, 0, 0},
    };
    return vectorOf(VT_I4, kLies[input.below(std::size(kLies))]);
}

SAFEARRAY* extremeContent(FuzzInput& input, ArrayUse use, ArrayPlan& plan) {
    const VARTYPE vt = elementTypeOf(use);
    const size_t count = use == ArrayUse::Transform ? 12 : 3 * static_cast<size_t>(input.between(1, 8));
    if (use == ArrayUse::Vertices) plan.vertexCount = static_cast<int>(count / 3);
    SAFEARRAY* psa = create(vt, {{static_cast<ULONG>(count), 0}});
    if (!psa) return nullptr;
    for (size_t i = 0; i < count; ++i) {
        if (vt == VT_R4) put(psa, i, input.rare(128) ? hostileFloat(input) : 0.5f);
        else if (vt == VT_R8) put(psa, i, input.rare(128) ? hostileDouble(input) : 0.5);
        else put(psa, i, hostileInt(input));
    }
    return psa;
}

SAFEARRAY* large(FuzzInput& input, ArrayUse use, ArrayPlan& plan) {
    const int units = input.between(1000, 10000);
    switch (use) {
        case ArrayUse::Vertices: {
            plan.vertexCount = units;
            return withBounds(input, VT_R4, {{static_cast<ULONG>(3 * units), 0}});
        }
        case ArrayUse::Faces: {
            std::vector<int> list;
            for (int f = 0; f < units; ++f)
                list.insert(list.end(), {3, f % std::max(plan.vertexCount, 1), 0, 0, 0, 0, 0});
            list.push_back(0);
            return vectorOf(VT_I4, list);
        }
        default: return withBounds(input, elementTypeOf(use), {{static_cast<ULONG>(units), 0}});
    }
}

SAFEARRAY* transformOfWrongLength(FuzzInput& input) {
    static constexpr ULONG kLengths[] = {0, 1, 11, 13, 16, 9};
    return withBounds(input, VT_R8, {{oneOf(input, kLengths), 0}});
}

}  // namespace

SAFEARRAY* wellFormedArray(FuzzInput& input, ArrayUse use, ArrayPlan& plan) {
    switch (use) {
        case ArrayUse::Vertices: return vectorOf(VT_R4, vertexFloats(input, plan));
        case ArrayUse::Normals: return vectorOf(VT_R4, normalFloats(input, plan));
        case ArrayUse::Faces: return vectorOf(VT_I4, faceList(input, plan));
        case ArrayUse::Lines: return vectorOf(VT_I4, linePairs(input, plan));
        case ArrayUse::Transform: return vectorOf(VT_R8, transformValues(input));
        case ArrayUse::Handles: return vectorOf(VT_I4, handleValues(input, plan));
        case ArrayUse::Any: return withBounds(input, VT_R4, {{3, 0}});
    }
    return nullptr;
}

SAFEARRAY* hostileArray(FuzzInput& input, ArrayUse use, ArrayPlan& plan) {
    const VARTYPE vt = elementTypeOf(use);
    const ULONG small = static_cast<ULONG>(input.between(1, 8));
    const int shape = static_cast<int>(input.below(14));
    switch (shape) {
        case 0: return nullptr;
        case 1: return wrongElementType(input, use);
        case 2: return withBounds(input, vt, {{small, 0}, {static_cast<ULONG>(input.between(1, 6)), 0}});
        case 3: return withBounds(input, vt, {{3, 0}, {0, 0}});
        case 4: return withBounds(input, vt, {{small, 1}, {2, -1}, {small, 0}});
        case 5: return withBounds(input, vt, {{small, INT32_MAX - input.between(0, 3)}});
        case 6: return withBounds(input, vt, {{input.rare(128) ? small : 0, INT32_MIN}});
        case 7: return withBounds(input, vt, {{small, -5}});
        case 8: return withBounds(input, vt, {{0, 0}});
        case 9: return withBounds(input, vt, {{small, 0}});
        case 10: return extremeContent(input, use, plan);
        case 11: return use == ArrayUse::Transform ? transformOfWrongLength(input) : lyingFaces(input, plan);
        case 12: return large(input, use, plan);
        default: {
            std::vector<int> odd = {0, -1, INT_MAX, INT_MIN, static_cast<int>(input.u32())};
            return vectorOf(VT_I4, odd, input.rare(128) ? 7 : 0);
        }
    }
}

}  // namespace pelmora::fuzz
