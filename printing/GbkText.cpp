#include "printing/GbkText.h"

#include <iconv.h>

#include <cerrno>

namespace GbkText {
namespace {

// Converts all of in, or nothing: an unmappable character, an invalid or a
// cut-off sequence make the conversion fail.
bool Convert(const char* to, const char* from, std::string_view in, std::string* out) {
    iconv_t converter = iconv_open(to, from);
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    std::string result(in.size() * 2 + 8, '\0');
    char* source = const_cast<char*>(in.data());
    std::size_t sourceLeft = in.size();
    char* target = result.data();
    std::size_t targetLeft = result.size();
    bool ok = true;
    while (sourceLeft > 0) {
        const std::size_t done = iconv(converter, &source, &sourceLeft, &target, &targetLeft);
        if (done == static_cast<std::size_t>(-1)) {
            ok = false;
            break;
        }
        // glibc counts characters it replaced instead of failing; none are
        // allowed here.
        if (done != 0) {
            ok = false;
            break;
        }
    }
    iconv_close(converter);
    if (!ok) return false;
    result.resize(result.size() - targetLeft);
    *out = std::move(result);
    return true;
}

}  // namespace

bool FromUtf8(std::string_view utf8, std::string* out) {
    return Convert("GBK", "UTF-8", utf8, out);
}

bool ToUtf8(std::string_view gbk, std::string* out) {
    return Convert("UTF-8", "GBK", gbk, out);
}

}  // namespace GbkText
