// The plug-in's one exported entry point.
#include "vst/Dravo.h"

#include <new>

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    if (!audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f)) return nullptr;
    try {
        return new dravo::Dravo(audioMaster);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

extern "C" __attribute__((visibility("default"))) AEffect*
VSTPluginMain(audioMasterCallback audioMaster) {
    if (!audioMaster || !audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f))
        return nullptr;
    AudioEffect* effect = createEffectInstance(audioMaster);
    return effect ? effect->getAeffect() : nullptr;
}
