#include <pelmora/occt/ModelReader.h>

#include "ReadWatch.h"

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
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <istream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace occtkernel {

namespace {

enum class Format { Step, Brep, Iges, Unknown };

// A part of the model as the file names it.
struct NamedShape {
    TopoDS_Shape shape;
    std::string name;
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

// The simple shapes under a label, each placed by the locations of the
// assembly components above it and named after its product.
void collectParts(const Handle(XCAFDoc_ShapeTool)& tool, const TDF_Label& label,
                  const TopLoc_Location& placement, const std::string& outerName,
                  std::vector<NamedShape>* parts) {
    TDF_Label part = label;
    TopLoc_Location location = placement;
    if (XCAFDoc_ShapeTool::IsReference(label)) {
        XCAFDoc_ShapeTool::GetReferredShape(label, part);
        location = placement * XCAFDoc_ShapeTool::GetLocation(label);
    }
    std::string name = nameOf(part);
    if (name.empty()) name = nameOf(label);
    if (name.empty()) name = outerName;
    if (XCAFDoc_ShapeTool::IsAssembly(part)) {
        TDF_LabelSequence components;
        XCAFDoc_ShapeTool::GetComponents(part, components);
        for (const TDF_Label& component : components) collectParts(tool, component, location, name, parts);
        return;
    }
    const TopoDS_Shape shape = XCAFDoc_ShapeTool::GetShape(part);
    if (!shape.IsNull()) parts->push_back({shape.Moved(location), name});
}

bool parseStep(const std::string& path, STEPCAFControl_Reader* reader, ReadWatch* watch) {
    struct stat info {};
    WatchedFile file(watch, stat(path.c_str(), &info) == 0 ? double(info.st_size) : 0.0);
    if (!file.open(path, std::ios::in | std::ios::binary)) return false;
    std::istream in(&file);
    return reader->ChangeReader().ReadStream(path.c_str(), in) == IFSelect_RetDone && !watch->cancelled();
}

bool readStep(const std::string& path, std::vector<NamedShape>* parts, ReadWatch* watch) {
    STEPCAFControl_Reader reader;
    reader.SetNameMode(true);
    if (!watch->report("reading", 0.0) || !parseStep(path, &reader, watch)) return false;
    Handle(XCAFApp_Application) application = XCAFApp_Application::GetApplication();
    Handle(TDocStd_Document) document;
    application->NewDocument("MDTV-XCAF", document);
    OcctProgress translating(watch, "translating");
    const bool transferred = reader.Transfer(document, translating.start()) && !watch->cancelled();
    if (transferred) {
        Handle(XCAFDoc_ShapeTool) tool = XCAFDoc_DocumentTool::ShapeTool(document->Main());
        TDF_LabelSequence roots;
        tool->GetFreeShapes(roots);
        for (const TDF_Label& root : roots) collectParts(tool, root, TopLoc_Location(), "", parts);
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
    parts->push_back({shape, ""});
    return true;
}

bool readIges(const std::string& path, std::vector<NamedShape>* parts, ReadWatch* watch) {
    IGESControl_Reader reader;
    if (!watch->report("reading", 0.0) || reader.ReadFile(path.c_str()) != IFSelect_RetDone) return false;
    OcctProgress translating(watch, "translating");
    reader.TransferRoots(translating.start());
    if (watch->cancelled()) return false;
    parts->push_back({reader.OneShape(), ""});
    return !parts->back().shape.IsNull();
}

bool hasSolid(const TopoDS_Shape& shape) { return TopExp_Explorer(shape, TopAbs_SOLID).More(); }

// Adds one body per piece, numbering the pieces of a part that has several.
void addPieces(const std::vector<TopoDS_Shape>& pieces, const std::string& name, const char* kind,
               bool open, std::vector<OcctBody>* bodies) {
    for (size_t i = 0; i < pieces.size(); ++i) {
        OcctBody body;
        body.shape = pieces[i];
        body.open = open;
        if (name.empty()) body.name = std::string(kind) + " " + std::to_string(bodies->size() + 1);
        else body.name = pieces.size() == 1 ? name : name + " " + std::to_string(i + 1);
        measure(&body);
        bodies->push_back(std::move(body));
    }
}

void bodiesFromPart(const NamedShape& part, bool solids, std::vector<OcctBody>* bodies) {
    std::vector<TopoDS_Shape> pieces;
    if (solids) {
        for (TopExp_Explorer e(part.shape, TopAbs_SOLID); e.More(); e.Next()) pieces.push_back(e.Current());
        addPieces(pieces, part.name, "Solid", false, bodies);
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
    addPieces(pieces, part.name, "Shell", true, bodies);
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
bool readParts(const std::string& path, Format format, std::vector<NamedShape>* parts, std::string* error,
               ReadWatch* watch) {
    static const char* const names[] = {"STEP", "BREP", "IGES"};
    bool read = false;
    switch (format) {
        case Format::Step: read = readStep(path, parts, watch); break;
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

bool bodiesFromShape(const TopoDS_Shape& shape, std::vector<OcctBody>* bodies) {
    const size_t before = bodies->size();
    bodiesFromPart({shape, ""}, hasSolid(shape), bodies);
    return bodies->size() > before;
}

bool readModel(const std::string& path, std::vector<OcctBody>* bodies, std::string* error,
               const Progress& progress, const Proceed& proceed) {
    bodies->clear();
    error->clear();
    quietOcctMessages();
    const std::string head = fileHead(path, error);
    if (!error->empty()) return false;
    std::vector<NamedShape> parts;
    // Measuring the bodies meets malformed geometry too (a vertex at
    // infinity): it fails like the translator, with a message.
    try {
        ReadWatch watch(progress, proceed);
        if (!readParts(path, formatOf(path, head), &parts, error, &watch)) return false;
        const bool solids = std::any_of(parts.begin(), parts.end(),
                                        [](const NamedShape& part) { return hasSolid(part.shape); });
        for (const NamedShape& part : parts) bodiesFromPart(part, solids, bodies);
    } catch (const Standard_Failure& failure) {
        bodies->clear();
        *error = path + ": " + failure.GetMessageString();
        return false;
    }
    if (bodies->empty()) {
        *error = path + " holds no solids or surfaces to show";
        return false;
    }
    return true;
}

}  // namespace occtkernel
