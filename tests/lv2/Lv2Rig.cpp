#include "lv2/Lv2Rig.h"
#include "lv2/Messages.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/core/lv2.h>
#include <lv2/presets/presets.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

namespace lv2rig {

namespace {

struct UridTable {
    std::mutex mutex;
    std::vector<std::string> uris;
};

LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri) {
    auto& t = *static_cast<UridTable*>(handle);
    std::lock_guard<std::mutex> lock(t.mutex);
    for (size_t i = 0; i < t.uris.size(); ++i)
        if (t.uris[i] == uri) return (LV2_URID)(i + 1);
    t.uris.push_back(uri);
    return (LV2_URID)t.uris.size();
}

std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string capture(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
        out.append(buffer, n);
    pclose(p);
    return out;
}

LilvNode* uri(const char* u) {
    return lilv_new_uri(installed().world, u);
}

} // namespace

Installed::~Installed() {
    if (world) lilv_world_free(world);
    if (!prefix.empty()) std::filesystem::remove_all(prefix);
}

// Installed with the project's own install rules into a fresh prefix, so the
// tests see what a user's hosts see.
const Installed& installed() {
    static Installed i = [] {
        Installed r;
        char dir[] = "/tmp/dravo-lv2-XXXXXX";
        if (!mkdtemp(dir)) return r;
        r.prefix = dir;
        const std::string log =
            capture(std::string(DRAVO_CMAKE_COMMAND) + " --install " +
                    shellQuote(DRAVO_BINARY_DIR) + " --prefix " + shellQuote(r.prefix) + " 2>&1");
        r.lv2Dir = r.prefix + "/lib/lv2";
        r.bundle = r.lv2Dir + "/VeyDravo.lv2";
        r.vstPlugin = r.prefix + "/lib/vst/VeyDravo.so";
        if (!std::filesystem::exists(r.bundle + "/manifest.ttl")) {
            ADD_FAILURE() << "install failed:\n" << log;
            return r;
        }
        // The bundle and the specification's own bundles, nothing else.
        setenv("LV2_PATH", (r.lv2Dir + ":/usr/lib/lv2").c_str(), 1);
        r.world = lilv_world_new();
        lilv_world_load_all(r.world);
        return r;
    }();
    return i;
}

LV2_URID_Map* uridMap() {
    static UridTable table;
    static LV2_URID_Map map{&table, mapUri};
    return &map;
}

const LV2_Feature* const* features() {
    static LV2_Feature mapFeature{LV2_URID__map, uridMap()};
    static const LV2_Feature* list[] = {&mapFeature, nullptr};
    return list;
}

const LilvPlugin* plugin(const char* u) {
    if (!installed().world) return nullptr;
    LilvNode* node = uri(u);
    const LilvPlugin* p =
        lilv_plugins_get_by_uri(lilv_world_get_all_plugins(installed().world), node);
    lilv_node_free(node);
    return p;
}

std::string runWithLv2Path(const std::string& command) {
    return capture("LV2_PATH=" + shellQuote(installed().lv2Dir + ":/usr/lib/lv2") + " " + command +
                   " 2>&1");
}

Instance::Instance(const char* u, double rate, bool threadedWorker, const LV2_Feature* extra)
    : plugin_(plugin(u)) {
    if (!plugin_) {
        ADD_FAILURE() << "no plug-in " << u;
        return;
    }
    for (const LV2_Feature* const* f = features(); *f; ++f)
        features_.push_back(*f);
    features_.push_back(&scheduleFeature_);
    if (extra) features_.push_back(extra);
    features_.push_back(nullptr);
    instance_ = lilv_plugin_instantiate(plugin_, rate, features_.data());
    if (!instance_) {
        ADD_FAILURE() << "instantiate failed";
        return;
    }
    const uint32_t n = lilv_plugin_get_num_ports(plugin_);
    std::vector<float> defaults(n);
    lilv_plugin_get_port_ranges_float(plugin_, nullptr, nullptr, defaults.data());
    LilvNode* control = uri(LV2_CORE__ControlPort);
    LilvNode* audio = uri(LV2_CORE__AudioPort);
    LilvNode* input = uri(LV2_CORE__InputPort);
    LilvNode* atom = uri(LV2_ATOM__AtomPort);
    worker_ = static_cast<const LV2_Worker_Interface*>(
        lilv_instance_get_extension_data(instance_, LV2_WORKER__interface));
    controlIn_.assign(65536 / 8, 0);
    notify_.assign(65536 / 8, 0);
    controls_.reserve(n);
    for (uint32_t i = 0; i < n; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin_, i);
        const bool isInput = lilv_port_is_a(plugin_, port, input);
        const std::string symbol = lilv_node_as_string(lilv_port_get_symbol(plugin_, port));
        if (lilv_port_is_a(plugin_, port, control) && isInput) {
            controlIndex_[symbol] = (int)controls_.size();
            controls_.push_back(defaults[i]);
            lilv_instance_connect_port(instance_, i, &controls_.back());
        } else if (lilv_port_is_a(plugin_, port, control) && symbol == "latency") {
            lilv_instance_connect_port(instance_, i, &latency_);
        } else if (lilv_port_is_a(plugin_, port, atom)) {
            lilv_instance_connect_port(instance_, i, isInput ? controlIn_.data() : notify_.data());
        } else if (lilv_port_is_a(plugin_, port, audio)) {
            (isInput ? in_ : out_).push_back((int)i);
        }
    }
    lilv_node_free(control);
    lilv_node_free(audio);
    lilv_node_free(input);
    lilv_node_free(atom);
    if (threadedWorker) workerThread_ = std::thread([this] { workerLoop(); });
}

namespace {
// What a host's 4 KB ring takes, and what this plug-in promises to stay under.
LV2_Worker_Status ringCheck(uint32_t size, const char* what) {
    if (size > kSmallMessage)
        ADD_FAILURE() << what << " of " << size << " bytes: more than a small message";
    return size + sizeof(uint32_t) > 4096 ? LV2_WORKER_ERR_NO_SPACE : LV2_WORKER_SUCCESS;
}
} // namespace

void Instance::workerLoop() {
    std::unique_lock<std::mutex> lock(workerMutex_);
    for (;;) {
        workerWake_.wait(lock, [this] { return stopWorker_ || !jobs_.empty(); });
        if (jobs_.empty()) return;
        const std::vector<uint8_t> job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        worker_->work(lilv_instance_get_handle(instance_), respond, this, (uint32_t)job.size(),
                      job.data());
        lock.lock();
    }
}

LV2_Worker_Status Instance::schedule(LV2_Worker_Schedule_Handle h, uint32_t size,
                                     const void* data) {
    auto& self = *static_cast<Instance*>(h);
    if (!self.worker_) return LV2_WORKER_ERR_UNKNOWN;
    if (ringCheck(size, "worker job") != LV2_WORKER_SUCCESS) return LV2_WORKER_ERR_NO_SPACE;
    if (self.workerThread_.joinable()) {
        const auto* p = static_cast<const uint8_t*>(data);
        std::lock_guard<std::mutex> lock(self.workerMutex_);
        self.jobs_.emplace_back(p, p + size);
        self.workerWake_.notify_one();
        return LV2_WORKER_SUCCESS;
    }
    return self.worker_->work(lilv_instance_get_handle(self.instance_), respond, h, size, data);
}

LV2_Worker_Status Instance::respond(LV2_Worker_Respond_Handle h, uint32_t size, const void* data) {
    auto& self = *static_cast<Instance*>(h);
    if (ringCheck(size, "worker answer") != LV2_WORKER_SUCCESS) return LV2_WORKER_ERR_NO_SPACE;
    const auto* p = static_cast<const uint8_t*>(data);
    std::lock_guard<std::mutex> lock(self.workerMutex_);
    self.responses_.emplace_back(p, p + size);
    return LV2_WORKER_SUCCESS;
}

void Instance::send(const LV2_Atom* atom) {
    const auto* p = reinterpret_cast<const uint8_t*>(atom);
    pending_.insert(pending_.end(), p, p + lv2_atom_total_size(atom));
    pending_.resize(lv2_atom_pad_size((uint32_t)pending_.size())); // the next one aligned
}

void Instance::sendPiece(const std::vector<unsigned char>& chunk, int32_t serial, uint32_t index) {
    const dravo::lv2::Uris uri = dravo::lv2::mapUris(uridMap());
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, uridMap());
    alignas(8) uint8_t buffer[kSmallMessage];
    lv2_atom_forge_set_buffer(&forge, buffer, sizeof buffer);
    ASSERT_TRUE(
        dravo::lv2::forgePiece(forge, uri, serial, index, chunk.data(), (uint32_t)chunk.size()));
    send(reinterpret_cast<const LV2_Atom*>(buffer));
}

void Instance::sendBank(const std::vector<unsigned char>& chunk, int32_t serial) {
    for (uint32_t i = 0; i < dravo::lv2::piecesFor((uint32_t)chunk.size()); ++i)
        sendPiece(chunk, serial, i);
}

std::vector<std::vector<uint8_t>> Instance::notifications() const {
    std::vector<std::vector<uint8_t>> out;
    const auto* seq = reinterpret_cast<const LV2_Atom_Sequence*>(notify_.data());
    for (const LV2_Atom_Event* ev = lv2_atom_sequence_begin(&seq->body);
         !lv2_atom_sequence_is_end(&seq->body, seq->atom.size, ev);
         ev = lv2_atom_sequence_next(ev)) {
        const auto* p = reinterpret_cast<const uint8_t*>(&ev->body);
        out.emplace_back(p, p + lv2_atom_total_size(&ev->body));
    }
    return out;
}

Instance::~Instance() {
    if (workerThread_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(workerMutex_);
            stopWorker_ = true;
        }
        workerWake_.notify_one();
        workerThread_.join();
    }
    if (!instance_) return;
    if (active_) lilv_instance_deactivate(instance_);
    lilv_instance_free(instance_);
}

float& Instance::port(const std::string& symbol) {
    static float none;
    auto it = controlIndex_.find(symbol);
    if (it == controlIndex_.end()) {
        ADD_FAILURE() << "no port " << symbol;
        return none;
    }
    return controls_[it->second];
}

void Instance::activate() {
    if (!instance_) return;
    lilv_instance_activate(instance_);
    active_ = true;
}

void Instance::run(const std::vector<float*>& in, const std::vector<float*>& out, uint32_t frames) {
    if (!instance_) return;
    for (size_t c = 0; c < in_.size(); ++c) {
        lilv_instance_connect_port(instance_, in_[c], in[c]);
        lilv_instance_connect_port(instance_, out_[c], out[c]);
    }
    // The input: the queued atoms as events at frame 0. The output: empty,
    // with its capacity as its size.
    const LV2_URID sequence = uridMap()->map(uridMap()->handle, LV2_ATOM__Sequence);
    auto* inSeq = reinterpret_cast<LV2_Atom_Sequence*>(controlIn_.data());
    inSeq->atom = {sizeof(LV2_Atom_Sequence_Body), sequence};
    inSeq->body = {0, 0};
    for (size_t at = 0; at < pending_.size();) {
        const auto* a = reinterpret_cast<const LV2_Atom*>(pending_.data() + at);
        const uint32_t size = lv2_atom_total_size(a);
        auto* ev = reinterpret_cast<LV2_Atom_Event*>(reinterpret_cast<uint8_t*>(inSeq) +
                                                     sizeof(LV2_Atom) + inSeq->atom.size);
        ev->time.frames = 0;
        std::memcpy(&ev->body, a, size);
        inSeq->atom.size += lv2_atom_pad_size(sizeof(LV2_Atom_Event) + a->size);
        at += lv2_atom_pad_size(size);
    }
    pending_.clear();
    auto* outSeq = reinterpret_cast<LV2_Atom_Sequence*>(notify_.data());
    outSeq->atom = {(uint32_t)(notify_.size() * 8 - sizeof(LV2_Atom)),
                    uridMap()->map(uridMap()->handle, LV2_ATOM__Chunk)};
    lilv_instance_run(instance_, frames);
    std::vector<std::vector<uint8_t>> responses;
    {
        std::lock_guard<std::mutex> lock(workerMutex_);
        responses.swap(responses_);
    }
    for (const auto& r : responses)
        worker_->work_response(lilv_instance_get_handle(instance_), (uint32_t)r.size(), r.data());
}

namespace {
const LV2_State_Interface* stateOf(LilvInstance* instance) {
    return static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(instance, LV2_STATE__interface));
}

struct Blob {
    std::vector<unsigned char> bytes;
    uint32_t type = 0;
};

LV2_State_Status storeBlob(LV2_State_Handle h, uint32_t, const void* value, size_t size,
                           uint32_t type, uint32_t) {
    auto& b = *static_cast<Blob*>(h);
    const auto* p = static_cast<const unsigned char*>(value);
    b.bytes.assign(p, p + size);
    b.type = type;
    return LV2_STATE_SUCCESS;
}

const void* retrieveBlob(LV2_State_Handle h, uint32_t, size_t* size, uint32_t* type,
                         uint32_t* flags) {
    auto& b = *static_cast<Blob*>(h);
    *size = b.bytes.size();
    *type = b.type;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return b.bytes.data();
}

void setPortValue(const char* symbol, void* user, const void* value, uint32_t size, uint32_t type) {
    auto& instance = *static_cast<Instance*>(user);
    if (size == sizeof(float) && type == uridMap()->map(uridMap()->handle, LV2_ATOM__Float))
        std::memcpy(&instance.port(symbol), value, sizeof(float));
    else
        ADD_FAILURE() << "port " << symbol << " given a value that is not a float";
}
} // namespace

std::vector<unsigned char> Instance::save() {
    Blob b;
    const LV2_State_Interface* state = instance_ ? stateOf(instance_) : nullptr;
    if (!state) {
        ADD_FAILURE() << "no state interface";
        return {};
    }
    EXPECT_EQ(state->save(lilv_instance_get_handle(instance_), storeBlob, &b, 0, features()),
              LV2_STATE_SUCCESS);
    EXPECT_EQ(b.type, uridMap()->map(uridMap()->handle, LV2_ATOM__Chunk));
    return b.bytes;
}

LV2_State_Status Instance::restore(const std::vector<unsigned char>& bytes, uint32_t type) {
    Blob b{bytes, type};
    const LV2_State_Interface* state = instance_ ? stateOf(instance_) : nullptr;
    if (!state) return LV2_STATE_ERR_UNKNOWN;
    return state->restore(lilv_instance_get_handle(instance_), retrieveBlob, &b, 0, features());
}

bool Instance::applyPreset(const std::string& label) {
    LilvNode* presetClass = uri(LV2_PRESETS__Preset);
    LilvNode* labelPredicate = uri(LILV_NS_RDFS "label");
    LilvNodes* presets = lilv_plugin_get_related(plugin_, presetClass);
    bool applied = false;
    LILV_FOREACH(nodes, i, presets) {
        const LilvNode* preset = lilv_nodes_get(presets, i);
        lilv_world_load_resource(installed().world, preset);
        LilvNode* name = lilv_world_get(installed().world, preset, labelPredicate, nullptr);
        if (name && label == lilv_node_as_string(name)) {
            LilvState* state = lilv_state_new_from_world(installed().world, uridMap(), preset);
            if (state) {
                lilv_state_restore(state, instance_, setPortValue, this, 0, features());
                lilv_state_free(state);
                applied = true;
            }
        }
        lilv_node_free(name);
    }
    lilv_nodes_free(presets);
    lilv_node_free(labelPredicate);
    lilv_node_free(presetClass);
    return applied;
}

} // namespace lv2rig
