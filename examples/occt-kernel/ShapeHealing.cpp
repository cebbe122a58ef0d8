#include "ShapeHealing.h"

#include <Interface_Static.hxx>
#include <Message_ProgressRange.hxx>
#include <Resource_Manager.hxx>
#include <ShapeProcess_ShapeContext.hxx>
#include <STEPControl_Controller.hxx>
#include <Standard_Failure.hxx>
#include <TopExp_Explorer.hxx>
#include <TopTools_DataMapOfShapeShape.hxx>
#include <Transfer_TransientProcess.hxx>
#include <XSAlgo.hxx>
#include <XSAlgo_AlgoContainer.hxx>

#include <cstring>
#include <thread>

namespace pelmora::occt {

namespace {

constexpr const char* kResource = "read.step.resource.name";
constexpr const char* kSequence = "read.step.sequence";

std::mutex& translationLock() {
    static std::mutex lock;
    return lock;
}

// Open CASCADE (7.6) keeps one resource for every healing context: making
// a context reloads it unguarded, and a healing whose sequence the resource
// names writes its tolerances into it. So contexts are made one at a time,
// and such a healing runs alone; the built-in repair, used when the
// resource is not installed, shares nothing and runs on every core.
std::mutex& resourceLock() {
    static std::mutex lock;
    return lock;
}

const char* staticText(const char* name) {
    const char* value = Interface_Static::CVal(name);
    return value != nullptr ? value : name;
}

// A healing context for `shape`, made as the translator makes it; `lock`
// is left held when the healing must run alone.
Handle(ShapeProcess_ShapeContext) makeContext(const TopoDS_Shape& shape, std::unique_lock<std::mutex>& lock) {
    lock = std::unique_lock(resourceLock());
    Handle(ShapeProcess_ShapeContext) context = new ShapeProcess_ShapeContext(shape, staticText(kResource));
    context->SetDetalisation(TopAbs_EDGE);
    const TCollection_AsciiString sequence = TCollection_AsciiString(staticText(kSequence)) + ".exec.op";
    if (!context->ResourceManager()->Find(sequence.ToCString())) lock.unlock();
    return context;
}

// The translator's hook: the healing of the STEP translation on the
// thread that installed it is recorded and the shape handed back as made;
// every other caller (another translator, another thread's) heals as usual.
class RecordingContainer final : public XSAlgo_AlgoContainer {
public:
    explicit RecordingContainer(HealingTable* table) : table_(table), reader_(std::this_thread::get_id()) {}

    TopoDS_Shape ProcessShape(const TopoDS_Shape& shape, const Standard_Real precision,
                              const Standard_Real maxTolerance, const Standard_CString resource,
                              const Standard_CString sequence, Handle(Standard_Transient)& info,
                              const Message_ProgressRange& progress,
                              const Standard_Boolean nonManifold) const override {
        if (sequence == nullptr || std::strcmp(sequence, kSequence) != 0 ||
            std::this_thread::get_id() != reader_) {
            const std::lock_guard alone(resourceLock());
            return XSAlgo_AlgoContainer::ProcessShape(shape, precision, maxTolerance, resource, sequence, info,
                                                      progress, nonManifold);
        }
        info.Nullify();
        if (!shape.IsNull()) table_->record(shape, {precision, maxTolerance, nonManifold != 0});
        return shape;
    }

    // Nothing was changed, so the translation's map stays as it is.
    void MergeTransferInfo(const Handle(Transfer_TransientProcess)& process, const Handle(Standard_Transient)& info,
                           const Standard_Integer startItem) const override {
        if (!info.IsNull()) XSAlgo_AlgoContainer::MergeTransferInfo(process, info, startItem);
    }

private:
    HealingTable* table_;
    std::thread::id reader_;
};

// The colours of a healed shape's faces: a face the healing replaced (or
// split) passes its colour on, one it left keeps it.
FaceColors followFaces(const FaceColors& colors, const TopoDS_Shape& healed,
                       const Handle(ShapeProcess_ShapeContext)& context) {
    FaceColors moved;
    if (!context.IsNull())
        for (TopTools_DataMapIteratorOfDataMapOfShapeShape it(context->Map()); it.More(); it.Next()) {
            const auto found = colors.find(it.Key().TShape().get());
            if (found == colors.end()) continue;
            for (TopExp_Explorer e(it.Value(), TopAbs_FACE); e.More(); e.Next())
                moved[e.Current().TShape().get()] = found->second;
        }
    // Only faces of the healed shape are kept: the others are gone, and
    // their addresses may be reused.
    FaceColors kept;
    for (TopExp_Explorer e(healed, TopAbs_FACE); e.More(); e.Next()) {
        const void* face = e.Current().TShape().get();
        const auto found = moved.find(face);
        if (found != moved.end()) kept[face] = found->second;
        else if (const auto own = colors.find(face); own != colors.end()) kept[face] = own->second;
    }
    return kept;
}

}  // namespace

void HealingTable::record(const TopoDS_Shape& made, const HealingTolerances& tolerances) {
    if (!first_) first_ = tolerances;
    byTShape_[made.TShape().get()] = tolerances;
    for (const TopAbs_ShapeEnum kind : {TopAbs_SOLID, TopAbs_SHELL})
        for (TopExp_Explorer e(made, kind); e.More(); e.Next()) byTShape_[e.Current().TShape().get()] = tolerances;
}

std::optional<HealingTolerances> HealingTable::find(const TopoDS_Shape& piece) const {
    const auto found = byTShape_.find(piece.TShape().get());
    return found == byTShape_.end() ? first_ : found->second;
}

HealingDeferral::HealingDeferral(HealingTable* table)
    : hold_(translationLock()), previous_(XSAlgo::AlgoContainer()) {
    XSAlgo::SetAlgoContainer(new RecordingContainer(table));
}

HealingDeferral::~HealingDeferral() { XSAlgo::SetAlgoContainer(previous_); }

void heal(OcctShape* shape) {
    if (!shape->healing) return;
    const HealingTolerances tolerances = *shape->healing;
    shape->healing.reset();
    try {
        // The translator's settings and healing operators, for a shape
        // that did not come from this process's STEP reader.
        static std::once_flag initialised;
        std::call_once(initialised, [] { STEPControl_Controller::Init(); });
        // A plain container: the global one may be recording another file's.
        const Handle(XSAlgo_AlgoContainer) healer = new XSAlgo_AlgoContainer;
        std::unique_lock<std::mutex> alone;
        Handle(Standard_Transient) info = makeContext(shape->shape, alone);
        const TopoDS_Shape healed =
            healer->ProcessShape(shape->shape, tolerances.precision, tolerances.maxTolerance, kResource,
                                 kSequence, info, Message_ProgressRange(), tolerances.nonManifold);
        if (healed.IsNull() || healed.IsSame(shape->shape)) return;
        shape->faceColors =
            followFaces(shape->faceColors, healed, Handle(ShapeProcess_ShapeContext)::DownCast(info));
        shape->shape = healed.Located(TopLoc_Location());
    } catch (const Standard_Failure&) {
        // The shape as read is what the file gives; it is shown as it is.
    }
}

}  // namespace pelmora::occt
