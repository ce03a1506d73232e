#pragma once

#include <string>
#include <string_view>

// Text for the chart printer, whose Chinese mode reads GBK. Both directions
// fail, rather than put "?" in place, when a character has no counterpart.
namespace GbkText {

// UTF-8 to GBK. False (out untouched) when a character cannot be mapped or
// the input is not UTF-8.
bool FromUtf8(std::string_view utf8, std::string* out);

// GBK to UTF-8. False (out untouched) on a byte sequence that is not GBK.
bool ToUtf8(std::string_view gbk, std::string* out);

}  // namespace GbkText
