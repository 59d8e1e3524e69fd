#include "service/weekday.h"

#include "core/text/text_rules.h"

namespace corvallo::service {

bool weekdayFlagSet(int day, std::string_view weekdays) {
    const auto parts = text::splitText(weekdays, '|');
    if (parts.size() < 7 || day < 1 || day > 7) return false;
    return parts[static_cast<std::size_t>(day - 1)] == "1";
}

}  // namespace corvallo::service
