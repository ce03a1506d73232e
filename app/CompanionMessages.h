#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class XSound;

// What the companion messages need from the main window. The main window
// implements it; tests use a fake.
class CompanionTarget {
public:
    virtual ~CompanionTarget() = default;
    // Full window (view width 800) to compact window (150) and back, with
    // the menus and the depth monitor.
    virtual void SetCompactMode() = 0;
    virtual void SetFullMode() = 0;
    // Runs a menu command when its enabling rule allows it; false when the
    // command is disabled or unknown.
    virtual bool ExecuteCommand(int id) = 0;
};

// The messages companion programs send to the main window over the local
// channel: mode and mark texts, the process-now request and command ids.
// Every handler runs on the UI thread.
class CompanionMessages {
public:
    CompanionMessages(XSound& engine, CompanionTarget& target);

    // The text of a copy-data message: its bytes up to the first zero byte,
    // never more than count bytes.
    static std::string CopyDataText(const char* bytes, std::size_t count);
    // The mark number of an "OV-Piling" text: the decimal value of its last
    // five characters (leading blanks, zeros and a sign allowed; digits end
    // at the first other character; no digits give 0).
    static std::int32_t PilingNumber(std::string_view text);

    // "OV-Simple", "OV-Usual" and "OV-Piling<number>"; other texts are
    // ignored.
    void HandleCopyData(const char* bytes, std::size_t count);
    // Processes the completed live ping now, when playback is not active.
    // Returns 1 when a ping was processed.
    int HandleProcessNow();
    // The channel-code commands (CommandId::kChannel80..82: only companion
    // programs send them, always enabled) choose the channel code of the
    // next command frame and are applied here; every other id goes to the
    // main window's ExecuteCommand, which applies the enabling rule.
    // Returns true when the command ran.
    bool HandleCommand(std::uint32_t id);

private:
    XSound& m_engine;
    CompanionTarget& m_target;
};
