#include "app/Settings.h"

#include <charconv>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <variant>

#include "app/ProfileFile.h"
#include "engine/XSound.h"
#include "settings/DepthUnit.h"
#include "settings/NumberText.h"
#include "settings/SettingLimits.h"

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view SkipSpace(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    return text.substr(i);
}

// Decimal text as the C library's atoi reads it, 0 when there are no
// digits.
std::int32_t ParseInt(std::string_view text) {
    return NumberText::LeadingInteger(text).value_or(0);
}

// Decimal text as atof reads it, independent of the process's locale.
double ParseDouble(std::string_view text) {
    text = SkipSpace(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() ? value : 0.0;
}

// The low byte of the parsed value, as a cast to an 8-bit variable keeps it.
std::uint8_t LowByte(std::int32_t value) {
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) & 0xFFu);
}

std::int8_t SignedLowByte(std::int32_t value) {
    return static_cast<std::int8_t>(LowByte(value));
}

// printf's "%.Nf", always with a decimal point whatever the locale.
std::string FormatFixed(double value, int decimals) {
    char buffer[400];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

std::string FormatInt(std::int32_t value) {
    return std::to_string(value);
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// How a key's text becomes its value and back.
enum class Format {
    kInt,          // decimal, 32-bit
    kByte,         // decimal, its low byte kept (8-bit settings)
    kSignedByte,   // the same, signed
    kIndex,        // a byte selecting one of count table entries; out of range: the default
    kSignedIndex,  // the same, signed
    kSpeed,        // read as an integer, written "%.6f"
    kFixed1,       // read as a decimal fraction, written "%.1f"
    kFixed2,       // the same, "%.2f"
    kFlag,         // decimal; anything but 0 reads as 1
    kColour,       // a colour word, written as a signed 32-bit decimal
    kText,
};

// Where a key's value lives: a field of the engine's settings value or an
// application setting.
using Field =
    std::variant<double*, bool*, std::uint8_t*, std::int8_t*, std::int32_t*, std::uint32_t*,
                 std::atomic<std::int32_t>*, std::atomic<std::int8_t>*, AppSettings*, std::string*>;

// The values a load or save works on: copies of the engine's settings and
// of the position source, and the application's settings.
struct Values {
    SoundingSettings& sound;
    AppSettings& app;
    PositionSourceSettings& positions;
};

// One key of the settings file.
struct Key {
    const char* section;
    const char* key;
    Field (*field)(Values& values);
    Format format;
    double noFile;              // the value when there is no settings file
    const char* missing = "0";  // the text a missing key reads as
    std::uint8_t count = 0;     // entries a kIndex or kSignedIndex value selects from
};

#define SOUND(member) [](Values& v) -> Field { return &v.sound.member; }
#define APP(member) [](Values& v) -> Field { return &v.app.member; }
#define GNSS(member) [](Values& v) -> Field { return &v.positions.member; }

constexpr const char* kGnss = "GNSS";

// Every key, in file order: sections SET_A, SET_C, Other and GNSS. Section
// GNSS is written only when the file had it or the user set it.
const Key kKeys[] = {
    {"SET_A", "EatWater", SOUND(m_draft), Format::kFixed2, 0.5},
    {"SET_A", "Speed", SOUND(m_soundSpeed), Format::kSpeed, 1500.0},
    {"SET_A", "PlusMod", SOUND(m_gainAuto), Format::kByte, 1},
    {"SET_A", "Plus", SOUND(m_gain), Format::kSignedByte, -15},
    {"SET_A", "RangeMod", SOUND(m_rangeAuto), Format::kByte, 1},
    // The range in effect is saved; loading sets the requested range too.
    {"SET_A", "RangIdx", SOUND(m_rangeIndex), Format::kIndex, 0, "0", 5},
    {"SET_A", "RangeOffset", SOUND(m_rangeOffset), Format::kIndex, 0, "0", 3},
    {"SET_A", "DisturbMod", SOUND(m_antiJamMode), Format::kIndex, 0, "0", 3},
    {"SET_A", "FixDep", SOUND(m_antiJamDepth), Format::kFixed1, 0.0},
    {"SET_C", "Back", SOUND(m_colours[kBack]), Format::kColour, kDefaultColours[kBack]},
    {"SET_C", "WaveL1", SOUND(m_colours[kWaveL1]), Format::kColour, kDefaultColours[kWaveL1]},
    {"SET_C", "Desk", SOUND(m_colours[kDesk]), Format::kColour, kDefaultColours[kDesk]},
    {"SET_C", "Line1", SOUND(m_colours[kLine1]), Format::kColour, kDefaultColours[kLine1]},
    {"SET_C", "Line2", SOUND(m_colours[kLine2]), Format::kColour, kDefaultColours[kLine2]},
    {"SET_C", "SeeBack", SOUND(m_colours[kSeeBack]), Format::kColour, kDefaultColours[kSeeBack]},
    {"SET_C", "SeeEdit", SOUND(m_colours[kSeeEdit]), Format::kColour, kDefaultColours[kSeeEdit]},
    {"Other", "Language", APP(m_language), Format::kInt, 0},
    {"Other", "ComNumIdx", APP(m_comNumIdx), Format::kSignedIndex, 0, "0", 4},
    {"Other", "ComBaudIdx", APP(m_comBaudIdx), Format::kSignedIndex, 0, "0", 8},
    {"Other", "PcCom", APP(m_pcCom), Format::kInt, 0, "1"},
    {"Other", "DepType", APP(m_depType), Format::kInt, 0},
    {"Other", "UartCtl", SOUND(m_uartCtl), Format::kInt, 0},
    {"Other", "UseNet", SOUND(m_useNet), Format::kInt, 0},
    {"Other", "IP", [](Values& v) -> Field { return &v.app; }, Format::kText, 0},
    {"Other", "PortListen", APP(m_portListen), Format::kInt, 0},
    {"Other", "PortSend", APP(m_portSend), Format::kInt, 0},
    {"Other", "NmeaCheck", APP(m_nmeaCheck), Format::kInt, 0},
    {"Other", "FitToWindow", APP(m_fitToWindow), Format::kFlag, 1, "1"},
    {kGnss, "Source", GNSS(source), Format::kInt, 0},
    {kGnss, "GpsdHost", GNSS(gpsdHost), Format::kText, 0, "localhost"},
    {kGnss, "GpsdPort", GNSS(gpsdPort), Format::kInt, 2947, "2947"},
    {kGnss, "SerialCom", GNSS(serialPort), Format::kInt, 1, "1"},
    {kGnss, "SerialBaud", GNSS(serialBaud), Format::kInt, 4800, "4800"},
    {kGnss, "LatencyMs", GNSS(latencyMs), Format::kInt, 0},
    {kGnss, "AntennaForward", GNSS(antennaForward), Format::kFixed2, 0.0},
    {kGnss, "AntennaStarboard", GNSS(antennaStarboard), Format::kFixed2, 0.0},
};

// The depth alarms, the window's depth unit and colours, and the helm
// display (sections Alarms, Display and Helm); a missing key reads as its
// default.
#define ALARM(member) [](Values& v) -> Field { return &v.app.m_alarms.member; }
const Key kDeckKeys[] = {
    {"Alarms", "ShallowOn", ALARM(shallow.on), Format::kFlag, 0},
    {"Alarms", "ShallowDepth", ALARM(shallow.depth), Format::kFixed2, 2.0, "2.00"},
    {"Alarms", "ShallowHysteresis", ALARM(shallow.hysteresis), Format::kFixed2, 0.3, "0.30"},
    {"Alarms", "DeepOn", ALARM(deep.on), Format::kFlag, 0},
    {"Alarms", "DeepDepth", ALARM(deep.depth), Format::kFixed2, 100.0, "100.00"},
    {"Alarms", "DeepHysteresis", ALARM(deep.hysteresis), Format::kFixed2, 1.0, "1.00"},
    {"Alarms", "BottomLostOn", ALARM(bottomLostOn), Format::kFlag, 0},
    {"Alarms", "BottomLostPings", ALARM(bottomLostPings), Format::kInt, 10, "10"},
    {"Alarms", "StaleOn", ALARM(staleOn), Format::kFlag, 0},
    {"Alarms", "StaleSeconds", ALARM(staleSeconds), Format::kInt, 5, "5"},
    {"Display", "DepthUnit", APP(m_depthUnit), Format::kIndex, 0, "0", DepthUnits::kCount},
    // Day, dusk, night.
    {"Display", "ColourScheme", APP(m_colourScheme), Format::kIndex, 0, "0", 3},
    // The helm display.
    {"Helm", "HelmOn", APP(m_helmOn), Format::kFlag, 0},
    {"Helm", "HelmAddress", APP(m_helmAddress), Format::kText, 0, "127.0.0.1"},
    {"Helm", "HelmPort", APP(m_helmPort), Format::kInt, 8080, "8080"},
};
#undef ALARM

#undef SOUND
#undef APP
#undef GNSS

// The values the dialogs let a user choose. A value outside them, as read
// from the file, would make every depth wrong (a sound speed of 0 makes
// every depth 0) or select nothing; such a key takes its first-run default.
struct Domain {
    const char* key;
    double min;
    double max;
};

const Domain kDomains[] = {
    {"EatWater", SettingLimits::kMinDraft, SettingLimits::kMaxDraft},
    {"Speed", SettingLimits::kMinSoundSpeed, SettingLimits::kMaxSoundSpeed},
    {"PlusMod", 0, 1},
    {"Plus", SettingLimits::kMinGain, SettingLimits::kMaxGain},
    {"RangeMod", 0, 1},
    {"RangIdx", 0, 4},
    {"RangeOffset", 0, 2},
    {"DisturbMod", 0, 2},
    {"FixDep", SettingLimits::kMinFixedDepth, SettingLimits::kMaxFixedDepth},
    {"ComNumIdx", 0, 3},
    {"ComBaudIdx", 0, 7},
    {"DepType", 0, 4},
    {"Source", PositionSourceSettings::kNone, PositionSourceSettings::kSerial},
    {"GpsdPort", SettingLimits::kMinPortNumber, SettingLimits::kMaxPortNumber},
    {"SerialCom", 1, SettingLimits::kMaxSerialPort},
    {"SerialBaud", SettingLimits::kMinBaud, SettingLimits::kMaxBaud},
    {"LatencyMs", SettingLimits::kMinLatencyMs, SettingLimits::kMaxLatencyMs},
    {"AntennaForward", -SettingLimits::kMaxAntennaOffset, SettingLimits::kMaxAntennaOffset},
    {"AntennaStarboard", -SettingLimits::kMaxAntennaOffset, SettingLimits::kMaxAntennaOffset},
    // The helm display.
    {"HelmPort", 1, 65535},
};

const Domain kDeckDomains[] = {
    {"ShallowDepth", AlarmLimits::kMinDepth, AlarmLimits::kMaxDepth},
    {"ShallowHysteresis", AlarmLimits::kMinHysteresis, AlarmLimits::kMaxHysteresis},
    {"DeepDepth", AlarmLimits::kMinDepth, AlarmLimits::kMaxDepth},
    {"DeepHysteresis", AlarmLimits::kMinHysteresis, AlarmLimits::kMaxHysteresis},
    {"BottomLostPings", AlarmLimits::kMinPings, AlarmLimits::kMaxPings},
    {"StaleSeconds", AlarmLimits::kMinSeconds, AlarmLimits::kMaxSeconds},
};

const Domain* DomainOf(const Key& key) {
    for (const Domain& domain : kDomains)
        if (std::string_view(domain.key) == key.key) return &domain;
    for (const Domain& domain : kDeckDomains)
        if (std::string_view(domain.key) == key.key) return &domain;
    return nullptr;
}

// Stores a number into the field, whatever its type.
void Store(const Field& field, double value) {
    std::visit(
        [&](auto* target) {
            using Target = std::remove_pointer_t<decltype(target)>;
            if constexpr (std::is_same_v<Target, AppSettings> ||
                          std::is_same_v<Target, std::string>) {
                (void)value;
            } else if constexpr (std::is_same_v<Target, std::atomic<std::int32_t>>) {
                target->store(static_cast<std::int32_t>(value));
            } else if constexpr (std::is_same_v<Target, std::atomic<std::int8_t>>) {
                target->store(static_cast<std::int8_t>(value));
            } else {
                *target = static_cast<Target>(value);
            }
        },
        field);
}

// The field's value as a number.
double Load(const Field& field) {
    return std::visit(
        [](auto* target) -> double {
            using Target = std::remove_pointer_t<decltype(target)>;
            if constexpr (std::is_same_v<Target, AppSettings> ||
                          std::is_same_v<Target, std::string>) {
                return 0.0;
            } else if constexpr (std::is_same_v<Target, std::atomic<std::int32_t>> ||
                                 std::is_same_v<Target, std::atomic<std::int8_t>>) {
                return static_cast<double>(target->load());
            } else {
                return static_cast<double>(*target);
            }
        },
        field);
}

// A text key: the receiver's address (IP) or the gpsd host.
void StoreText(const Field& field, const std::string& text) {
    if (std::holds_alternative<std::string*>(field))
        *std::get<std::string*>(field) = text;
    else
        std::get<AppSettings*>(field)->SetIp(text);
}

bool HasKey(const std::string& file, const Key& key) {
    // No value can hold a line break.
    return ProfileFile::FindString(file, key.section, key.key, "\n") != "\n";
}

// Whether the key's text in the file, read as the key's format reads it
// (before an 8-bit key keeps its low byte), lies in the key's domain.
bool InDomain(const Key& key, const std::string& text) {
    const Domain* domain = DomainOf(key);
    if (domain == nullptr) return true;
    const bool decimal = key.format == Format::kFixed1 || key.format == Format::kFixed2;
    const double value = decimal ? ParseDouble(text) : static_cast<double>(ParseInt(text));
    return value >= domain->min && value <= domain->max;
}

// The value of the key's text in the file; false, with the first-run
// default stored instead, when the value lies outside the key's domain.
bool Read(const Key& key, const std::string& file, const Field& field) {
    const std::string text = ProfileFile::FindString(file, key.section, key.key, key.missing);
    if (!InDomain(key, text)) {
        Store(field, key.noFile);
        return false;
    }
    switch (key.format) {
        case Format::kText:
            StoreText(field, text);
            return true;
        case Format::kInt:
            Store(field, ParseInt(text));
            return true;
        case Format::kFlag:
            Store(field, ParseInt(text) != 0 ? 1 : 0);
            return true;
        case Format::kByte:
            Store(field, LowByte(ParseInt(text)));
            return true;
        case Format::kSignedByte:
            Store(field, SignedLowByte(ParseInt(text)));
            return true;
        case Format::kIndex: {
            const std::uint8_t value = LowByte(ParseInt(text));
            Store(field, value < key.count ? value : key.noFile);
            return value < key.count;
        }
        case Format::kSignedIndex: {
            const std::int8_t value = SignedLowByte(ParseInt(text));
            Store(field, value >= 0 && value < key.count ? value : key.noFile);
            return value >= 0 && value < key.count;
        }
        case Format::kSpeed:
            // A fraction in the file is dropped.
            Store(field, static_cast<double>(ParseInt(text)));
            return true;
        case Format::kFixed1:
        case Format::kFixed2:
            Store(field, ParseDouble(text));
            return true;
        case Format::kColour:
            Store(field, static_cast<std::uint32_t>(ParseInt(text)));
            return true;
    }
    return true;
}

// The key's text for the field's value.
std::string Written(const Key& key, const Field& field) {
    switch (key.format) {
        case Format::kText:
            return std::holds_alternative<std::string*>(field)
                       ? *std::get<std::string*>(field)
                       : std::get<AppSettings*>(field)->Ip();
        case Format::kSpeed:
            return FormatFixed(Load(field), 6);
        case Format::kFixed1:
            return FormatFixed(Load(field), 1);
        case Format::kFixed2:
            return FormatFixed(Load(field), 2);
        case Format::kColour:
            // Read back to the same bits.
            return FormatInt(static_cast<std::int32_t>(static_cast<std::uint32_t>(Load(field))));
        default:
            return FormatInt(static_cast<std::int32_t>(Load(field)));
    }
}

}  // namespace

void SetDefaultSettings(XSound& engine, AppSettings& app) {
    SoundingSettings sound = engine.Settings();
    PositionSourceSettings positions;
    Values values{sound, app, positions};
    for (const Key& key : kKeys) {
        const Field field = key.field(values);
        if (key.format != Format::kText) Store(field, key.noFile);
    }
    for (const Key& key : kDeckKeys)
        if (key.format != Format::kText) Store(key.field(values), key.noFile);
    app.SetIp(AppSettings::kDefaultIp);
    app.m_helmAddress = "127.0.0.1";
    app.SetPositions(positions);
    sound.m_rangeIndexSet = sound.m_rangeIndex;
    sound.m_rangeOffsetSet = sound.m_rangeOffset;
    engine.ApplySettings(sound);
}

bool LoadSettings(const std::string& path, XSound& engine, AppSettings& app,
                  std::vector<std::string>* defaulted) {
    std::string file;
    if (ProfileFile::ReadFile(path, &file) != ProfileFile::ReadResult::kRead) return false;
    SoundingSettings sound = engine.Settings();
    PositionSourceSettings positions;
    Values values{sound, app, positions};
    if (defaulted != nullptr) defaulted->clear();
    for (const Key& key : kKeys) {
        if (!Read(key, file, key.field(values)) && defaulted != nullptr)
            defaulted->push_back(key.key);
        if (std::string_view(key.section) == kGnss && HasKey(file, key)) positions.inFile = true;
    }
    for (const Key& key : kDeckKeys)
        if (!Read(key, file, key.field(values)) && defaulted != nullptr)
            defaulted->push_back(key.key);
    app.SetPositions(positions);
    sound.m_rangeIndexSet = sound.m_rangeIndex;
    sound.m_rangeOffsetSet = sound.m_rangeOffset;
    engine.ApplySettings(sound);
    return true;
}

bool SaveSettings(const std::string& path, const XSound& engine, const AppSettings& app) {
    std::string file;
    if (ProfileFile::ReadFile(path, &file) != ProfileFile::ReadResult::kRead) return false;
    SoundingSettings sound = engine.Settings();
    // Read-only use of app: the table's fields are only loaded here.
    PositionSourceSettings positions = app.Positions();
    Values values{sound, const_cast<AppSettings&>(app), positions};
    bool ok = true;
    for (const Key& key : kKeys) {
        if (std::string_view(key.section) == kGnss && !positions.inFile) continue;
        ok = ProfileFile::SetString(&file, key.section, key.key, Written(key, key.field(values))) &&
             ok;
    }
    // Sections Alarms, Display and Helm are written once the file has them or a
    // value in them differs from its default: a file saved without them
    // otherwise stays as it was.
    for (const char* section : {"Alarms", "Display", "Helm"}) {
        bool write = false;
        for (const Key& key : kDeckKeys)
            if (std::string_view(key.section) == section &&
                (HasKey(file, key) || Written(key, key.field(values)) != key.missing))
                write = true;
        if (!write) continue;
        for (const Key& key : kDeckKeys)
            if (std::string_view(key.section) == section)
                ok = ProfileFile::SetString(&file, key.section, key.key,
                                            Written(key, key.field(values))) &&
                     ok;
    }
    return ProfileFile::WriteFile(path, file) && ok;
}

bool StartSettings(const std::string& path, XSound& engine, AppSettings& app,
                   std::vector<std::string>* defaulted) {
    SetDefaultSettings(engine, app);
    if (FileExists(path)) {
        // Something in the file's place that cannot be read as settings (a
        // folder, a FIFO, an unreadable, huge or binary file) leaves every
        // default.
        if (LoadSettings(path, engine, app, defaulted)) return true;
        SetDefaultSettings(engine, app);
        return false;
    }
    std::ofstream create(path, std::ios::binary | std::ios::trunc);
    return static_cast<bool>(create);
}
