#include "app/Settings.h"

#include <charconv>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string_view>
#include <system_error>

#include "app/ProfileFile.h"
#include "engine/XSound.h"

std::string AppSettings::Ip() const {
    std::lock_guard<std::mutex> lock(m_ipMutex);
    return m_ip;
}

void AppSettings::SetIp(const std::string& ip) {
    std::lock_guard<std::mutex> lock(m_ipMutex);
    m_ip = ip;
}

namespace {

// No-file defaults of the keys whose value selects a table entry.
constexpr std::uint8_t kDefaultRangeIndex = 0;
constexpr std::uint8_t kDefaultRangeOffset = 0;
constexpr std::uint8_t kDefaultAntiJamMode = 0;
constexpr std::int8_t kDefaultComNumIdx = 0;
constexpr std::int8_t kDefaultComBaudIdx = 0;

constexpr const char* kColourKeys[XSound::kColourCount] = {"Back",  "WaveL1",  "Desk",   "Line1",
                                                           "Line2", "SeeBack", "SeeEdit"};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view SkipSpace(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    return text.substr(i);
}

// Decimal text as the C library's atoi reads it: leading space, a sign,
// digits up to the first other character, 0 when there are none. Values
// beyond the 32-bit range are held at its ends.
std::int32_t ParseInt(std::string_view text) {
    text = SkipSpace(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > std::int64_t{1} << 32) break;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
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

class SectionReader {
public:
    // file: the settings file's text.
    SectionReader(const std::string& file, const char* section)
        : m_file(file), m_section(section) {}
    std::string Text(const char* key, const char* missing = "0") const {
        return ProfileFile::FindString(m_file, m_section, key, missing);
    }
    std::int32_t Int(const char* key, const char* missing = "0") const {
        return ParseInt(Text(key, missing));
    }
    double Double(const char* key) const { return ParseDouble(Text(key)); }
    // An 8-bit value that selects a table entry: out of [0, count) it is the
    // no-file default.
    std::uint8_t Index(const char* key, std::uint8_t count, std::uint8_t fallback) const {
        std::uint8_t value = LowByte(Int(key));
        return value < count ? value : fallback;
    }

private:
    const std::string& m_file;
    const char* m_section;
};

class SectionWriter {
public:
    // file: the settings file's text, changed in place.
    SectionWriter(std::string* file, const char* section) : m_file(file), m_section(section) {}
    void Text(const char* key, const std::string& value) {
        m_ok = ProfileFile::SetString(m_file, m_section, key, value) && m_ok;
    }
    void Int(const char* key, std::int32_t value) { Text(key, FormatInt(value)); }
    bool Ok() const { return m_ok; }

private:
    std::string* m_file;
    const char* m_section;
    bool m_ok = true;
};

void LoadSoundSettings(const std::string& file, XSound& engine) {
    SectionReader reader(file, "SET_A");
    engine.m_draft.store(reader.Double("EatWater"));
    // Speed is read as an integer: a fraction in the file is dropped.
    engine.m_soundSpeed.store(static_cast<double>(reader.Int("Speed")));
    engine.m_gainAuto.store(LowByte(reader.Int("PlusMod")));
    engine.m_gain.store(SignedLowByte(reader.Int("Plus")));
    engine.m_rangeAuto.store(LowByte(reader.Int("RangeMod")));
    std::uint8_t rangeIndex = reader.Index("RangIdx", 5, kDefaultRangeIndex);
    engine.m_rangeIndex.store(rangeIndex);
    engine.m_rangeIndexSet.store(rangeIndex);
    std::uint8_t rangeOffset = reader.Index("RangeOffset", 3, kDefaultRangeOffset);
    engine.m_rangeOffset.store(rangeOffset);
    engine.m_rangeOffsetSet.store(rangeOffset);
    engine.m_antiJamMode.store(reader.Index("DisturbMod", 3, kDefaultAntiJamMode));
    engine.m_antiJamDepth.store(reader.Double("FixDep"));
}

void LoadColours(const std::string& file, XSound& engine) {
    SectionReader reader(file, "SET_C");
    for (int i = 0; i < XSound::kColourCount; ++i)
        engine.m_colours[i].store(static_cast<std::uint32_t>(reader.Int(kColourKeys[i])));
}

void LoadOtherSettings(const std::string& file, XSound& engine, AppSettings& app) {
    SectionReader reader(file, "Other");
    app.m_language.store(reader.Int("Language"));
    std::int8_t comNum = SignedLowByte(reader.Int("ComNumIdx"));
    app.m_comNumIdx.store(comNum >= 0 && comNum < 4 ? comNum : kDefaultComNumIdx);
    std::int8_t comBaud = SignedLowByte(reader.Int("ComBaudIdx"));
    app.m_comBaudIdx.store(comBaud >= 0 && comBaud < 8 ? comBaud : kDefaultComBaudIdx);
    app.m_pcCom.store(reader.Int("PcCom", "1"));
    app.m_depType.store(reader.Int("DepType"));
    engine.m_uartCtl.store(reader.Int("UartCtl"));
    engine.m_useNet.store(reader.Int("UseNet"));
    app.SetIp(reader.Text("IP"));
    app.m_portListen.store(reader.Int("PortListen"));
    app.m_portSend.store(reader.Int("PortSend"));
    app.m_nmeaCheck.store(reader.Int("NmeaCheck"));
    app.m_fitToWindow.store(reader.Int("FitToWindow", "1") != 0 ? 1 : 0);
}

bool SaveSoundSettings(std::string* file, const XSound& engine) {
    SectionWriter writer(file, "SET_A");
    writer.Text("EatWater", FormatFixed(engine.m_draft.load(), 2));
    writer.Text("Speed", FormatFixed(engine.m_soundSpeed.load(), 6));
    writer.Int("PlusMod", engine.m_gainAuto.load());
    writer.Int("Plus", engine.m_gain.load());
    writer.Int("RangeMod", engine.m_rangeAuto.load());
    writer.Int("RangIdx", engine.m_rangeIndex.load());
    writer.Int("RangeOffset", engine.m_rangeOffset.load());
    writer.Int("DisturbMod", engine.m_antiJamMode.load());
    writer.Text("FixDep", FormatFixed(engine.m_antiJamDepth.load(), 1));
    return writer.Ok();
}

bool SaveColours(std::string* file, const XSound& engine) {
    SectionWriter writer(file, "SET_C");
    // Colour words are written as signed 32-bit decimals and read back to
    // the same bits.
    for (int i = 0; i < XSound::kColourCount; ++i)
        writer.Int(kColourKeys[i], static_cast<std::int32_t>(engine.m_colours[i].load()));
    return writer.Ok();
}

bool SaveOtherSettings(std::string* file, const XSound& engine, const AppSettings& app) {
    SectionWriter writer(file, "Other");
    writer.Int("Language", app.m_language.load());
    writer.Int("ComNumIdx", app.m_comNumIdx.load());
    writer.Int("ComBaudIdx", app.m_comBaudIdx.load());
    writer.Int("PcCom", app.m_pcCom.load());
    writer.Int("DepType", app.m_depType.load());
    writer.Int("UartCtl", engine.m_uartCtl.load());
    writer.Int("UseNet", engine.m_useNet.load());
    writer.Text("IP", app.Ip());
    writer.Int("PortListen", app.m_portListen.load());
    writer.Int("PortSend", app.m_portSend.load());
    writer.Int("NmeaCheck", app.m_nmeaCheck.load());
    writer.Int("FitToWindow", app.m_fitToWindow.load());
    return writer.Ok();
}

}  // namespace

void SetDefaultSettings(XSound& engine, AppSettings& app) {
    engine.m_draft.store(0.5);
    engine.m_soundSpeed.store(1500.0);
    engine.m_gainAuto.store(1);
    engine.m_gain.store(-15);
    engine.m_rangeAuto.store(1);
    engine.m_rangeIndex.store(kDefaultRangeIndex);
    engine.m_rangeIndexSet.store(kDefaultRangeIndex);
    engine.m_rangeOffset.store(kDefaultRangeOffset);
    engine.m_rangeOffsetSet.store(kDefaultRangeOffset);
    engine.m_antiJamMode.store(kDefaultAntiJamMode);
    engine.m_antiJamDepth.store(0.0);
    for (int i = 0; i < XSound::kColourCount; ++i)
        engine.m_colours[i].store(XSound::kDefaultColours[i]);
    engine.m_uartCtl.store(0);
    engine.m_useNet.store(0);

    app.m_language.store(0);
    app.m_comNumIdx.store(kDefaultComNumIdx);
    app.m_comBaudIdx.store(kDefaultComBaudIdx);
    app.m_pcCom.store(0);
    app.m_depType.store(0);
    app.SetIp(AppSettings::kDefaultIp);
    app.m_portListen.store(0);
    app.m_portSend.store(0);
    app.m_nmeaCheck.store(0);
    app.m_fitToWindow.store(1);
}

bool LoadSettings(const std::string& path, XSound& engine, AppSettings& app) {
    std::string file;
    if (ProfileFile::ReadFile(path, &file) != ProfileFile::ReadResult::kRead) return false;
    LoadSoundSettings(file, engine);
    LoadColours(file, engine);
    LoadOtherSettings(file, engine, app);
    return true;
}

bool SaveSettings(const std::string& path, const XSound& engine, const AppSettings& app) {
    std::string file;
    if (ProfileFile::ReadFile(path, &file) != ProfileFile::ReadResult::kRead) return false;
    bool ok = SaveSoundSettings(&file, engine);
    ok = SaveColours(&file, engine) && ok;
    ok = SaveOtherSettings(&file, engine, app) && ok;
    return ProfileFile::WriteFile(path, file) && ok;
}

bool StartSettings(const std::string& path, XSound& engine, AppSettings& app) {
    SetDefaultSettings(engine, app);
    if (FileExists(path)) {
        // Something in the file's place that cannot be read as settings (a
        // folder, a FIFO, an unreadable or huge file) leaves every default.
        if (LoadSettings(path, engine, app)) return true;
        SetDefaultSettings(engine, app);
        return false;
    }
    std::ofstream create(path, std::ios::binary | std::ios::trunc);
    return static_cast<bool>(create);
}
