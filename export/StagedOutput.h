#pragma once

#include <string>
#include <vector>

#include "export/ExportStatus.h"

// An output written first into a hidden folder of its own beside its final
// place, and moved there only when complete: a failure, a cancel or a
// crash leaves no partial file under the output's name. A format of several
// files (a Shapefile's .shp, .shx, .dbf, .prj, .cpg) moves them all.
class StagedOutput {
public:
    ~StagedOutput() { Discard(); }

    // Refuses an output that exists (unless overwrite) and a folder that
    // cannot be written; siblings are the other endings the format writes.
    ExportStatus Begin(const std::string& path, const std::vector<std::string>& siblings,
                       bool overwrite);
    // The path to write the output at meanwhile.
    const std::string& WorkPath() const { return m_workPath; }
    // Moves every file written to its final place.
    ExportStatus Commit();
    // Removes what was written.
    void Discard();

private:
    std::string m_path, m_folder, m_workPath;
};
