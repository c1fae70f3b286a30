// The output analyser's spectrum: the newest output samples transformed in
// the editor's thread, smoothed to about 1/6 octave, falling slowly.
#pragma once

namespace dravo {

class OutputSpectrum {
  public:
    OutputSpectrum();
    ~OutputSpectrum();
    OutputSpectrum(const OutputSpectrum&) = delete;
    OutputSpectrum& operator=(const OutputSpectrum&) = delete;

    // The host rate of the samples fed; a change starts afresh.
    void setSampleRate(double hz);
    // Takes in n output samples (the newest ones count).
    void feed(const float* samples, int n);
    // Transforms the newest samples and moves the levels on by seconds of
    // fall; false when nothing changed (no new samples and nothing falling).
    bool update(double seconds);
    // Forgets the levels (the analyser was switched off).
    void clear();
    // The level at hz in dB, scaled so that a full-scale sine reads 0 dB; a
    // very low value (below -150) where there is nothing.
    double levelDb(double hz) const;

  private:
    struct Impl;
    Impl* impl_;
};

} // namespace dravo
