// ReadWatch: what a line reader tells whoever runs it while it reads its input. It is told of
// every block the reader took from the input, and, while a read waits for input that has not
// come (a pipe or FIFO whose writer is silent), again about every kWaitTickMs; both on the
// thread that reads the lines, so a window that runs the reader can serve its events there. Its
// answer says whether to go on: a read that waits ends, failing as stopped, once it is no.
#pragma once

#include <cstdint>

namespace lathwell {

class ReadWatch {
public:
    // Often enough that a stop while the input is silent is served at once for a user.
    static constexpr int kWaitTickMs = 20;

    virtual ~ReadWatch() = default;

    // inputPosition: how far the input has been read, on the reader's InputPosition scale.
    virtual bool GoOn(int64_t inputPosition) = 0;
};

}  // namespace lathwell
