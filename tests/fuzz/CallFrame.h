// What one operation call needs while its arguments are made, passed and
// taken back: the input, whether arguments may be hostile, the arrays' plan,
// and everything to free once the call is over.
#pragma once

#include "FuzzInput.h"
#include "FuzzSession.h"
#include "HostileValues.h"

#include <functional>
#include <vector>

namespace pelmora::fuzz {

class CallFrame {
public:
    CallFrame(FuzzSession& session, bool hostile)
        : session(session), input(session.input()), hostile_(hostile) {}
    ~CallFrame() {
        for (auto it = cleanups_.rbegin(); it != cleanups_.rend(); ++it) (*it)();
    }
    CallFrame(const CallFrame&) = delete;
    CallFrame& operator=(const CallFrame&) = delete;

    // True when the next argument (or its passing) is to be hostile.
    bool hostileArgument() { return hostile_ && input.rare(72); }

    // A heap copy that lives until the call is over: by-reference storage
    // of exactly the type's size, so a write of the wrong width is caught.
    template <class T>
    T* keep(T value) {
        T* copy = new T(value);
        atEnd([copy] { delete copy; });
        return copy;
    }
    void atEnd(std::function<void()> cleanup) { cleanups_.push_back(std::move(cleanup)); }

    FuzzSession& session;
    FuzzInput& input;
    ArrayPlan arrays;

private:
    bool hostile_;
    std::vector<std::function<void()>> cleanups_;
};

}  // namespace pelmora::fuzz
