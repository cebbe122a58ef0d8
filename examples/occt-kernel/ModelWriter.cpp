#include <pelmora/occt/ModelWriter.h>

#include <pelmora/occt/OcctBody.h>

#include <STEPCAFControl_Writer.hxx>
#include <Standard_Failure.hxx>
#include <TDataStd_Name.hxx>
#include <TDocStd_Document.hxx>
#include <XCAFApp_Application.hxx>
#include <XCAFDoc_DocumentTool.hxx>
#include <XCAFDoc_ShapeTool.hxx>

namespace occtkernel {

bool writeStep(const std::string& path, const std::vector<NamedPart>& parts, std::string* error) {
    quietOcctMessages();
    Handle(XCAFApp_Application) application = XCAFApp_Application::GetApplication();
    Handle(TDocStd_Document) document;
    application->NewDocument("MDTV-XCAF", document);
    bool written = false;
    try {
        Handle(XCAFDoc_ShapeTool) tool = XCAFDoc_DocumentTool::ShapeTool(document->Main());
        for (const NamedPart& part : parts) {
            const TDF_Label label = tool->AddShape(part.shape, Standard_False);
            TDataStd_Name::Set(label, TCollection_ExtendedString(part.name.c_str(), Standard_True));
        }
        STEPCAFControl_Writer writer;
        written = writer.Transfer(document, STEPControl_AsIs) &&
                  writer.Write(path.c_str()) == IFSelect_RetDone;
        if (!written) *error = "cannot write " + path;
    } catch (const Standard_Failure& failure) {
        *error = path + ": " + failure.GetMessageString();
    }
    application->Close(document);
    return written;
}

}  // namespace occtkernel
