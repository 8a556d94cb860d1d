// ObserverWatch: a run's observer as its input's watch (see ReadWatch): asked about a cancel
// after every block read and while a read waits; a cancel sets the run's stop, which the run
// then sees before its next line or record. ScopedWatch keeps a watch on a reader for as long as
// it lives, so no reader keeps a watch that is gone.
#pragma once

#include <cstdint>

#include "ConversionObserver.h"
#include "ReadWatch.h"
#include "RunStop.h"

namespace lathwell {

class ObserverWatch : public ReadWatch {
public:
    // observer and stop must outlive the watch.
    ObserverWatch(ConversionObserver& observer, RunStop& stop) : m_observer(observer), m_stop(stop) {}

    bool GoOn(int64_t inputPosition) override {
        if (m_observer.CancelRequested(inputPosition)) m_stop.Request();
        return !m_stop.Requested();
    }

private:
    ConversionObserver& m_observer;
    RunStop& m_stop;
};

// Reader: anything with Watch(ReadWatch*) (a LineReader, a FixedRecordReader).
template <class Reader>
class ScopedWatch {
public:
    ScopedWatch(Reader& reader, ReadWatch& watch) : m_reader(reader) { m_reader.Watch(&watch); }
    ~ScopedWatch() { m_reader.Watch(nullptr); }
    ScopedWatch(const ScopedWatch&) = delete;
    ScopedWatch& operator=(const ScopedWatch&) = delete;

private:
    Reader& m_reader;
};

}  // namespace lathwell
