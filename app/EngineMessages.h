#pragma once

#include <functional>
#include <string>

#include "engine/EngineStatus.h"

// The user's message for an engine status. Each message is a pattern in
// Chinese with %1, %2 ... for its details (paths, the system's reason, a
// count, the message of the failure underneath); translate turns a pattern
// into the interface language (context "EngineMessages" of the English
// translation). Without translate the message is the Chinese text.
std::string EngineMessageText(
    const EngineStatus& status,
    const std::function<std::string(const char* pattern)>& translate = {});

// The system's reason for an errno value, as the C library words it.
std::string SystemErrorText(int systemError);
