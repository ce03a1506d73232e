#pragma once

#include <string>

// The text reporting a failed call on a serial port:
// "WARNING:  <call> Failed with the following error: \n<error>\nPort: <n>\n",
// at most 199 bytes (cut on a character boundary).
std::string FormatPortWarning(const std::string& call, const std::string& errorText,
                              int portNumber);
