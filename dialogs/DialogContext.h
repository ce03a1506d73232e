#pragma once

#include <atomic>

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
};
