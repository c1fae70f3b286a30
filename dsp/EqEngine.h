// The equaliser engine: 24 filters in six sections, oversampling, output gain,
// saturation limiter and block peak. No host, editor or toolkit types.
//
// Threads: the section updates and the loop-value setters are called from any
// thread (host automation, editor, preset recall) while process* runs on the
// audio thread; suspend/resume come from the host's dispatcher.
#pragma once

class EqEngine {
  public:
    EqEngine();
    ~EqEngine();
    EqEngine(const EqEngine&) = delete;
    EqEngine& operator=(const EqEngine&) = delete;

    // Section updates from the derived engine values of the parameters.
    // Positions are passed on unclamped (a normalised value outside 0..1 can
    // give a position outside the switch's range).
    void updateLowCut(int position, double hz);
    void updateHighCut(int position, double hz);
    void updateLowShelf(int mode, int shape, double hz, double gainDb);
    void updateLowMid(int mode, double hz, double q, double gainDb);
    void updateMid(int mode, double hz, double q, double gainDb);
    void updateHighShelf(int mode, int shape, double hz, double gainDb);

    // Values the processing loop reads.
    void setMaster(bool on);
    void setChannelSelect(double v); // normalised "LSR" value
    void setPhase(int position);
    void setOutputFactor(double factor);
    void setSaturation(float v);

    void initUpsDec();
    void suspend();
    // Chooses the internal rate from the host rate, retunes and clears;
    // returns the validated sample rate the effect runs at.
    float resume(float hostRate);
    double getLatency1() const; // milliseconds
    double getLatency2() const; // samples at the host rate

    // in2/out2: the host's answers for the second input/output pin,
    // combined with the speaker arrangement by the caller.
    void processStereo(float** inputs, float** outputs, int frames, bool in2, bool out2);
    void processStereo(double** inputs, double** outputs, int frames, bool in2, bool out2);
    void processMono(float** inputs, float** outputs, int frames, bool out2);
    void processMono(double** inputs, double** outputs, int frames, bool out2);

    // Peak of the last processed block (linear), shared with the editor.
    float getBlockPeak() const;
    void setBlockPeak(float v);
};
