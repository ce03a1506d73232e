#pragma once

#include "engine/SoundingSettings.h"
#include "engine/XSound.h"

// One engine for every fuzz input (its 20 MB offset table is too costly to
// make each time), put back before each input to the state of a new engine:
// live, forward, nothing open, first-run settings, a fresh decoder and
// processing state. An input that fails then fails on its own.
inline XSound& FuzzEngine() {
    static XSound& engine = *new XSound;  // never destroyed: exit handlers may run late
    engine.EndPlayback();
    engine.SetDirection(false);
    engine.SetRecordIndex(0);
    engine.ReleaseWorker();
    engine.AbandonSelfCheck(engine.SelfCheckState());
    engine.ApplySettings(SoundingSettings{});
    engine.View().SetAutoAdjust(true);
    engine.View().Reset(800);
    engine.ResetProcessing();
    engine.SetDepth(0.0);
    engine.SetMarkNumber(0);
    engine.SetMarkFlag(0);
    engine.SetMarkDebounce(0);
    return engine;
}
