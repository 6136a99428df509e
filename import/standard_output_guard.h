#pragma once
// Keeps standard output for the program's own results while a library may print on it.
//
// Some of the scene-graph library's reader plug-ins (Collada, DXF, …) write their complaints
// straight to the process's standard output, below its notification handler. While a guard
// lives, file descriptor 1 points at standard error; the previous descriptor comes back when
// it ends. C and C++ streams are flushed on both edges, so nothing written before lands after,
// or the other way round. Guards nest.

namespace mw {

class StandardOutputToError {
public:
    StandardOutputToError();
    ~StandardOutputToError();
    StandardOutputToError(const StandardOutputToError&) = delete;
    StandardOutputToError& operator=(const StandardOutputToError&) = delete;

private:
    int saved_ = -1;  // the descriptor standard output had, or -1 when it could not be moved
};

}  // namespace mw
