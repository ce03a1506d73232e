#pragma once

// The depth-output serial port as the communication dialog opens and closes
// it. The main window implements it.
class OutputPortControl {
public:
    virtual ~OutputPortControl() = default;
    virtual bool OutputPortOpen() const = 0;
    // Opens serial port portNumber (1..4) at baud bits per second (0: the
    // rate it was opened with last); on failure the port's own message has
    // been shown and false is returned.
    virtual bool OpenOutputPort(int portNumber, int baud) = 0;
    virtual void CloseOutputPort() = 0;
};
