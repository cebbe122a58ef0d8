// Reads a model file into bodies: STEP (with the product names of its
// parts), BREP and IGES, told apart by extension or, failing that, by the
// file's first bytes. One body per solid; when the file holds no solid,
// one per shell (open ones drawn double-sided) and one for any faces
// outside shells.
#pragma once

#include "OcctBody.h"

#include <functional>
#include <string>
#include <vector>

namespace occtkernel {

// Called as reading advances: what is being done ("reading" the file,
// "translating" it into shapes) and how far (0 to 1).
using Progress = std::function<void(const char* phase, double fraction)>;
// Asked at every progress point: false cancels the reading there. Either
// callback may be called from Open CASCADE's worker threads.
using Proceed = std::function<bool()>;

// False with a message (which names the file) for a file that cannot be
// read, that holds no surface geometry, or whose reading `proceed`
// cancelled ("reading <file> was cancelled").
bool readModel(const std::string& path, std::vector<OcctBody>* bodies, std::string* error,
               const Progress& progress = {}, const Proceed& proceed = {});

// Bodies from one shape, named "<name>" (numbered when there are several)
// or "Solid N" / "Shell N" without a name; false when it has no faces.
bool bodiesFromShape(const TopoDS_Shape& shape, std::vector<OcctBody>* bodies);

}  // namespace occtkernel
