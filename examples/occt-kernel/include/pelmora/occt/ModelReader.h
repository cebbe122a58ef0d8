// Reads a model file into a model (OcctBody.h): STEP (with the names,
// colours and assembly tree of its products), BREP and IGES, told apart by extension or, failing that, by the
// file's first bytes. One body per solid; when the file holds no solid,
// one per shell (open ones drawn double-sided) and one for any faces
// outside shells. A STEP body takes its instance's, its solid's or its
// product's colour (the nearest one given), its faces coloured apart keep
// theirs, and repeated parts share one shape.
#pragma once

#include "OcctBody.h"

#include <functional>
#include <string>
#include <vector>

namespace pelmora::occt {

// Called as reading advances: what is being done ("reading" the file,
// "translating" it into shapes) and how far (0 to 1).
using Progress = std::function<void(const char* phase, double fraction)>;
// Asked at every progress point: false cancels the reading there. Either
// callback may be called from Open CASCADE's worker threads.
using Proceed = std::function<bool()>;

// False with a message (which names the file) for a file that cannot be
// read, that holds no surface geometry, or whose reading `proceed`
// cancelled ("reading <file> was cancelled").
bool readModel(const std::string& path, Model* model, std::string* error, const Progress& progress = {},
               const Proceed& proceed = {});

}  // namespace pelmora::occt
