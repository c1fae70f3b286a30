// Placeholder until the engine lands: the entry points exist so the shell
// links, and the output is silence. Replaced by the real engine.
#include "dsp/EqEngine.h"

#include <cstring>

EqEngine::EqEngine() = default;
EqEngine::~EqEngine() = default;
void EqEngine::updateLowCut(int, double) {}
void EqEngine::updateHighCut(int, double) {}
void EqEngine::updateLowShelf(int, int, double, double) {}
void EqEngine::updateLowMid(int, double, double, double) {}
void EqEngine::updateMid(int, double, double, double) {}
void EqEngine::updateHighShelf(int, int, double, double) {}
void EqEngine::setMaster(bool) {}
void EqEngine::setChannelSelect(double) {}
void EqEngine::setPhase(int) {}
void EqEngine::setOutputFactor(double) {}
void EqEngine::setSaturation(float) {}
void EqEngine::initUpsDec() {}
void EqEngine::suspend() {}
float EqEngine::resume(float hostRate) {
    return (hostRate < 20000.0f || hostRate > 200000.0f) ? 44100.0f : hostRate;
}
double EqEngine::getLatency1() const { return 0.0; }
double EqEngine::getLatency2() const { return 0.0; }
template <typename T> static void silence(T** outputs, int frames) {
    for (int c = 0; c < 2 && frames > 0; ++c)
        std::memset(outputs[c], 0, sizeof(T) * frames);
}
void EqEngine::processStereo(float** i, float** o, int n, bool, bool) { (void)i, silence(o, n); }
void EqEngine::processStereo(double** i, double** o, int n, bool, bool) { (void)i, silence(o, n); }
void EqEngine::processMono(float** i, float** o, int n, bool) { (void)i, silence(o, n); }
void EqEngine::processMono(double** i, double** o, int n, bool) { (void)i, silence(o, n); }
float EqEngine::getBlockPeak() const { return 0.0f; }
void EqEngine::setBlockPeak(float) {}
