// How reading a model file reports its progress and stops when the host
// cancels: the host's progress callback hears every progress point, its
// proceed callback is asked at each one, and once that has said no every
// later point answers no, so the phases after it stop at their first check.
#pragma once

#include <pelmora/occt/ModelReader.h>

#include <Message_ProgressIndicator.hxx>
#include <Message_ProgressRange.hxx>

#include <atomic>
#include <fstream>

namespace pelmora::occt {

class ReadWatch {
public:
    ReadWatch(const Progress& progress, const Proceed& proceed) : progress_(progress), proceed_(proceed) {}

    // Reports how far a phase has got; false once the host has cancelled.
    bool report(const char* phase, double fraction);
    // Asks the host whether to go on (without a report); false once cancelled.
    bool proceeding();
    bool cancelled() const { return cancelled_; }

private:
    const Progress& progress_;
    const Proceed& proceed_;
    // Open CASCADE may ask from its worker threads.
    std::atomic<bool> cancelled_{false};
};

// A progress range for one of Open CASCADE's algorithms (translators, the
// BREP reader): their progress goes to the watch as `phase`, and they stop
// at their next check once the host cancels. Keep it while the algorithm
// runs.
class OcctProgress {
public:
    OcctProgress(ReadWatch* watch, const char* phase);

    Message_ProgressRange start() { return indicator_->Start(); }

private:
    Handle(Message_ProgressIndicator) indicator_;
};

// The file as a parser reads it, telling the watch how far it has got (the
// STEP parser has no progress of its own, and a large file takes seconds);
// once the host cancels, the parser meets the end of the file.
class WatchedFile : public std::filebuf {
public:
    WatchedFile(ReadWatch* watch, double size) : watch_(watch), size_(size) {}

protected:
    int_type underflow() override;
    std::streamsize xsgetn(char* to, std::streamsize count) override;

private:
    bool report();

    ReadWatch* watch_;
    double size_;
};

}  // namespace pelmora::occt
