#pragma once

#include <string>

#include "edit/Redetection.h"
#include "edit/SpikeFilter.h"

// A filter as the command line names it: "spike[:neighbours=N,amount=M,
// share=S]", "window:MIN:MAX", "redetect:draft=M,speed=V,antijam=0|1|2,
// depth=M" or "restore". A name alone takes the filter's defaults.
struct EditFilterChoice {
    enum class Kind { kSpike, kWindow, kRedetect, kRestore };
    Kind kind = Kind::kSpike;
    SpikeSettings spike;
    double min = 0.0;  // window, m
    double max = 0.0;
    RedetectSettings redetect;
};

// False with a message in error when text names no filter or a bad value.
bool ParseEditFilter(const std::string& text, EditFilterChoice& out, std::string& error);
