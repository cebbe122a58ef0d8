// Every handle a fuzz run has seen: what it named, whether it still lives,
// and which context made it. Arguments draw live handles of the wanted kind
// from it, and released or foreign ones when they mean to be hostile.
#pragma once

#include <cstddef>
#include <vector>

namespace pelmora::fuzz {

class FuzzInput;

enum class Kind : char {
    Frame = 'f',
    Visual = 'v',
    Viewport = 'p',
    Provider = 'X',
    Window = 'w',
    Bitmap = 'm',
    DeviceContext = 'd',
    Factory = 'k',
};

class HandlePool {
public:
    struct Record {
        int handle;
        Kind kind;
        int owner;  // the context slot that made it, -1 for host-made handles
        bool live;
    };

    void add(int handle, Kind kind, int owner);
    // Marks the handle released (it stays in the pool as a stale handle).
    void release(int handle);
    // Marks everything a context owned released: its scene objects and its
    // mesh provider. Viewports outlive their context.
    void releaseOwnedBy(int owner);

    // A live handle of the kind, preferring the given owner when there is
    // one; 0 when none lives.
    int pick(FuzzInput& input, Kind kind, int preferredOwner = -1) const;
    // A live scene object of any kind (frame, visual, viewport), or 0.
    int pickObject(FuzzInput& input) const;
    // Any handle ever seen, live or not; 0 when the pool is empty.
    int pickAny(FuzzInput& input) const;
    int pickStale(FuzzInput& input) const;

    const std::vector<Record>& records() const { return records_; }
    std::vector<int> live(Kind kind) const;

private:
    template <class Match>
    int pickWhere(FuzzInput& input, Match match) const;

    std::vector<Record> records_;
};

}  // namespace pelmora::fuzz
