#include "dialogs/DialogContext.h"

#include "engine/XSound.h"

AtomicSettings& DialogContext::Change() const {
    if (!engine.IsLive() && changedInPlayback) changedInPlayback();
    return engine.Sounding();
}
