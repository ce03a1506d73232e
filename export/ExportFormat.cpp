#include "export/ExportFormat.h"

namespace {

constexpr ExportFormatInfo kFormats[] = {
    {ExportFormat::kGeoPackage, "gpkg", ".gpkg", "GPKG", false, false, true},
    {ExportFormat::kShapefile, "shp", ".shp", "ESRI Shapefile", false, false, false},
    {ExportFormat::kGeoJson, "geojson", ".geojson", "GeoJSON", false, true, false},
    {ExportFormat::kKml, "kml", ".kml", "KML", false, true, true},
    {ExportFormat::kCsv, "csv", ".csv", "", true, false, false},
    {ExportFormat::kXyz, "xyz", ".xyz", "", false, false, false},
};

}  // namespace

const ExportFormatInfo& FormatInfo(ExportFormat format) {
    return kFormats[static_cast<int>(format)];
}

std::optional<ExportFormat> FormatNamed(std::string_view name) {
    for (const ExportFormatInfo& info : kFormats)
        if (info.name == name) return info.format;
    return std::nullopt;
}
