#pragma once

class PortSlot;
class XSound;

// The main window's handling of a port's receive notification (UI thread),
// for a port without a receiver: the instrument port's bytes go to
// XSound::ReceiveBytes on the port's own thread instead, and only the
// depth-output port's notifications come here (draining the instrument
// port's empty ring, which is harmless).
// Only port numbers 1 to 9 are accepted (-1 otherwise). The instrument
// port's received bytes are drained; in live mode they go to the frame
// decoder, in playback they are dropped. Returns 0 for an accepted
// notification, whichever port sent it.
int HandleReceiveNotification(int portNumber, PortSlot& instrumentPort, XSound& engine);
