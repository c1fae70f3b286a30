// The equaliser without a host: normalised parameter values in, engine
// updates and value texts out. Every plug-in format binds one Model.
//
// Threads: set() may be called from any thread, also from several at once
// (host automation, the editor, a preset recall): each value is an atomic and
// reaches the engine through the engine's per-section gate, so nothing locks
// or waits and no change is lost. The engine's process calls run on the one
// audio thread; suspend and resume come from the host's control thread and
// never during a process call (see EqEngine).
#pragma once

#include "dsp/EqEngine.h"
#include "model/Parameters.h"

#include <atomic>

namespace dravo {

class Model {
  public:
    Model() = default;
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    // Quantises v and hands the derived value to the engine. A non-finite v
    // means nothing in any quantiser: it is ignored (false).
    bool set(Param p, double v);
    // The last value set (0 before the first).
    double normalised(Param p) const {
        return normalised_[index(p)].load(std::memory_order_relaxed);
    }
    // Its engine value: a position, Hz, dB, Q, the output factor or the flag.
    double engineValue(Param p) const { return engineValueOf(p, normalised(p)); }
    // The host's text for the current value (see valueText in ValueText.h).
    bool text(Param p, char* out) const;

    EqEngine& engine() { return engine_; }
    const EqEngine& engine() const { return engine_; }

  private:
    EqEngine engine_;
    std::atomic<double> normalised_[kNumParams] = {};
};

} // namespace dravo
