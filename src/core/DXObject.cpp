#include "core/DXObject.h"

#include "core/HandleTable.h"

namespace pelmora {

DXObject::~DXObject() {
    if (handle_ != 0) HandleTable::instance().retire(handle_, this);
}

}  // namespace pelmora
