#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// What the settings dialogs remember for the whole program run, beyond the
// life of any one dialog. The main window keeps one; tests make their own.
struct DialogMemory {
    // The parameter dialog's last values seen in its draft, speed and fixed
    // depth edits and its range slider.
    std::optional<double> parameterDraft;
    std::optional<std::uint32_t> parameterSpeed;
    std::optional<double> parameterFixedDepth;
    std::optional<int> parameterSlider;
    // The range dialog's last trackbar index seen.
    std::optional<int> rangeSlider;
    // The communication dialog's frequency (kHz) and its hidden list's
    // text; empty until 应用, +1, -1 or 默认 sets them.
    QString frequencyText;
    QString frequencyListText;
    // The last water measured for the sound speed.
    double waterTemperature = 15.0;  // °C
    double waterSalinity = 0.0;      // PSU
    double waterDepth = 5.0;         // m
};
