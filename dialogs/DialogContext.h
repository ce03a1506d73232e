#pragma once

#include <atomic>
#include <functional>

class AtomicSettings;
struct AppSettings;
struct DialogMemory;
class DialogPrompts;
class XSound;

// What the settings dialogs work on: the engine's sounding settings, the
// other settings, what they remember for the program run, the message boxes,
// and the chart printer's flag that the printed settings changed and a
// header line is due.
struct DialogContext {
    XSound& engine;
    AppSettings& settings;
    DialogMemory& memory;
    DialogPrompts& prompts;
    std::atomic<bool>& chartHeaderDue;
    // Called when a dialog changes a sounding setting while a recording is
    // played back: the change lasts only until playback ends, when the
    // engine puts the live settings back. May be empty.
    std::function<void()> changedInPlayback;

    // The engine's sounding settings, for a dialog to change one.
    AtomicSettings& Change() const;
};
