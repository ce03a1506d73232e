#pragma once

#include <cstdint>
#include <string>

#include "helm/EchoColumn.h"
#include "helm/HelmState.h"

// What goes to the helm page over its socket.
//
// A state is one JSON text message:
//   {"t":"state","depth":"12.34","unit":"m","age":850,"alarm":"","live":true,
//    "fix":{"quality":"rtk_fixed","lat":..,"lon":..,"age":..} or null}
// depth is the smoothed depth in the unit, as the window writes it ("" before
// the first), age the milliseconds since it was computed, by the server's
// clock at sending (the page counts on from the message's arrival, so the
// two clocks need not agree).
//
// A column is one binary message of kColumnBytes: the letter 'C', its age in
// milliseconds at sending (32 bits), the span in decimetres (16 bits), both
// little-endian, then the levels two to a byte, the upper cell in the low
// nibble.
namespace HelmMessage {

constexpr std::size_t kColumnBytes = 7 + EchoColumn::kCells / 2;

std::string State(const HelmState& state, std::int64_t nowMs);
std::string Column(const EchoColumn& column, std::int64_t ageMs);

}  // namespace HelmMessage
