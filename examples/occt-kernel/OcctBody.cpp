#include <pelmora/occt/OcctBody.h>

#include <BRepBndLib.hxx>
#include <Bnd_Box.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <Message_Printer.hxx>

#include <cmath>

namespace occtkernel {

void measure(OcctBody* body) {
    Bnd_Box box;
    // From the geometry, not from a tessellation: none exists yet, and the
    // exact box keeps fitted views tight on curved parts.
    BRepBndLib::AddOptimal(body->shape, box, false, false);
    body->size = 0.0;
    if (box.IsVoid()) return;
    double x0, y0, z0, x1, y1, z1;
    box.Get(x0, y0, z0, x1, y1, z1);
    body->min = {x0, y0, z0};
    body->max = {x1, y1, z1};
    body->size = std::sqrt((x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0) + (z1 - z0) * (z1 - z0));
}

void quietOcctMessages() {
    for (const Handle(Message_Printer)& printer : Message::DefaultMessenger()->Printers())
        printer->SetTraceLevel(Message_Fail);
}

}  // namespace occtkernel
