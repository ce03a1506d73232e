#pragma once

#include <string>

#include "export/ExportRow.h"
#include "export/ExportStatus.h"

// Where the exported pings go: a file of one format, written ping by ping.
class RowSink {
public:
    virtual ~RowSink() = default;
    // Creates the file at path; the pings' easting and northing are in the
    // system of epsg.
    virtual ExportStatus Open(const std::string& path, int epsg) = 0;
    // Each recording's pings follow its BeginRecording, in order.
    virtual void BeginRecording(const std::string& name) = 0;
    // False once writing failed (Finish says why).
    virtual bool Write(const ExportRow& row) = 0;
    virtual void EndRecording() = 0;
    // Completes and closes the file.
    virtual ExportStatus Finish() = 0;
    // Pings a point format left out for want of a position.
    virtual bool NeedsPosition() const = 0;

    // A format that takes its track only once the points are written (KML
    // writes one layer after the other): after the last recording the
    // exporter opens the track with BeginTrack and goes through each
    // recording's positions again, with BeginRecording, WriteTrack for each
    // charted ping, EndRecording.
    virtual bool TrackAfterPoints() const { return false; }
    // False when the track cannot be begun (Finish says why).
    virtual bool BeginTrack() { return true; }
    virtual bool WriteTrack(const ExportRow&) { return true; }
};
