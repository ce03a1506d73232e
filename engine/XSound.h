#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "engine/AtomicSettings.h"
#include "engine/BottomDetector.h"
#include "engine/EngineHost.h"
#include "engine/EngineStates.h"
#include "engine/EngineStatus.h"
#include "engine/FrameDecoder.h"
#include "engine/PingProcessor.h"
#include "engine/PingRecord.h"
#include "engine/Player.h"
#include "engine/RangeTable.h"
#include "engine/Recorder.h"
#include "engine/RecordingFiles.h"
#include "engine/SampleExpander.h"
#include "engine/SoundingSettings.h"
#include "engine/ViewWindow.h"
#include "engine/WorkerSignal.h"

// The sounding engine, built from parts that each own their state:
// FrameDecoder (bytes to raw frames), SampleExpander (raw frame to samples),
// PingProcessor (samples and settings in, depth, bottom, gain and range
// decisions out; it holds the BottomDetector, the automatic adjustment's
// counts and the smoothing ring), AtomicSettings (the sounding settings),
// ViewWindow (what the echogram shows), Recorder (storing a recording),
// Player (opening and reading a recording, and the position in it) and
// RecordingFiles (the recording's files, which the Recorder writes and the
// Player reads; neither owns them). XSound
// holds the current ping, its results, the run state and the mark, puts
// the processor's decisions into effect and links the parts.
//
// How to use it from outside engine/:
//  - Run state: read with Mode(), IsLive(), IsRecording(), PlayingBackward(),
//    SelfCheckState(), FrameReady(), NewPing(); change it only with the verbs
//    Pause(), Resume(), BeginPlayback(), OpenRecording(), EndPlayback(),
//    SetDirection(), HoldWorker()/ReleaseWorker(), RequestSelfCheck(),
//    AbandonSelfCheck(), Mark(), MarkNumbered(), TakeMarkFlag().
//  - Settings: Settings()/ApplySettings() for the whole value, Sounding()
//    for one field; the view: View(); results: Depth(), SmoothedDepth(),
//    PingTime(), RecordIndex() ...
//    Memory ordering is the engine's business: never store into its atomics.
//  - Threads: ReceiveBytes on the instrument port's thread (decoded and
//    processed there: one thread and one wake-up per live ping);
//    DecodeBytes, then StepLive on the worker (EngineWorker), for tools and
//    tests; StepPlayback on the worker; the verbs above on the UI thread.
//
// Members that one thread writes and another reads are std::atomic.
// Members without std::atomic are used only by the thread that processes
// the current ping (under m_pingMutex) or only on the UI thread.
class XSound {
public:
    using RangeStep = ::RangeStep;
    static constexpr const RangeStep (&m_rangeTable)[5] = kRangeTable;
    // Top depth (m) of the displayed window per range index and range offset.
    static constexpr std::int32_t m_scaleTable[5][3] = {
        {0, 3, 6}, {0, 6, 12}, {0, 15, 30}, {0, 30, 60}, {0, 60, 120}};
    static constexpr std::int32_t kEdgeMargin = 30;  // pings; playback look-ahead is w - 30

    // Row of m_rangeTable/m_scaleTable for a range index or offset that may
    // come from a hand-edited settings file: values past the last row use
    // the last row, so no table is ever read out of bounds.
    static constexpr std::uint8_t SafeRangeIndex(std::uint8_t index) {
        return ::SafeRangeIndex(index);
    }
    static constexpr std::uint8_t SafeRangeOffset(std::uint8_t offset) {
        return offset > 2 ? 2 : offset;
    }

    // Colour words 0x00BBGGRR (engine/SoundingSettings.h): XSound::kBack ...
    using ColourKey = ::ColourKey;
    using enum ::ColourKey;
    static constexpr const std::uint32_t (&kDefaultColours)[kColourCount] = ::kDefaultColours;

    explicit XSound(EngineHost* host = nullptr);
    virtual ~XSound();
    XSound(const XSound&) = delete;
    XSound& operator=(const XSound&) = delete;

    void SetHost(EngineHost* host);
    EngineHost& Host() { return *m_host; }

    // --- Frame decoder ----------------------------------------------------
    // Decodes a chunk of the instrument's bytes; a completed frame is handed
    // over to the worker, which it wakes (tools and tests that feed a byte
    // stream). One thread decodes at a time.
    void DecodeBytes(const std::uint8_t* bytes, std::uint32_t length);
    // The live path of the program, on the thread that reads the instrument
    // port: decodes a chunk and processes a frame it completes at once, on
    // the same thread, without waking the worker (StepLive). In playback the
    // bytes are dropped. Returns 1 when a ping was processed.
    int ReceiveBytes(const std::uint8_t* bytes, std::uint32_t length);
    // Appends the expanded samples of the raw frame to m_samples (worker).
    void ExpandSamples();
    std::uint32_t DepthToSamples(double metres) const;
    double SamplesToDepth(std::uint32_t count) const;

    // --- Command frame ---------------------------------------------------
    void BuildCommandFrame(std::uint8_t frame[kCommandFrameLength]) const;
    void SendCommandFrame();
    // One 400 ms tick of the command watchdog; true when it re-sent the frame.
    bool WatchdogTick();

    // --- Ping processing (the port's thread, the worker, or the UI thread
    // for the process-now message)
    // Takes a completed frame, copies the requested range into the range in
    // effect, processes the ping and asks the host to draw it, all under
    // m_pingMutex. Returns 1 when a ping was processed.
    int StepLive();
    int ProcessLivePing();
    int ProcessPlaybackPing();
    // Clears the ping results and builds the samples from the raw frame:
    // draft prefix, then the expanded body; the raw frame is used up.
    void BuildSamples();
    // The ping processor's steps on the current ping, their decisions put
    // into effect: DetectBottom sets the bottom and the depth; AutoAdjust
    // sets gain, requested range, lost bottom and smoothed depth, refreshes
    // the dialogs and the depth monitor and outputs the depth.
    void DetectBottom();
    void AutoAdjust();

    // --- Recording files ---------------------------------------------------
    // Opens or continues the recording whose chosen path is given (the base
    // is the path with its file name cut at the first '.'). On failure
    // nothing is open, nothing existing is truncated and the status says why.
    EngineStatus StartRecording(const std::string& chosenPath);
    void WriteRecord();     // at each processed live ping while recording, before its samples
    void WriteDepthLine();  // worker, after bottom detection while recording
    void CloseRecording();
    bool CheckpointIndex();  // rewrites the .idx with the records so far
    // The record at the data file's position becomes the current ping:
    // raw frame, settings, time and mark (playback).
    bool ReadRecord();
    // Moves the data file to record index; false for an index the table
    // does not list.
    bool SeekRecord(std::uint32_t index);

    // --- Playback --------------------------------------------------------
    // Opens a recording for playback and begins it (without an index file
    // by scanning the data file: PlaybackNotice); on failure the engine is
    // live again and the status says why.
    EngineStatus OpenRecording(const std::string& chosenPath);
    void SearchTime();
    void EndPlayback();
    // One playback step of the worker (direction change, forward or backward
    // with look-ahead). The caller paces the steps.
    void StepPlayback();

    // --- Run state: accessors (any thread) ------------------------------
    RunMode Mode() const { return m_runMode.load(std::memory_order_acquire); }
    bool IsLive() const { return Mode() == RunMode::kLive; }
    bool IsRecording() const { return m_recorder.IsRecording(); }
    // Pings not recorded since the last record that could be written (a
    // full disk); 0 while recording works.
    std::uint32_t UnrecordedPings() const { return m_recorder.UnrecordedPings(); }
    bool PlayingBackward() const { return m_playBackward.load(std::memory_order_acquire); }
    SelfCheck SelfCheckState() const { return m_selfCheckState.load(std::memory_order_acquire); }
    FrameSlot FrameSlotState() const { return m_decoder.Slot(); }
    bool FrameReady() const { return FrameSlotState() == FrameSlot::kReady; }
    // True once the ping processed last is complete and may be drawn.
    bool NewPing() const { return m_newPing.load(std::memory_order_acquire); }
    bool WorkerHeld() const { return m_workerHold.load(std::memory_order_acquire); }
    std::int32_t MarkDebounce() const { return m_markDebounce.load(std::memory_order_relaxed); }
    std::uint8_t PingWatchdog() const { return m_pingWatchdog.load(std::memory_order_relaxed); }

    // --- Run state: verbs (UI thread unless said otherwise) --------------
    // Playback running, or live, becomes paused; Resume returns to the mode
    // that was paused. Live is paused while the user chooses a recording.
    void Pause();
    void Resume();
    // Enters playback running, forward, with automatic adjustment.
    // OpenRecording calls it once the recording is open; tools and tests
    // that feed records themselves call it directly.
    void BeginPlayback();
    // Playback direction; a paused playback resumes.
    void SetDirection(bool backward);
    // The worker idles while held (a time search moves the position).
    void HoldWorker();
    void ReleaseWorker();
    // The next command frame carries a self-check request.
    void RequestSelfCheck();
    // Gives the request up if it is still in the state seen; true when it
    // did (the frame may carry it at this very moment).
    bool AbandonSelfCheck(SelfCheck seen);
    // The operator's mark (next number), or a mark numbered by the
    // companion program: the number first, then the flag hands it over.
    void Mark();
    void MarkNumbered(std::int32_t number);
    // Takes the mark flag of the ping being drawn (worker).
    std::uint8_t TakeMarkFlag();
    // Mark numbers start again at 0 when they reach limit.
    void WrapMarkNumber(std::int32_t limit);
    // One tick of the mark debounce (UI thread, same as the decoder).
    void TickMarkDebounce(std::int32_t limit);
    // A command frame went out by hand: the watchdog starts afresh.
    void ResetWatchdog();
    // The decoder, the expansion and the bottom detection start afresh, as
    // for a new byte stream; a frame waiting is dropped (tools and fuzzing
    // that feed one stream after another).
    void ResetProcessing();
    // Drops a complete frame without processing it (tools and tests that
    // read the raw frame themselves); true when one was waiting.
    bool DiscardFrame();

    // --- Sounding settings -------------------------------------------------
    // The whole set as one value (any thread; each field is read or written
    // on its own, so a value taken while another thread changes it may mix
    // old and new fields). Single fields: Sounding().
    SoundingSettings Settings() const { return m_settings.Get(); }
    // Every field, requested range and range in effect alike (loading the
    // settings file, a dialog's OK).
    void ApplySettings(const SoundingSettings& settings) { m_settings.Apply(settings); }
    // The settings a ping is taken with, and taking them from a record.
    PingSettings CurrentPingSettings() const { return m_settings.Ping(); }
    void ApplyPingSettings(const PingSettings& settings) { m_settings.ApplyPing(settings); }
    // The channel code of the command frame (menu and local channel).
    void SetChannelCode(std::uint8_t code) { m_settings.SetChannelCode(code); }
    // While backward playback redraws an older record, the range in effect
    // becomes the one of the record looked ahead at, which the labels show
    // (the view, as it draws).
    void TakeFarRange() {
        m_settings.SetRangeIndex(m_view.FarRangeIndex());
        m_settings.SetRangeOffset(m_view.FarRangeOffset());
    }

    // --- Parts ------------------------------------------------------------
    // The sounding settings (any thread; see AtomicSettings).
    AtomicSettings& Sounding() { return m_settings; }
    const AtomicSettings& Sounding() const { return m_settings; }
    // The echogram window, zoom and playback speed (see ViewWindow).
    ViewWindow& View() { return m_view; }
    const ViewWindow& View() const { return m_view; }

    // Holds off the next ping's processing and drawing (the worker and the
    // process-now message) while the caller changes what it is drawn into.
    std::unique_lock<std::mutex> LockPing() { return std::unique_lock<std::mutex>(m_pingMutex); }

    // --- Current ping: results (any thread) -------------------------------
    double Depth() const { return m_depth.load(std::memory_order_relaxed); }
    double SmoothedDepth() const { return m_smoothedDepth.load(std::memory_order_relaxed); }
    std::int64_t PingTime() const { return m_pingTime.load(std::memory_order_relaxed); }
    // A live ping's time in ms since 1970 UTC, taken when its frame was
    // complete (EngineHost::NowMs); the record keeps whole seconds.
    std::int64_t PingTimeMs() const { return m_pingTimeMs.load(std::memory_order_relaxed); }
    std::uint8_t MarkFlag() const { return m_markFlag.load(std::memory_order_acquire); }
    std::int32_t MarkNumber() const { return m_markNumber.load(std::memory_order_relaxed); }
    float SupplyVoltage() const { return m_supplyVoltage.load(std::memory_order_relaxed); }
    // Results put in by hand: the demonstration depth of the depth output,
    // and tools and tests that draw or send without processing a ping.
    void SetDepth(double metres) { m_depth.store(metres, std::memory_order_relaxed); }
    void SetSmoothedDepth(double metres) {
        m_smoothedDepth.store(metres, std::memory_order_relaxed);
    }
    void SetPingTime(std::int64_t time) { m_pingTime.store(time, std::memory_order_relaxed); }
    void SetMarkFlag(std::uint8_t flag) { m_markFlag.store(flag, std::memory_order_release); }
    void SetMarkNumber(std::int32_t number) {
        m_markNumber.store(number, std::memory_order_relaxed);
    }
    // Ticks since the mark key was last taken (a press counts after 10).
    void SetMarkDebounce(std::int32_t ticks) {
        m_markDebounce.store(ticks, std::memory_order_relaxed);
    }

    // --- Open recording: position and bounds (any thread) ----------------
    std::uint32_t RecordIndex() const { return m_player.RecordIndex(); }
    std::uint32_t RecordTotal() const { return m_player.RecordTotal(); }
    // The record playback goes to next (tools that replay record by record).
    void SetRecordIndex(std::uint32_t index) { m_player.SetRecordIndex(index); }
    std::int64_t FirstTime() const { return m_player.FirstTime(); }
    std::int64_t LastTime() const { return m_player.LastTime(); }
    // The time the next SearchTime looks for (the time search dialog).
    std::int64_t SearchTarget() const { return m_player.SearchTime(); }
    void SetSearchTime(std::int64_t time) { m_player.SetSearchTime(time); }
    // Records found past the index when a recording was opened for
    // playback, or when a recording was continued.
    std::uint32_t RecoveredForPlayback() const { return m_player.RecoveredRecords(); }
    std::uint32_t RecoveredForRecording() const { return m_recorder.RecoveredRecords(); }
    // What to tell the user about the recording opened last for playback,
    // or continued: that it had no index file and was opened by scanning its
    // data file (success otherwise).
    const EngineStatus& PlaybackNotice() const { return m_player.Notice(); }
    const EngineStatus& RecordingNotice() const { return m_recorder.Notice(); }
    // The data file of the recording open (UI thread).
    const std::string& DataPath() const { return m_files.m_dataPath; }
    // True while a recording's data file is open (recording or playback).
    bool DataFileOpen() const { return m_files.m_dataFile != nullptr; }
    // The offset of a record in the data file, as the index lists it.
    std::uint32_t RecordOffset(std::uint32_t index) const { return m_player.Offsets()[index]; }

    // The bottom detection's tracking gate (tests).
    const BottomDetector& Detector() const { return m_processor.Detector(); }

    // --- Current ping: the raw frame -----------------------------------
    // The frame decoded last or read from a record (the thread that owns it:
    // see FrameDecoder).
    std::span<const std::uint8_t> RawFrame() const { return m_decoder.Frame(); }
    // Puts a raw frame in, as a record brings it (tools and tests).
    void LoadFrame(std::span<const std::uint8_t> raw) { m_decoder.Load(raw); }

    // --- Current ping: the store ----------------------------------------
    // Written by the thread that processes the ping and read by the one
    // that draws it, both under m_pingMutex (see LockPing).
    using EchoRunStats = BottomDetector::EchoRunStats;
    std::span<const std::uint8_t> Samples() const {
        return {m_samples, m_sampleCount < kSampleMax ? m_sampleCount : kSampleMax};
    }
    std::uint32_t SampleCount() const { return m_sampleCount; }
    std::int32_t BottomIndex() const { return m_bottomIndex; }
    bool BottomFound() const { return m_bottomFound != 0; }
    bool EchoPresent() const { return m_echoPresent != 0; }
    bool BottomLost() const { return m_bottomLost != 0; }
    const EchoRunStats& EchoStats() const { return m_echoStats; }
    // Puts a ping's samples in as processing would leave them, for tools
    // and tests that draw without processing; samples past them stay.
    void LoadPing(std::span<const std::uint8_t> samples, bool echoPresent, bool bottomLost);

    // Wakes the worker (EngineWorker waits on it): notified when a frame is
    // complete and when the run state changes.
    WorkerSignal& Signal() { return m_workerSignal; }

private:
    // The decoder's steps after the third tail byte; the frame is then
    // ready for whichever thread takes it.
    void CompleteFrame();
    // StepLive with m_pingMutex held.
    int StepLiveLocked();

    // --- States, changed only by the verbs above ---------------------------
    // Flags that hand work between threads are stored with release and
    // loaded with acquire ordering.
    std::atomic<RunMode> m_runMode{RunMode::kLive};
    std::atomic<RunMode> m_pausedFrom{RunMode::kLive};  // what Resume returns to
    std::atomic<SelfCheck> m_selfCheckState{SelfCheck::kIdle};
    std::atomic<bool> m_playBackward{false};
    std::atomic<bool> m_workerHold{false};
    std::atomic<bool> m_newPing{false};
    // The frame handed over is the reply to a self-check: it is processed
    // but not recorded. Written before the hand-over, read after the frame
    // is taken.
    std::atomic<bool> m_selfCheckReplyFrame{false};

    WorkerSignal m_workerSignal;

    // The current ping's samples and what detection found in them.
    std::uint8_t m_samples[kSampleMax + 3] = {};
    std::uint32_t m_sampleCount = 0;
    std::int32_t m_bottomIndex = 0;
    std::uint8_t m_bottomFound = 0;
    std::uint8_t m_echoPresent = 0;
    std::uint8_t m_bottomLost = 0;
    EchoRunStats m_echoStats;

    // Results of the current ping and the mark, read by every thread.
    std::atomic<double> m_depth{0.0};
    std::atomic<double> m_smoothedDepth{0.0};
    std::atomic<std::int64_t> m_pingTime{0};
    std::atomic<std::int64_t> m_pingTimeMs{0};
    // When the frame handed over was complete: written by the decoder before
    // the hand-over, read once the frame is taken.
    std::atomic<std::int64_t> m_frameTimeMs{0};
    std::atomic<std::uint8_t> m_markFlag{0};
    std::atomic<std::int32_t> m_markNumber{0};
    std::atomic<std::int32_t> m_markDebounce{0};
    std::atomic<std::uint8_t> m_pingWatchdog{0};
    // The instrument's supply voltage from the last frame's tail.
    std::atomic<float> m_supplyVoltage{0.0f};

    // --- Parts ---------------------------------------------------------------
    FrameDecoder m_decoder;
    SampleExpander m_expander;
    PingProcessor m_processor;
    AtomicSettings m_settings;
    ViewWindow m_view;
    RecordingFiles m_files;
    Player m_player{m_files};
    Recorder m_recorder{m_files, m_player};
    // The record read last (playback).
    PingRecord m_record;

    // Held while one ping is processed and drawn, so the worker and the
    // process-now message never work on the store at once.
    std::mutex m_pingMutex;

    EngineHost m_nullHost;
    EngineHost* m_host = &m_nullHost;
};
