#include <pelmora/occt/ModelWriter.h>

#include <pelmora/occt/OcctBody.h>

#include <STEPCAFControl_Writer.hxx>
#include <Standard_Failure.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFApp_Application.hxx>
#include <Quantity_ColorRGBA.hxx>
#include <XCAFDoc_ColorTool.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

#include <map>

namespace pelmora::occt {

namespace {

Quantity_ColorRGBA rgba(int color) {
    const auto channel = [color](int shift) { return float((unsigned(color) >> shift) & 0xFFu) / 255.0f; };
    Quantity_Color rgb(channel(16), channel(8), channel(0), Quantity_TOC_sRGB);
    return Quantity_ColorRGBA(rgb, channel(24));
}

void setName(const TDF_Label& label, const std::string& name) {
    TDataStd_Name::Set(label, TCollection_ExtendedString(name.c_str(), Standard_True));
}

// The product of a part's shape (without its location), made at its first
// placement with its name and colours.
TDF_Label productOf(const Handle(XCAFDoc_ShapeTool)& shapes, const Handle(XCAFDoc_ColorTool)& colors,
                    const NamedPart& part, std::map<const void*, TDF_Label>* products) {
    const auto known = products->find(part.shape.TShape().get());
    if (known != products->end()) return known->second;
    const TDF_Label product = shapes->AddShape(part.shape.Located(TopLoc_Location()), Standard_False);
    setName(product, part.name);
    if (part.color != 0) colors->SetColor(product, rgba(part.color), XCAFDoc_ColorSurf);
    for (const auto& [face, color] : part.faceColors) {
        const TDF_Label sub = shapes->AddSubShape(product, face.Located(TopLoc_Location()));
        if (!sub.IsNull()) colors->SetColor(sub, rgba(color), XCAFDoc_ColorSurf);
    }
    (*products)[part.shape.TShape().get()] = product;
    return product;
}

}  // namespace

bool writeStep(const std::string& path, const std::vector<NamedPart>& parts, std::string* error) {
    quietOcctMessages();
    Handle(XCAFApp_Application) application = XCAFApp_Application::GetApplication();
    Handle(TDocStd_Document) document;
    application->NewDocument("MDTV-XCAF", document);
    bool written = false;
    try {
        Handle(XCAFDoc_ShapeTool) shapes = XCAFDoc_DocumentTool::ShapeTool(document->Main());
        Handle(XCAFDoc_ColorTool) colors = XCAFDoc_DocumentTool::ColorTool(document->Main());
        // Parts each at their own coordinates are free products; once one
        // is placed or repeated, all are instances in one assembly.
        std::map<const void*, TDF_Label> products;
        bool placed = false;
        for (const NamedPart& part : parts) {
            placed = placed || !part.shape.Location().IsIdentity() || products.count(part.shape.TShape().get());
            productOf(shapes, colors, part, &products);
        }
        if (placed) {
            const TDF_Label assembly = shapes->NewShape();
            setName(assembly, "Assembly");
            for (const NamedPart& part : parts)
                shapes->AddComponent(assembly, products[part.shape.TShape().get()], part.shape.Location());
            shapes->UpdateAssemblies();
        }
        STEPCAFControl_Writer writer;
        written = writer.Transfer(document, STEPControl_AsIs) && writer.Write(path.c_str()) == IFSelect_RetDone;
        if (!written) *error = "cannot write " + path;
    } catch (const Standard_Failure& failure) {
        *error = path + ": " + failure.GetMessageString();
    }
    application->Close(document);
    return written;
}

}  // namespace pelmora::occt
