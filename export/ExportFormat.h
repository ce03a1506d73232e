#pragma once

#include <optional>
#include <string_view>

// The file formats a survey is exported to.
enum class ExportFormat { kGeoPackage, kShapefile, kGeoJson, kKml, kCsv, kXyz };

struct ExportFormatInfo {
    ExportFormat format;
    std::string_view name;       // on the command line: gpkg, shp, ...
    std::string_view extension;  // of the file, with its dot
    std::string_view driver;     // GDAL's driver; empty for our own writers (CSV, XYZ)
    bool table;                  // every ping, coordinates empty where unknown
    bool wgs84Geometry;          // points in longitude and latitude whatever the system
    bool track;                  // holds a second layer: the track as lines
};

const ExportFormatInfo& FormatInfo(ExportFormat format);
std::optional<ExportFormat> FormatNamed(std::string_view name);
