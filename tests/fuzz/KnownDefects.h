// Argument shapes of defects that are known and still open. A run may leave
// any of them out (--avoid NAME,... or --avoid-known-defects) to get past
// them to what lies behind; by default every shape is generated.
#pragma once

#include <cstdint>
#include <string>

namespace pelmora::fuzz {

enum class KnownDefect : unsigned {
    PresentRectangle,  // present rectangles at the ends of the 32-bit range overflow
    ArrayBounds,       // array bounds whose element count overflows 32 bits
    EmptyDimension,    // an empty second dimension is read by the first one's count
    NameAsBstr,        // GetIDsOfNames reads plain wide strings as BSTRs
    SharedScene,       // a mesh drawn by two contexts keeps buffers of a released device
    NullFaceList,      // a facet source's null face list is read
    ReentrantRelease,  // a mesh released from inside its own refinement
    DanglingSource,    // a provider source read after its context is released
    NullReference,     // Invoke follows null by-reference pointers
    HandleRevival,     // released handles name new objects after a few hundred creations
    ForeignViewport,   // a viewport of another context reaches this one's device
    UnbalancedUnlock,  // an extra LockServer(FALSE) lets the module unload under a context
    Count
};

class KnownDefectSet {
public:
    static KnownDefectSet all();
    // A comma-separated list of names ("all" for every one); false for a
    // name that is not known.
    static bool parse(const std::string& list, KnownDefectSet* set);
    static const char* nameOf(KnownDefect defect);
    static std::string names();

    bool has(KnownDefect defect) const { return bits_ & bit(defect); }
    void add(KnownDefect defect) { bits_ |= bit(defect); }

private:
    static uint32_t bit(KnownDefect defect) { return 1u << static_cast<unsigned>(defect); }
    uint32_t bits_ = 0;
};

}  // namespace pelmora::fuzz
