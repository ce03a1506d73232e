// marevox-cli: the sounding engine without a window, for tests, scripts and
// checking recordings.
#include <cstdio>
#include <cstring>

#include "tools/cli/Commands.h"

namespace {

struct Subcommand {
    const char* name;
    int (*run)(int argc, char** argv, int first);
    const char* usage;
};

const Subcommand kSubcommands[] = {
    {"decode", CmdDecode, "decode [--ini FILE] [--chunk N] [--samples]  < instrument-bytes"},
    {"frame", CmdFrame,
     "frame --range I --offset O --gain G [--channel C] [--uartctl U] [--selfcheck]"},
    {"replay", CmdReplay,
     "replay FILE.sd [--ini FILE] [--csv] [--png OUT.png] [--edited [--edits PATH]]"},
    {"info", CmdInfo, "info FILE.sd"},
    {"reindex", CmdReindex, "reindex [--force] FILE.sd"},
    {"edit", CmdEdit,
     "edit FILE.sd --filter spike[:K=V,...]|window:MIN:MAX|redetect:K=V,...|restore\n"
     "      [--from N] [--to M] [--dry-run] [--edits PATH]   (or --list)"},
    {"sentence", CmdSentence, "sentence --type N --depth D [--draft X] [--ini FILE]"},
#ifdef MAREVOX_CLI_EXPORT
    {"export", CmdExport,
     "export FILE.sd [FILE2.sd ...] --format gpkg|shp|geojson|kml|csv|xyz [--crs utm|EPSG:n] "
     "[--latency MS] [--antenna-forward M] [--antenna-starboard M] [--every N] [--out FILE] "
     "[--force] [--no-track] [--edited]"},
#endif
#ifdef MAREVOX_CLI_LIVE
    {"live", CmdLive, "live --port PATH [--count N] [--ini FILE] [--record FILE.sd]"},
    {"chart", CmdChart, "chart FILE.sd [--ini FILE] --out OUT.prn [--png OUT.png]"},
#endif
};

void PrintUsage(std::FILE* out) {
    std::fprintf(out, "usage: marevox-cli SUBCOMMAND [OPTIONS]\n\nsubcommands:\n");
    for (const auto& s : kSubcommands) std::fprintf(out, "  marevox-cli %s\n", s.usage);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0) {
        PrintUsage(stdout);
        return 0;
    }
    for (const auto& s : kSubcommands)
        if (std::strcmp(argv[1], s.name) == 0) return s.run(argc, argv, 2);
    std::fprintf(stderr, "marevox-cli: unknown subcommand \"%s\"\n", argv[1]);
    PrintUsage(stderr);
    return 2;
}
