#include "gui/OutputSpectrum.h"

// Placeholder until the transform is in: every level reads as nothing.
namespace dravo {

struct OutputSpectrum::Impl {};

OutputSpectrum::OutputSpectrum() : impl_(new Impl) {}
OutputSpectrum::~OutputSpectrum() {
    delete impl_;
}
void OutputSpectrum::setSampleRate(double) {}
void OutputSpectrum::feed(const float*, int) {}
bool OutputSpectrum::update(double) {
    return false;
}
void OutputSpectrum::clear() {}
double OutputSpectrum::levelDb(double) const {
    return -200.0;
}

} // namespace dravo
