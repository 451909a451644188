#pragma once
// The program's busy mark. It is set while something long runs that lets the
// event loop turn now and then (a job opening, a save, a loop with a progress
// bar, the folder scan): while it is set, work that would change the job under
// that operation (the automatic save, closing the window) waits. Used on the
// user-interface thread only.

namespace zb {

class BusyMark {
public:
    // Sets the mark for the lifetime of the object; scopes nest.
    class Scope {
    public:
        Scope();
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    };

    static bool isSet();
};

}  // namespace zb
