#pragma once
// Reading a task's weekday flags.

#include <string_view>

namespace corvallo::service {

// Whether `day` (1 = Sunday .. 7 = Saturday) is selected in a flags text such as "0|1|0|0|0|0|0|":
// the text split at "|" must give at least seven parts, and the day's part must be exactly "1".
bool weekdayFlagSet(int day, std::string_view weekdays);

}  // namespace corvallo::service
