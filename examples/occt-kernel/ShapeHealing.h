// Open CASCADE's shape healing, made after a STEP file's translation rather
// than during it. The translator repairs every shape it makes before it
// hands it over, and those repairs are most of the translation's time;
// made later, they run a shape per core, only on the shapes a view shows,
// and a first picture can be drawn from the shapes as the file gives them.
// The document's colours are attached to the shapes as translated, and
// follow their faces through the repairs.
#pragma once

#include <pelmora/occt/OcctBody.h>

#include <Standard_Handle.hxx>
#include <TopoDS_Shape.hxx>

#include <mutex>
#include <optional>
#include <unordered_map>

class XSAlgo_AlgoContainer;

namespace pelmora::occt {

// The healing tolerances the translator meant for the shapes it made: by
// the TShape of each shape it made and of every solid and shell in it.
class HealingTable {
public:
    void record(const TopoDS_Shape& made, const HealingTolerances& tolerances);
    // A piece's tolerances (a shape the translator made, or a solid or
    // shell of one), else the first recorded; none when nothing was.
    std::optional<HealingTolerances> find(const TopoDS_Shape& piece) const;

private:
    std::unordered_map<const void*, HealingTolerances> byTShape_;
    std::optional<HealingTolerances> first_;
};

// While it lives, the STEP translation on this thread records its shapes'
// healing in `table` instead of making it. The translator's hook is global:
// the kernel's STEP translations take turns, and every other translation
// (another format, another thread's) heals as usual.
class HealingDeferral {
public:
    explicit HealingDeferral(HealingTable* table);
    ~HealingDeferral();
    HealingDeferral(const HealingDeferral&) = delete;
    HealingDeferral& operator=(const HealingDeferral&) = delete;

private:
    std::unique_lock<std::mutex> hold_;
    Handle(XSAlgo_AlgoContainer) previous_;
};

// Makes the healing left on a shape, if any, with the translator's own
// sequence and tolerances; its face colours follow their faces. A shape
// the healing fails on stays as read.
void heal(OcctShape* shape);

}  // namespace pelmora::occt
