#pragma once

#include <QString>

#include "engine/EngineStatus.h"

// The user's message for an engine status, in the interface language.
QString EngineMessage(const EngineStatus& status);
