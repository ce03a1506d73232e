#include "app/CommandRules.h"

#include "resources/CommandIds.h"

namespace {

CommandState Enabled(bool enabled) {
    CommandState state;
    state.known = true;
    state.enabled = enabled;
    return state;
}

CommandState Checked(bool checked) {
    CommandState state = Enabled(true);
    state.checkable = true;
    state.checked = checked;
    return state;
}

}  // namespace

CommandState EvaluateCommand(int id, const OperatingState& s) {
    using namespace CommandId;
    const bool live = s.runMode == RunMode::kLive;
    const bool playing = !live;  // running or paused
    switch (id) {
        case kOpenTextData:
        case kExport:
        case kEditLine:
        case kFilePrint:
        case kFilePrintSetup:
        case kAppExit:
        case kMonitor:
        case kCompactMode:
        case kSelfCheck:
        case kParameters:
        case kCommunication:
        case kColours:
        case kNetwork:
        case kPositioning:
        case kDraft:
        case kSoundSpeed:
        case kGain:
        case kRange:
        case kAntiJam:
        case kAbout:
        case kChannel80:
        case kChannel81:
        case kChannel82:
        case kOutputMonitor:
        case kAlarms:
        case kHelmDisplay:
            return Enabled(true);
        case kUnitMetres:
            return Checked(s.depthUnit == 0);
        case kUnitFeet:
            return Checked(s.depthUnit == 1);
        case kUnitFathoms:
            return Checked(s.depthUnit == 2);
        case kSchemeDay:
            return Checked(s.colourScheme == 0);
        case kSchemeDusk:
            return Checked(s.colourScheme == 1);
        case kSchemeNight:
            return Checked(s.colourScheme == 2);
        case kFitToWindow:
            return Checked(s.fitToWindow);
        case kTrack:
            return Checked(s.trackShown);
        case kViewToolbar:
            return Checked(s.toolbarVisible);
        case kViewStatusBar:
            return Checked(s.statusBarVisible);
        case kConnect:
            return Enabled(s.useNet || (!s.portOpen && live));
        case kDisconnect:
            return Enabled(!s.useNet && s.portOpen && live);
        case kStartStoring:
            return Enabled(live && !s.recording);
        case kStopStoring:
            return Enabled(s.recording && live);
        case kMark:
            return Enabled(live);
        case kZoomIn:
            return Enabled(!s.zoomOn && !s.playBackward);
        case kZoomOut:
            return Enabled(s.zoomOn && !s.playBackward);
        case kPlayback:
            return Enabled(live && !s.recording && !s.portOpen);
        case kEndPlayback:
        case kPauseContinue:
        case kTimeSearch:
            return Enabled(playing);
        case kFaster:
            return Enabled(playing && s.playDelay > 0);
        case kSlower:
            return Enabled(playing && s.playDelay < 6);
        case kBackForward: {
            // Unsigned comparison: a view narrower than the margin never
            // allows turning backward.
            const auto margin = static_cast<std::uint32_t>(s.viewWidth - 30);
            return Enabled(playing && (s.recordIndex > margin || s.playBackward));
        }
        case kStartPrint:
            return Enabled(!s.printing && playing);
        case kStopPrint:
            return Enabled(s.printing && playing);
        case kChinese:
            return Checked(s.language == 0);
        case kEnglish:
            return Checked(s.language != 0);
        case kDepthOutputDemo:
            return Checked(s.depthOutputDemo);
        default:
            return CommandState{};
    }
}
