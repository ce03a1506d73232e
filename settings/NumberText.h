#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// Numbers typed into the settings dialogs, read as the C library's atoi and
// atof read them: leading white space, a sign, then the longest numeric part;
// whatever follows is ignored ("5000x" reads as 5000). Empty when the text
// has no numeric part at all ("abc", "", "-"), so a caller can tell a typed
// 0 from text that is no number. Independent of the process's locale.
namespace NumberText {

// Decimal digits; values beyond the 32-bit range are held at its ends.
std::optional<std::int32_t> LeadingInteger(std::string_view text);

// A decimal number with an optional fraction and exponent; never infinite
// or NaN (such text has no numeric part here).
std::optional<double> LeadingDecimal(std::string_view text);

// A number the user typed into a field: the whole text, white space around
// it aside, must be the number, or there is none ("5000x", "1,5,3", "abc").
// A whole number is a sign and digits, held at the 32-bit ends.
std::optional<std::int32_t> TypedInteger(std::string_view text);
// A decimal number is a sign, digits and at most one decimal point, written
// '.' or ',' ("1,5" is 1.5); no exponent.
std::optional<double> TypedDecimal(std::string_view text);

}  // namespace NumberText
