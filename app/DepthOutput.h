#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "link/CompanionLink.h"
#include "link/NetLink.h"
#include "link/OutputLog.h"
#include "link/PortSlot.h"

struct AppSettings;
class XSound;

// Passes each new smoothed depth on as a depth sentence (DepType) to the
// three sinks: the depth-output serial port when it is open, the network
// link when UseNet is not 0, and the companion program "Kelvara".
//
// OutputDepth runs on whichever thread has the depth (the worker, or the UI
// thread for the demonstration output); it never touches a widget and never
// waits for the companion program: its messages go through the companion
// link's own thread, which drops (and counts) what the companion does not
// take in time.
class DepthOutput {
public:
    // companionPath: the socket of the companion's channel "Kelvara".
    DepthOutput(const XSound& engine, const AppSettings& settings, QString companionPath);

    // The depth-output port. The communication dialog sets it after opening
    // the port and clears it before destroying the port.
    PortSlot& OutputPort() { return m_outputPort; }
    bool OutputPortOpen() const { return m_outputPort.Present(); }
    // Depth texts the companion did not take in time, since the start.
    std::uint64_t CompanionDropped() const { return m_companion.Dropped(); }
    // Every message handed to a sink, for the output monitor.
    OutputLog& Log() { return m_log; }

    // Formats the engine's m_smoothedDepth and sends it to every sink.
    // Returns the bytes sent (empty for a DepType outside 0..4: nothing is
    // sent).
    std::string OutputDepth();

private:
    const XSound& m_engine;
    const AppSettings& m_settings;
    OutputLog m_log;
    PortSlot m_outputPort;
    NetLink m_netLink;
    CompanionLink m_companion;
};
