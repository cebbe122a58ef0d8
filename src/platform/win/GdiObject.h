// The common base of bitmaps and device contexts, and the one table that
// issues their handles: a bitmap handle passed where a context is expected
// (or the reverse) resolves to nothing.
#pragma once

#include "platform/win/HandleSlots.h"

#include <memory>
#include <mutex>

namespace pelmora::win {

class GdiObject {
public:
    virtual ~GdiObject() = default;

protected:
    GdiObject() = default;
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
};

HandleSlots<GdiObject>& gdiObjects();

// The object a handle names when it is of type T, else null.
template <class T>
std::shared_ptr<T> findGdiObject(int handle) {
    return std::dynamic_pointer_cast<T>(gdiObjects().find(handle));
}

// Held while a bitmap's selection into a context changes or is checked.
std::mutex& gdiSelectionMutex();

}  // namespace pelmora::win
