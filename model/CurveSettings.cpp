#include "model/CurveSettings.h"

namespace dravo {

EqSettings curveSettings(const float (&normalised)[kNumParams], double hostRate) {
    EqSettings s;
    s.hostRate = hostRate > 0.0 ? (float)hostRate : 44100.0f;
    for (const ParamInfo& i : kParams) {
        const double e = engineValueOf(i.id, normalised[index(i.id)]);
        switch (i.target) {
        case Target::Master:
            s.master = e != 0.0;
            break;
        case Target::Output:
            s.outputFactor = e;
            break;
        case Target::Section: {
            SectionValues& v = s.sections[(int)i.section];
            switch (i.field) {
            case Field::Position:
                v.position = (int)e;
                break;
            case Field::Shape:
                v.shape = (int)e;
                break;
            case Field::Hz:
                v.hz = e;
                break;
            case Field::Q:
                v.q = e;
                break;
            case Field::GainDb:
                v.gainDb = e;
                break;
            }
            break;
        }
        default:
            break;
        }
    }
    return s;
}

} // namespace dravo
