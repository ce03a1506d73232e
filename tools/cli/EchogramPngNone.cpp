// The core-only build has no Qt and so no pictures.
#include "tools/cli/EchogramPng.h"

std::unique_ptr<EchogramPng> EchogramPng::Create(const std::string& path, std::string* error) {
    (void)path;
    *error = "--png needs the full build (this one was built without Qt)";
    return nullptr;
}
