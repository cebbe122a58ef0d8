// The root of every object a host holds a handle to. Its destructor retires
// the object's handle, so a released handle can never reach freed memory.
#pragma once

namespace pelmora {

class DXObject {
public:
    DXObject() = default;
    DXObject(const DXObject&) = delete;
    DXObject& operator=(const DXObject&) = delete;
    virtual ~DXObject();

    // The handle the host knows this object by; 0 until one is issued.
    int handle() const { return handle_; }

private:
    friend class HandleTable;
    int handle_ = 0;
};

}  // namespace pelmora
