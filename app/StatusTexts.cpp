#include "app/StatusTexts.h"

#include <cstdio>

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char text[64];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

}  // namespace

StatusPaneTexts MakeStatusTexts(const StatusValues& v, int language) {
    const bool en = language != 0;
    StatusPaneTexts t;
    t[0] = v.rangeAuto ? (en ? "Range:Auto" : "量程:自动") : (en ? "Range:Manual" : "量程:手动");
    t[1] = v.gainAuto ? (en ? "Gain:Auto" : "增益:自动") : (en ? "Gain:Manual" : "增益:手动");
    const bool metres = v.unit == DepthUnit::kMetres;
    t[2] = Format(en ? "Draft:%.2f" : "吃水:%.2f", DepthUnits::FromMetres(v.draft, v.unit));
    if (!metres) t[2] += v.unitName;
    t[3] = Format(en ? "Speed:%.1f" : "声速:%.1f", v.soundSpeed);
    switch (v.antiJamMode) {
        case 1:
            t[4] = metres ? Format(en ? "AntiJam:Fixed%.1fm" : "抗干扰:定深%.1fm", v.antiJamDepth)
                          : Format(en ? "AntiJam:Fixed%.1f" : "抗干扰:定深%.1f",
                                   DepthUnits::FromMetres(v.antiJamDepth, v.unit)) +
                                v.unitName;
            break;
        case 2:
            t[4] = en ? "AntiJam:Trace" : "抗干扰:跟踪";
            break;
        default:
            // Modes outside 0..2 act like no rejection in the engine.
            t[4] = en ? "AntiJam:Normal" : "抗干扰:普通";
            break;
    }
    t[5] = v.outputPortOpen ? (en ? "WaterDis:Open" : "水深输出：打开")
                            : (en ? "WaterDis:Close" : "水深输出：关闭");
    // Once the companion program has missed depths, the pane says how many.
    if (v.companionDropped > 0)
        t[5] += Format(en ? " Lost:%llu" : " 丢失:%llu",
                       static_cast<unsigned long long>(v.companionDropped));
    t[6] = Format(en ? "Vol:%.1fV" : "电压：%.1fV", static_cast<double>(v.supplyVoltage));
    return t;
}

const StatusPaneTexts& InitialStatusTexts() {
    static const StatusPaneTexts texts = {"量程：自动",   "增益：自动",        "吃水：00.0",
                                          "声速：1800.0", "抗干扰：定深00.0m", "水深输出：关闭",
                                          "电压：00.0V"};
    return texts;
}

std::string UnrecordedText(std::uint32_t count, int language) {
    if (count == 0) return {};
    return Format(
        language != 0 ? "Recording fails: %u pings not recorded" : "存储失败：%u 个回波未存储",
        static_cast<unsigned>(count));
}
