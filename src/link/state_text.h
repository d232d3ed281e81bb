// Status-bar texts for the socket states, as Disconnect and the poll tick show them.
#pragma once

#include <cstdint>
#include <string>

namespace dcload {

std::string disconnectStateText(int state);
std::string pollStateText(int state); // state 9 is never shown by the tick

} // namespace dcload

namespace dcload {
// Poll ticks between two showings of the stored last reading, from the ticks since Connect.
std::int32_t storedReadingPeriodFor(std::int32_t ticks);
}
