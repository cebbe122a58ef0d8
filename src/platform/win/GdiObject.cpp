#include "platform/win/GdiObject.h"

namespace pelmora::win {

HandleSlots<GdiObject>& gdiObjects() {
    // Never destroyed: objects released during static destruction still find their table.
    static auto* table = new HandleSlots<GdiObject>(HandleTag::GdiObject);
    return *table;
}

std::mutex& gdiSelectionMutex() {
    static auto* mutex = new std::mutex();
    return *mutex;
}

}  // namespace pelmora::win
