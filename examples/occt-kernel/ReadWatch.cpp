#include "ReadWatch.h"

#include <Message_ProgressScope.hxx>

#include <algorithm>

namespace pelmora::occt {

bool ReadWatch::report(const char* phase, double fraction) {
    if (progress_) progress_(phase, fraction);
    return proceeding();
}

bool ReadWatch::proceeding() {
    if (!cancelled_ && proceed_ && !proceed_()) cancelled_ = true;
    return !cancelled_;
}

namespace {

class Indicator : public Message_ProgressIndicator {
public:
    Indicator(ReadWatch* watch, const char* phase) : watch_(watch), phase_(phase) {}
    void Show(const Message_ProgressScope&, const Standard_Boolean) override { watch_->report(phase_, GetPosition()); }
    Standard_Boolean UserBreak() override { return !watch_->proceeding(); }

private:
    ReadWatch* watch_;
    const char* phase_;
};

}  // namespace

OcctProgress::OcctProgress(ReadWatch* watch, const char* phase) : indicator_(new Indicator(watch, phase)) {}

WatchedFile::int_type WatchedFile::underflow() {
    return report() ? std::filebuf::underflow() : traits_type::eof();
}

std::streamsize WatchedFile::xsgetn(char* to, std::streamsize count) {
    return report() ? std::filebuf::xsgetn(to, count) : 0;
}

bool WatchedFile::report() {
    const std::streamoff at = seekoff(0, std::ios::cur, std::ios::in);
    const double fraction = at >= 0 && size_ > 0 ? std::min(1.0, double(at) / size_) : 0.0;
    return watch_->report("reading", fraction);
}

}  // namespace pelmora::occt
