// The module's exports: the factory with its one class (the processor that
// is its own controller), and the Linux entry and exit.
#include "model/Identity.h"
#include "vst3/Strings.h"
#include "vst3/Vst3Plugin.h"

#include <new>

using namespace dravo;
using namespace dravo::vst3face;

namespace {

constexpr const char* kCategory = "Audio Module Class";
constexpr const char* kSubCategories = "Fx|EQ";
constexpr const char* kVersion = "1.8.0";
constexpr const char* kSdkVersion = "VST 3.7.9";

// The factory lives as long as the module; its reference count is not kept.
class Factory final : public IPluginFactory3 {
  public:
    tresult queryInterface(const uint8_t* iid, void** obj) override {
        if (!obj) return kInvalidArgument;
        *obj = nullptr;
        if (!(kFUnknownIid.matches(iid) || kIPluginFactoryIid.matches(iid) ||
              kIPluginFactory2Iid.matches(iid) || kIPluginFactory3Iid.matches(iid)))
            return kNoInterface;
        *obj = this;
        return kResultOk;
    }
    uint32_t addRef() override { return 1; }
    uint32_t release() override { return 1; }

    tresult getFactoryInfo(PFactoryInfo* info) override {
        if (!info) return kInvalidArgument;
        *info = PFactoryInfo{};
        copyText(info->vendor, kVendor, sizeof info->vendor);
        info->flags = PFactoryInfo::kUnicode;
        return kResultOk;
    }
    int32_t countClasses() override { return 1; }

    tresult getClassInfo(int32_t index, PClassInfo* info) override {
        if (index != 0 || !info) return kInvalidArgument;
        *info = PClassInfo{};
        std::memcpy(info->cid, kPluginClassId.bytes, 16);
        info->cardinality = kManyInstances;
        copyText(info->category, kCategory, sizeof info->category);
        copyText(info->name, kEffectName, sizeof info->name);
        return kResultOk;
    }

    tresult getClassInfo2(int32_t index, PClassInfo2* info) override {
        if (index != 0 || !info) return kInvalidArgument;
        *info = PClassInfo2{};
        std::memcpy(info->cid, kPluginClassId.bytes, 16);
        info->cardinality = kManyInstances;
        copyText(info->category, kCategory, sizeof info->category);
        copyText(info->name, kEffectName, sizeof info->name);
        copyText(info->subCategories, kSubCategories, sizeof info->subCategories);
        copyText(info->vendor, kVendor, sizeof info->vendor);
        copyText(info->version, kVersion, sizeof info->version);
        copyText(info->sdkVersion, kSdkVersion, sizeof info->sdkVersion);
        return kResultOk;
    }

    tresult getClassInfoUnicode(int32_t index, PClassInfoW* info) override {
        if (index != 0 || !info) return kInvalidArgument;
        *info = PClassInfoW{};
        std::memcpy(info->cid, kPluginClassId.bytes, 16);
        info->cardinality = kManyInstances;
        copyText(info->category, kCategory, sizeof info->category);
        toUtf16(kEffectName, info->name, 64);
        copyText(info->subCategories, kSubCategories, sizeof info->subCategories);
        toUtf16(kVendor, info->vendor, 64);
        toUtf16(kVersion, info->version, 64);
        toUtf16(kSdkVersion, info->sdkVersion, 64);
        return kResultOk;
    }

    tresult createInstance(const uint8_t* cid, const uint8_t* iid, void** obj) override {
        if (!obj) return kInvalidArgument;
        *obj = nullptr;
        if (!kPluginClassId.matches(cid)) return kNoInterface;
        Vst3Plugin* plugin = nullptr;
        try {
            plugin = new Vst3Plugin;
        } catch (const std::bad_alloc&) {
            return kOutOfMemory;
        }
        const tresult r = plugin->queryInterface(iid, obj);
        plugin->release(); // the interface asked for holds the one reference left
        return r;
    }

    tresult setHostContext(FUnknown*) override { return kResultOk; }
};

Factory gFactory;

} // namespace

extern "C" {
__attribute__((visibility("default"))) IPluginFactory* GetPluginFactory() {
    return &gFactory;
}
__attribute__((visibility("default"))) bool ModuleEntry(void*) {
    return true;
}
__attribute__((visibility("default"))) bool ModuleExit() {
    return true;
}
}
