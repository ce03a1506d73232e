#pragma once

#include "printing/ChartValues.h"

class XSound;

// The engine's values as the chart prints them now. Called on the thread
// drawing the ping.
ChartValues ChartEngineValues(const XSound& engine);
