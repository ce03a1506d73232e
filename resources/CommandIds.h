#pragma once

// Identifiers of the main window's commands and status bar panes. They are
// the same in the Chinese and the English interface, and companion programs
// send them over the local channel "Nereon" to run a command from outside.
namespace CommandId {

// 文件(&F)
inline constexpr int kOpenTextData = 32824;
inline constexpr int kExport = 32869;    // the survey to GIS formats
inline constexpr int kEditLine = 32871;  // a recorded line opened for editing
inline constexpr int kFilePrint = 57607;
inline constexpr int kFilePrintSetup = 57606;
inline constexpr int kAppExit = 57665;

// 查看(&V)
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;
inline constexpr int kFitToWindow = 32860;    // the echogram scaled to the window
inline constexpr int kOutputMonitor = 32861;  // what leaves on the depth outputs
// The unit the window shows depths in.
inline constexpr int kUnitMetres = 32863;
inline constexpr int kUnitFeet = 32864;
inline constexpr int kUnitFathoms = 32865;
// The colour scheme: day, dusk, night.
inline constexpr int kSchemeDay = 32866;
inline constexpr int kSchemeDusk = 32867;
inline constexpr int kSchemeNight = 32868;
inline constexpr int kTrack = 32880;  // the boat's track

// 控制[&C]
inline constexpr int kConnect = 32776;
inline constexpr int kDisconnect = 32790;
inline constexpr int kStartStoring = 32801;
inline constexpr int kStopStoring = 32802;
inline constexpr int kMark = 32807;
inline constexpr int kMonitor = 32803;
inline constexpr int kZoomIn = 32791;
inline constexpr int kZoomOut = 32792;
inline constexpr int kEndPlayback = 32794;
inline constexpr int kPlayback = 32796;
inline constexpr int kFaster = 32795;
inline constexpr int kPauseContinue = 32797;
inline constexpr int kSlower = 32798;
inline constexpr int kBackForward = 32810;
inline constexpr int kTimeSearch = 32821;
inline constexpr int kStartPrint = 32822;
inline constexpr int kStopPrint = 32823;
inline constexpr int kCompactMode = 32833;
inline constexpr int kSelfCheck = 32837;

// 设置[&S]
inline constexpr int kParameters = 32826;
inline constexpr int kCommunication = 32827;
inline constexpr int kColours = 32820;
inline constexpr int kNetwork = 32838;
inline constexpr int kPositioning = 32870;  // the GNSS position source
inline constexpr int kDraft = 32779;
inline constexpr int kSoundSpeed = 32781;
inline constexpr int kGain = 32804;
inline constexpr int kRange = 32784;
inline constexpr int kAntiJam = 32777;
inline constexpr int kChinese = 32834;
inline constexpr int kEnglish = 32835;
inline constexpr int kDepthOutputDemo = 32836;
inline constexpr int kAlarms = 32862;       // the depth alarms' settings
inline constexpr int kHelmDisplay = 32890;  // the helm display in a browser

// 帮助(&H)
inline constexpr int kAbout = 57664;

// Channel codes of the command frame; sent only by companion programs.
inline constexpr int kChannel80 = 32815;
inline constexpr int kChannel81 = 32813;
inline constexpr int kChannel82 = 32814;

// Every command with a menu item, in menu order, then the channel codes.
inline constexpr int kAll[] = {
    kOpenTextData, kEditLine, kExport, kFilePrint, kFilePrintSetup, kAppExit, kViewToolbar,
    kViewStatusBar, kFitToWindow, kOutputMonitor, kTrack, kConnect, kDisconnect, kStartStoring,
    kStopStoring, kMark, kMonitor, kZoomIn, kZoomOut, kPlayback, kEndPlayback, kFaster,
    kPauseContinue, kSlower, kBackForward, kTimeSearch, kStartPrint, kStopPrint, kCompactMode,
    kSelfCheck, kParameters, kCommunication, kColours, kNetwork, kPositioning, kDraft, kSoundSpeed,
    kGain, kRange, kAntiJam, kChinese, kEnglish, kDepthOutputDemo, kAbout, kChannel80, kChannel81,
    kChannel82,
    // Beyond the menus above: the depth unit, the alarms, the colour scheme, the
    // helm display.
    kUnitMetres, kUnitFeet, kUnitFathoms, kAlarms, kSchemeDay, kSchemeDusk, kSchemeNight,
    kHelmDisplay};

// The toolbar's buttons left to right; 0 is a separator.
inline constexpr int kToolbar[] = {kConnect,      kDisconnect,
                                   kStartStoring, kStopStoring,
                                   kMark,         0,
                                   kMonitor,      kZoomIn,
                                   kZoomOut,      0,
                                   kEndPlayback,  kPlayback,
                                   kFaster,       kPauseContinue,
                                   kSlower,       kBackForward,
                                   kTimeSearch,   0,
                                   kStartPrint,   kStopPrint,
                                   kAbout,        0,
                                   kParameters};

}  // namespace CommandId

namespace StatusPaneId {

// Left to right on the status bar.
inline constexpr int kRange = 40001;
inline constexpr int kGain = 40000;
inline constexpr int kDraft = 40002;
inline constexpr int kSoundSpeed = 40003;
inline constexpr int kAntiJam = 40004;
inline constexpr int kDepthOutput = 40005;
inline constexpr int kVoltage = 40006;
inline constexpr int kCount = 7;
inline constexpr int kOrder[kCount] = {kRange,   kGain,        kDraft,  kSoundSpeed,
                                       kAntiJam, kDepthOutput, kVoltage};

}  // namespace StatusPaneId
