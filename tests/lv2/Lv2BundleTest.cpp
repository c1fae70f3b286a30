// The installed bundle as hosts and Debian's LV2 tools see it: it validates
// against the specification, lv2ls lists both plug-ins, lv2info shows their
// ports and presets, and each port carries its parameter's unit, range,
// default and position names.
#include "lv2/Lv2Rig.h"
#include "lv2/Ports.h"

#include "model/FactoryPresets.h"

#include <lv2/core/lv2.h>
#include <lv2/units/units.h>

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <utility>

using namespace dravo;
using lv2rig::installed;

namespace {

TEST(Lv2Bundle, ValidatesAgainstTheSpecification) {
    const std::string out = lv2rig::runWithLv2Path(
        "lv2_validate " + installed().bundle + "/manifest.ttl " + installed().bundle +
        "/VeyDravo.ttl " + installed().bundle + "/presets.ttl");
    EXPECT_NE(out.find("Found 0 errors"), std::string::npos) << out;
    EXPECT_EQ(out.find("warning"), std::string::npos) << out;
}

TEST(Lv2Bundle, Lv2lsListsBothPlugins) {
    const std::string out = lv2rig::runWithLv2Path("lv2ls");
    for (const auto& v : lv2::kVariants)
        EXPECT_NE(out.find(std::string(v.uri) + "\n"), std::string::npos) << out;
}

TEST(Lv2Bundle, Lv2infoShowsPortsAndPresets) {
    for (const auto& v : lv2::kVariants) {
        const std::string out = lv2rig::runWithLv2Path(std::string("lv2info '") + v.uri + "'");
        EXPECT_NE(out.find("Has latency:       yes"), std::string::npos) << out;
        for (const ParamInfo& p : kParams) {
            if (!isActive(p.id)) continue;
            EXPECT_NE(out.find(std::string("Symbol:      ") + p.symbol + "\n"), std::string::npos)
                << p.symbol;
        }
        for (const auto& preset : kFactoryPresets)
            EXPECT_NE(out.find(std::string(" ") + preset.name + "\n"), std::string::npos)
                << preset.name;
    }
}

// The editor's binary is the editor on ports and messages: it holds no
// engine and no VST 2.x face, and exports lv2ui_descriptor alone.
TEST(Lv2Bundle, TheEditorBinaryHoldsNoEngineAndNoVstFace) {
    const std::string ui = "'" + installed().bundle + "/VeyDravo-ui.so'";
    const std::string symbols = lv2rig::runWithLv2Path("nm -C --defined-only " + ui);
    ASSERT_NE(symbols.find("lv2ui_descriptor"), std::string::npos) << symbols.substr(0, 500);
    const std::regex engine(
        "(^|[^A-Za-z0-9_])(EqEngine|Filter|Dravo|AudioEffect)([^A-Za-z0-9_]|$)");
    std::istringstream lines(symbols);
    for (std::string line; std::getline(lines, line);)
        EXPECT_FALSE(std::regex_search(line, engine)) << line;
}

// Each binary of the bundle exports its entry point and nothing else (the
// linker's own section marks aside): a host loads many plug-ins into one
// process.
TEST(Lv2Bundle, EachBinaryExportsItsEntryPointAlone) {
    const std::pair<const char*, const char*> binaries[] = {{"VeyDravo-dsp.so", "lv2_descriptor"},
                                                            {"VeyDravo-ui.so", "lv2ui_descriptor"}};
    for (const auto& [file, entry] : binaries) {
        const std::string path = "'" + installed().bundle + "/" + file + "'";
        std::istringstream exported(lv2rig::runWithLv2Path("nm -D --defined-only " + path));
        std::string names;
        for (std::string line; std::getline(exported, line);) {
            const std::string name = line.substr(line.rfind(' ') + 1);
            if (name != "__bss_start" && name != "_edata" && name != "_end") names += name + " ";
        }
        EXPECT_EQ(names, std::string(entry) + " ") << file;
    }
}

// What a host reads of each control port.
TEST(Lv2Bundle, PortsCarryUnitRangeDefaultAndPositionNames) {
    LilvWorld* world = installed().world;
    ASSERT_TRUE(world);
    LilvNode* unit = lilv_new_uri(world, LV2_UNITS__unit);
    const char* expectedUnit[] = {nullptr, LV2_UNITS__hz, LV2_UNITS__db};
    for (const auto& v : lv2::kVariants) {
        const LilvPlugin* plugin = lv2rig::plugin(v.uri);
        ASSERT_TRUE(plugin);
        EXPECT_EQ(lilv_plugin_get_num_ports(plugin), (uint32_t)lv2::numPorts(v));
        for (const ParamInfo& p : kParams) {
            if (!isActive(p.id)) continue;
            SCOPED_TRACE(p.symbol);
            LilvNode* symbol = lilv_new_string(world, p.symbol);
            const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, symbol);
            lilv_node_free(symbol);
            ASSERT_TRUE(port);
            LilvNode *def, *min, *max;
            lilv_port_get_range(plugin, port, &def, &min, &max);
            double lo, hi;
            realRange(p.id, lo, hi);
            EXPECT_EQ(lilv_node_as_float(min), (float)lo);
            EXPECT_EQ(lilv_node_as_float(max), (float)hi);
            EXPECT_EQ(lilv_node_as_float(def), (float)realValueOf(p.id, p.defaultValue));
            lilv_node_free(def);
            lilv_node_free(min);
            lilv_node_free(max);

            LilvNodes* units = lilv_port_get_value(plugin, port, unit);
            const char* want = expectedUnit[(int)p.unit];
            EXPECT_EQ(units ? std::string(lilv_node_as_uri(lilv_nodes_get_first(units))) : "",
                      want ? want : "")
                << "unit";
            lilv_nodes_free(units);

            LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
            EXPECT_EQ(points ? (int)lilv_scale_points_size(points) : 0, p.positions.count);
            LILV_FOREACH(scale_points, i, points) {
                const LilvScalePoint* sp = lilv_scale_points_get(points, i);
                const int position = (int)lilv_node_as_float(lilv_scale_point_get_value(sp));
                ASSERT_TRUE(position >= 0 && position < p.positions.count);
                EXPECT_STREQ(lilv_node_as_string(lilv_scale_point_get_label(sp)),
                             p.positions.names[position]);
            }
            lilv_scale_points_free(points);
        }
    }
    lilv_node_free(unit);
}

} // namespace

namespace {

// A port shows a normalised value in its unit; that port value gives the
// engine setting the normalised value gives (every gain and frequency step,
// switch position and region, with host values between the steps). Q shows
// the regions of its value text (0.25 / 0.75), not the engine's thresholds,
// so its three positions are checked as the three engine Qs instead.
TEST(Lv2Ports, AShownValueGivesTheSameEngineSetting) {
    for (const ParamInfo& p : kParams) {
        if (!isActive(p.id)) continue;
        SCOPED_TRACE(p.symbol);
        if (p.quantiser == Quantiser::QSelect) {
            const double q[] = {0.473757, 1.13136, 2.5};
            for (int position = 0; position < 3; ++position) {
                double n;
                ASSERT_TRUE(lv2::normalisedForPort(p.id, (float)position, n));
                EXPECT_EQ(engineValueOf(p.id, n), q[position]);
            }
            continue;
        }
        // "LSR" reaches the engine as the normalised value, read there by region.
        auto setting = [&](double x) {
            return p.quantiser == Quantiser::Channel ? realValueOf(p.id, x)
                                                     : engineValueOf(p.id, x);
        };
        for (int k = 0; k <= 4096; ++k) {
            const float v = (float)k / 4096.0f;
            double n;
            ASSERT_TRUE(lv2::normalisedForPort(p.id, lv2::portValueOf(p.id, v), n));
            ASSERT_EQ(setting(n), setting(v)) << v;
        }
    }
}

} // namespace
