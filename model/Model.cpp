#include "model/Model.h"

#include "model/ValueText.h"

#include <cmath>

namespace dravo {

bool Model::set(Param p, double v) {
    if (!std::isfinite(v)) return false;
    normalised_[index(p)].store(v, std::memory_order_relaxed);
    const ParamInfo& i = info(p);
    const double e = engineValueOf(p, v);
    switch (i.target) {
    case Target::None:
        break;
    case Target::Master:
        engine_.setMaster(e != 0.0);
        break;
    case Target::Channel:
        engine_.setChannelSelect(v);
        break;
    case Target::Phase:
        engine_.setPhase((int)e);
        break;
    case Target::Output:
        engine_.setOutputFactor(e);
        break;
    case Target::Saturation:
        engine_.setSaturation((float)v);
        break;
    case Target::Section:
        engine_.setSectionField(i.section, i.field, e);
        break;
    }
    return true;
}

bool Model::text(Param p, char* out) const {
    return valueText(p, normalised(p), out);
}

} // namespace dravo
