#pragma once

#include <cstdint>

#include "engine/EngineStates.h"

// The operating state the main window's commands depend on, gathered from
// the engine, the settings and the main window at one moment.
struct OperatingState {
    RunMode runMode = RunMode::kLive;
    bool recording = false;
    bool portOpen = false;  // the instrument port object exists
    bool useNet = false;    // settings key UseNet = 1
    bool printing = false;  // chart printing active
    bool zoomOn = false;
    bool playBackward = false;
    std::int32_t playDelay = 3;
    std::int32_t viewWidth = 800;
    std::uint32_t recordIndex = 0;
    std::int32_t language = 0;  // settings key Language
    bool depthOutputDemo = false;
    bool toolbarVisible = true;
    bool statusBarVisible = true;
    bool fitToWindow = true;        // the echogram is scaled to the view
    std::int32_t depthUnit = 0;     // settings key DepthUnit
    std::int32_t colourScheme = 0;  // settings key ColourScheme
    bool trackShown = false;        // the track window is open
};

struct CommandState {
    bool known = false;  // the id names a command of the main window
    bool enabled = false;
    bool checkable = false;
    bool checked = false;
};

// The enabling rule and check mark of command id in state s. Unknown ids are
// reported as not known and disabled.
CommandState EvaluateCommand(int id, const OperatingState& s);
