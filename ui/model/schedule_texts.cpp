#include "ui/model/schedule_texts.h"

#include "core/text/text_rules.h"

namespace corvallo::ui::model {

std::string dateLinkText(const CalendarDate& date) {
    return std::to_string(date.year) + "年" + std::to_string(date.month) + "月" + std::to_string(date.day) + "日";
}

std::string dateSummaryText(const CalendarDate& date) {
    return std::to_string(date.year) + "-" + std::to_string(date.month) + "-" + std::to_string(date.day);
}

std::string dateLinkCaption(const std::optional<CalendarDate>& date) {
    return date ? dateLinkText(*date) : kDateLinkDefault;
}

std::string dateSummaryCaption(const std::optional<CalendarDate>& date) {
    return date ? dateSummaryText(*date) : std::string();
}

std::string weekdayLinkCaption(std::string_view weekdaySummary) {
    return weekdaySummary.empty() ? kWeekdayLinkDefault : kWeekdayLinkChosen;
}

std::string weekdaySummaryFromFlags(std::string_view flags) {
    const auto parts = text::splitText(flags, '|');
    if (parts.size() < 7) return kUnknownWeekdays;
    std::string summary;
    for (std::size_t day = 0; day < 7; ++day) {
        summary += parts[day] == "1" ? kWeekdayNames[day] : kNoWeekday;
        summary += '|';
    }
    return summary;
}

std::string weekdayFlagsFromSummary(std::string_view summary) {
    if (summary.empty()) return "0000000";
    const auto parts = text::splitText(summary, '|');
    std::string flags;
    for (std::size_t day = 0; day < 7; ++day) {
        flags += day < parts.size() && parts[day] == kWeekdayNames[day] ? "1|" : "0|";
    }
    return flags;
}

WeekdayChecks weekdayChecksFromSummary(std::string_view summary) {
    WeekdayChecks checks{};
    for (const auto& part : text::splitText(summary, '|')) {
        for (std::size_t day = 0; day < 7; ++day) {
            if (part == kWeekdayNames[day]) checks[day] = true;
        }
    }
    return checks;
}

std::string weekdaySummaryFromChecks(const WeekdayChecks& checks) {
    std::string summary;
    for (std::size_t day = 0; day < 7; ++day) {
        summary += checks[day] ? kWeekdayNames[day] : kNoWeekday;
        summary += '|';
    }
    return summary;
}

}  // namespace corvallo::ui::model
