#pragma once

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <optional>

#include "dialogs/DialogContext.h"
#include "engine/XSound.h"

// The range step sliders of the parameter and range dialogs.
namespace RangeSlider {

// The user let the slider go: the left mouse button or a key released over
// it. Dragging alone changes nothing.
inline bool IsRelease(const QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease)
        return static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton;
    if (event->type() == QEvent::KeyRelease)
        return !static_cast<const QKeyEvent*>(event)->isAutoRepeat();
    return false;
}

// The step at position (0..4, otherwise the requested step stays) becomes
// the requested one. True when it differs from the step seen at the last
// release, so the offset goes back to none; the first release of the run
// only records the step.
inline bool TakeStep(const DialogContext& context, int position, std::optional<int>& seen) {
    const XSound& engine = context.engine;
    if ((position & 0xFF) <= 4 && position != engine.Sounding().RangeIndexSet())
        context.Change().SetRangeIndexSet(static_cast<std::uint8_t>(position));
    const int index = engine.Sounding().RangeIndexSet();
    const bool first = !seen;
    const bool changed = seen != index;
    seen = index;
    return !first && changed;
}

}  // namespace RangeSlider
