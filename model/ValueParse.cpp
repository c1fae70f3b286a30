#include "model/ValueParse.h"

#include "model/Parameters.h"
#include "model/ValueText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace dravo {

std::string squeezed(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != ' ' && c != '\t')
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

namespace {

bool sameNumber(double a, double b) {
    return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b));
}

const char* unitText(Unit u) {
    switch (u) {
    case Unit::Hz:
        return "hz";
    case Unit::Db:
        return "db";
    default:
        return "";
    }
}
} // namespace

bool parseNumberAndUnit(const std::string& text, double& number, std::string& unit) {
    std::string t = squeezed(text);
    if (!t.empty() && t[0] == '+') t.erase(0, 1);
    const size_t digit = (!t.empty() && t[0] == '-') ? 1 : 0;
    if (t.size() <= digit || !(std::isdigit((unsigned char)t[digit]) || t[digit] == '.'))
        return false;
    char* end = nullptr;
    const double n = std::strtod(t.c_str(), &end);
    if (!end || end == t.c_str() || !std::isfinite(n)) return false;
    number = n;
    unit = end;
    if (unit == "k" || unit == "khz") {
        number *= 1000.0;
        unit = "hz";
    }
    return true;
}

bool normalisedForText(Param p, const std::string& text, double& normalised) {
    const ParamInfo& row = info(p);
    if (!isActive(p)) return false;
    const std::string want = squeezed(text);
    if (want.empty()) return false;
    double number = 0;
    std::string unit;
    const bool numeric = parseNumberAndUnit(text, number, unit);
    // A switch: a position by its name or by the text the host shows for it.
    if (row.positions.count > 0) {
        for (int i = 0; i < row.positions.count; ++i) {
            const double v = normalisedForReal(p, i);
            char shown[16] = {};
            valueText(p, v, shown);
            double n = 0;
            std::string u;
            const bool named = squeezed(row.positions.names[i]) == want || squeezed(shown) == want;
            const bool sameValue = numeric && unit.empty() &&
                                   parseNumberAndUnit(row.positions.names[i], n, u) &&
                                   sameNumber(n, number);
            if (named || sameValue) {
                normalised = v;
                return true;
            }
        }
        return false;
    }
    if (!numeric || (!unit.empty() && unit != unitText(row.unit))) return false;
    double lowest = 0, highest = 0;
    realRange(p, lowest, highest);
    // Texts are shown rounded: a number just beyond an end still names it.
    const double slack = 5e-3 * std::max(1.0, std::max(std::fabs(lowest), std::fabs(highest)));
    if (number < lowest - slack || number > highest + slack) return false;
    normalised = normalisedForReal(p, number);
    return true;
}

} // namespace dravo
