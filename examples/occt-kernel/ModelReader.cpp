#include <pelmora/occt/ModelReader.h>

#include "ReadWatch.h"
#include "ShapeHealing.h"

#include <BRepTools.hxx>
#include <BRep_Builder.hxx>
#include <IGESControl_Reader.hxx>
#include <STEPCAFControl_Reader.hxx>
#include <Standard_Failure.hxx>
#include <TDF_LabelSequence.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <XCAFApp_Application.hxx>
#include <Quantity_ColorRGBA.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <istream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pelmora::occt {

namespace {

enum class Format { Step, Brep, Iges, Unknown };

// A part of the model as the file names it, placed in the world.
struct NamedShape {
    TopoDS_Shape shape;
    std::string name;
    int color = 0;             // its instance's or product's, else its assembly's
    FaceColors faceColors;     // its faces coloured apart
    FaceColors pieceColors;    // its solids and shells coloured apart
    int node = -1;             // its node in the model's tree
};

Format formatOf(const std::string& path, const std::string& head) {
    std::string extension = path.substr(std::min(path.size(), path.rfind('.') + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (extension == "step" || extension == "stp") return Format::Step;
    if (extension == "brep" || extension == "brp") return Format::Brep;
    if (extension == "iges" || extension == "igs") return Format::Iges;
    if (head.find("ISO-10303-21") != std::string::npos) return Format::Step;
    if (head.find("CASCADE Topology") != std::string::npos) return Format::Brep;
    if (head.size() >= 73 && head[72] == 'S') return Format::Iges;  // the start-section column
    return Format::Unknown;
}

std::string nameOf(const TDF_Label& label) {
    Handle(TDataStd_Name) name;
    if (!label.FindAttribute(TDataStd_Name::GetID(), name)) return {};
    return TCollection_AsciiString(name->Get()).ToCString();  // UTF-8
}

// 0xAARRGGBB from the document's colour (surface colour first), 0 for none.
int colorOf(const Handle(XCAFDoc_ColorTool)& colors, const TDF_Label& label) {
    Quantity_ColorRGBA rgba;
    if (!colors->GetColor(label, XCAFDoc_ColorSurf, rgba) && !colors->GetColor(label, XCAFDoc_ColorGen, rgba))
        return 0;
    double r = 0, g = 0, b = 0;
    // The file's values, as the document turned them into linear ones.
    rgba.GetRGB().Values(r, g, b, Quantity_TOC_sRGB);
    const auto byte = [](double value) { return unsigned(std::lround(std::clamp(value, 0.0, 1.0) * 255.0)); };
    // At least 1 of alpha: 0 means "no colour".
    const unsigned alpha = std::max(1u, byte(rgba.Alpha()));
    return int(alpha << 24 | byte(r) << 16 | byte(g) << 8 | byte(b));
}

// The colours of a part's faces, solids and shells given apart from it.
void collectSubShapeColors(const Handle(XCAFDoc_ColorTool)& colors, const TDF_Label& part, NamedShape* out) {
    TDF_LabelSequence subShapes;
    XCAFDoc_ShapeTool::GetSubShapes(part, subShapes);
    for (const TDF_Label& sub : subShapes) {
        const int color = colorOf(colors, sub);
        const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(sub);
        if (color == 0 || shape.IsNull()) continue;
        if (shape.ShapeType() == TopAbs_FACE) out->faceColors[shape.TShape().get()] = color;
        else if (shape.ShapeType() == TopAbs_SOLID || shape.ShapeType() == TopAbs_SHELL)
            out->pieceColors[shape.TShape().get()] = color;
    }
}

int addNode(Model* model, ModelNode node) {
    const int index = int(model->nodes.size());
    if (node.parent >= 0) model->nodes[size_t(node.parent)].children.push_back(index);
    model->nodes.push_back(std::move(node));
    return index;
}

// What a label's walk hands down to the labels under it.
struct Placed {
    TopLoc_Location location;  // the world placement so far
    int color = 0;             // the nearest colour above
    int node = -1;             // the parent node
    std::string name;          // the nearest name above
};

// The simple shapes under a label, each placed by the locations of the
// assembly components above it, named after its product and coloured by
// the nearest colour: the instance's, the product's, an assembly's above.
void collectParts(const Handle(XCAFDoc_ColorTool)& colors, const TDF_Label& label, const Placed& above,
                  Model* model, std::vector<NamedShape>* parts) {
    TDF_Label part = label;
    TopLoc_Location relative;
    int instanceColor = 0;
    if (XCAFDoc_ShapeTool::IsReference(label)) {
        XCAFDoc_ShapeTool::GetReferredShape(label, part);
        relative = XCAFDoc_ShapeTool::GetLocation(label);
        instanceColor = colorOf(colors, label);
    }
    Placed here{above.location * relative, instanceColor, 0, nameOf(part)};
    if (here.color == 0) here.color = colorOf(colors, part);
    if (here.color == 0) here.color = above.color;
    if (here.name.empty()) here.name = nameOf(label);
    if (here.name.empty()) here.name = above.name;
    here.node = addNode(model, {here.name, here.color, relative.Transformation(), above.node, -1, {}});
    if (XCAFDoc_ShapeTool::IsAssembly(part)) {
        TDF_LabelSequence components;
        XCAFDoc_ShapeTool::GetComponents(part, components);
        for (const TDF_Label& component : components) collectParts(colors, component, here, model, parts);
        return;
    }
    const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(part);
    if (shape.IsNull()) return;
    NamedShape named{shape.Moved(here.location), here.name, here.color, {}, {}, here.node};
    collectSubShapeColors(colors, part, &named);
    // An instance's own colour is over all of its part.
    if (instanceColor != 0) named.pieceColors.clear();
    parts->push_back(std::move(named));
}

bool parseStep(const std::string& path, STEPCAFControl_Reader* reader, ReadWatch* watch) {
    struct stat info {};
    WatchedFile file(watch, stat(path.c_str(), &info) == 0 ? double(info.st_size) : 0.0);
    if (!file.open(path, std::ios::in | std::ios::binary)) return false;
    std::istream in(&file);
    return reader->ChangeReader().ReadStream(path.c_str(), in) == IFSelect_RetDone && !watch->cancelled();
}

bool readStep(const std::string& path, Model* model, std::vector<NamedShape>* parts, HealingTable* healing,
              ReadWatch* watch) {
    STEPCAFControl_Reader reader;
    reader.SetNameMode(true);
    reader.SetColorMode(true);
    // What the viewer never shows is not translated.
    reader.SetLayerMode(false);
    reader.SetPropsMode(false);
    reader.SetGDTMode(false);
    reader.SetMatMode(false);
    reader.SetViewMode(false);
    if (!watch->report("reading", 0.0) || !parseStep(path, &reader, watch)) return false;
    Handle(XCAFApp_Application) application = XCAFApp_Application::GetApplication();
    Handle(TDocStd_Document) document;
    application->NewDocument("MDTV-XCAF", document);
    OcctProgress translating(watch, "translating");
    bool transferred = false;
    {
        // Healed shape by shape later, as the kernel meshes them.
        HealingDeferral deferral(healing);
        transferred = reader.Transfer(document, translating.start()) && !watch->cancelled();
    }
    if (transferred) {
        Handle(XCAFDoc_ShapeTool) tool = XCAFDoc_DocumentTool::ShapeTool(document->Main());
        Handle(XCAFDoc_ColorTool) colors = XCAFDoc_DocumentTool::ColorTool(document->Main());
        TDF_LabelSequence roots;
        tool->GetFreeShapes(roots);
        for (const TDF_Label& root : roots) collectParts(colors, root, Placed{}, model, parts);
    }
    application->Close(document);
    return transferred;
}

bool readBrep(const std::string& path, std::vector<NamedShape>* parts, ReadWatch* watch) {
    TopoDS_Shape shape;
    BRep_Builder builder;
    OcctProgress reading(watch, "reading");
    if (!BRepTools::Read(shape, path.c_str(), builder, reading.start()) || shape.IsNull() || watch->cancelled())
        return false;
    parts->push_back({shape, "", 0, {}, {}, -1});
    return true;
}

bool readIges(const std::string& path, std::vector<NamedShape>* parts, ReadWatch* watch) {
    IGESControl_Reader reader;
    if (!watch->report("reading", 0.0) || reader.ReadFile(path.c_str()) != IFSelect_RetDone) return false;
    OcctProgress translating(watch, "translating");
    reader.TransferRoots(translating.start());
    if (watch->cancelled()) return false;
    parts->push_back({reader.OneShape(), "", 0, {}, {}, -1});
    return !parts->back().shape.IsNull();
}

bool hasSolid(const TopoDS_Shape& shape) { return TopExp_Explorer(shape, TopAbs_SOLID).More(); }

// Adds one body per piece, numbering the pieces of a part that has several;
// the part's node is the body's, or holds a node per body.
void addPieces(const std::vector<TopoDS_Shape>& pieces, const NamedShape& part, const char* kind, bool open,
               const HealingTable& healing, Model* model) {
    for (size_t i = 0; i < pieces.size(); ++i) {
        std::string name;
        if (part.name.empty()) name = std::string(kind) + " " + std::to_string(model->bodies.size() + 1);
        else name = pieces.size() == 1 ? part.name : part.name + " " + std::to_string(i + 1);
        const auto own = part.pieceColors.find(pieces[i].TShape().get());
        const int color = own == part.pieceColors.end() ? part.color : own->second;
        const int body =
            model->addBody(pieces[i], name, open, color, part.faceColors, healing.find(pieces[i]));
        if (part.node >= 0 && pieces.size() == 1) {
            model->nodes[size_t(part.node)].body = body;
            continue;
        }
        const gp_Trsf partPlacement = part.shape.Location().Transformation();
        addNode(model, {name, color, partPlacement.Inverted() * pieces[i].Location().Transformation(), part.node,
                        body, {}});
    }
}

void bodiesFromPart(const NamedShape& part, bool solids, const HealingTable& healing, Model* model) {
    std::vector<TopoDS_Shape> pieces;
    if (solids) {
        for (TopExp_Explorer e(part.shape, TopAbs_SOLID); e.More(); e.Next()) pieces.push_back(e.Current());
        addPieces(pieces, part, "Solid", false, healing, model);
        return;
    }
    for (TopExp_Explorer e(part.shape, TopAbs_SHELL); e.More(); e.Next()) pieces.push_back(e.Current());
    // Faces outside any shell travel together as one more surface body.
    TopoDS_Compound looseFaces;
    BRep_Builder builder;
    builder.MakeCompound(looseFaces);
    bool anyLoose = false;
    for (TopExp_Explorer e(part.shape, TopAbs_FACE, TopAbs_SHELL); e.More(); e.Next(), anyLoose = true)
        builder.Add(looseFaces, e.Current());
    if (anyLoose) pieces.push_back(looseFaces);
    addPieces(pieces, part, "Shell", true, healing, model);
}

// The file's first bytes. Only regular files are read: a FIFO would block
// the reader until some writer came (or forever), and a device or a
// directory holds no model. The descriptor opens without blocking so that
// the check itself cannot hang.
std::string fileHead(const std::string& path, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = "cannot open " + path + ": " + std::strerror(errno);
        return {};
    }
    struct stat info {};
    std::string head(512, '\0');
    ssize_t got = 0;
    if (fstat(fd, &info) != 0) *error = "cannot open " + path + ": " + std::strerror(errno);
    else if (S_ISDIR(info.st_mode)) *error = path + " is a directory";
    else if (!S_ISREG(info.st_mode)) *error = path + " is not a regular file";
    else if ((got = ::read(fd, head.data(), head.size())) < 0)
        *error = "cannot read " + path + ": " + std::strerror(errno);
    else if (got == 0) *error = path + " is empty";
    ::close(fd);
    head.resize(got > 0 ? size_t(got) : 0);
    return head;
}

// The parts of a file; false with a message.
bool readParts(const std::string& path, Format format, Model* model, std::vector<NamedShape>* parts,
               HealingTable* healing, std::string* error, ReadWatch* watch) {
    static const char* const names[] = {"STEP", "BREP", "IGES"};
    bool read = false;
    switch (format) {
        case Format::Step: read = readStep(path, model, parts, healing, watch); break;
        case Format::Brep: read = readBrep(path, parts, watch); break;
        case Format::Iges: read = readIges(path, parts, watch); break;
        case Format::Unknown:
            *error = path + " is neither a STEP, a BREP nor an IGES file";
            return false;
    }
    if (watch->cancelled()) *error = "reading " + path + " was cancelled";
    else if (!read) *error = path + " could not be read as a " + names[int(format)] + " file";
    return read;
}

}  // namespace

bool readModel(const std::string& path, Model* model, std::string* error, const Progress& progress,
               const Proceed& proceed) {
    *model = Model{};
    error->clear();
    quietOcctMessages();
    const std::string head = fileHead(path, error);
    if (!error->empty()) return false;
    std::vector<NamedShape> parts;
    HealingTable healing;
    // Measuring the bodies meets malformed geometry too (a vertex at
    // infinity): it fails like the translator, with a message.
    try {
        ReadWatch watch(progress, proceed);
        if (!readParts(path, formatOf(path, head), model, &parts, &healing, error, &watch)) return false;
        const bool solids = std::any_of(parts.begin(), parts.end(),
                                        [](const NamedShape& part) { return hasSolid(part.shape); });
        for (const NamedShape& part : parts) bodiesFromPart(part, solids, healing, model);
    } catch (const Standard_Failure& failure) {
        *model = Model{};
        *error = path + ": " + failure.GetMessageString();
        return false;
    }
    if (model->bodies.empty()) {
        *error = path + " holds no solids or surfaces to show";
        return false;
    }
    return true;
}

}  // namespace pelmora::occt
