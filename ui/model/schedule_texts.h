#pragma once
// The schedule page's texts: the chosen date as the editor shows it, and the weekday summary that
// stands between the weekday picker and a task's weekday flags ("1|0|0|0|0|0|1|").

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvallo::ui::model {

struct CalendarDate {
    std::int32_t year = 0;
    std::int32_t month = 0;
    std::int32_t day = 0;

    bool operator==(const CalendarDate&) const = default;
};

// Day names by index, Sunday first.
inline constexpr std::array<const char*, 7> kWeekdayNames = {"星期日", "星期一", "星期二", "星期三",
                                                            "星期四", "星期五", "星期六"};
// WeekdayPickerWindow's check boxes in reading order (Monday to Thursday, then Friday to Sunday),
// as indexes into kWeekdayNames.
inline constexpr std::array<int, 7> kWeekdayPickerOrder = {1, 2, 3, 4, 5, 6, 0};

// A part of the summary for a day that is not chosen.
inline constexpr const char* kNoWeekday = "无";
// The summary shown for stored flags with fewer than seven parts.
inline constexpr const char* kUnknownWeekdays = "未知！";

inline constexpr const char* kDateLinkDefault = "点击指定日期";
inline constexpr const char* kWeekdayLinkDefault = "点击指定";
inline constexpr const char* kWeekdayLinkChosen = "已指定，点击查看";

// "2014年8月5日"
std::string dateLinkText(const CalendarDate& date);
// "2014-8-5"
std::string dateSummaryText(const CalendarDate& date);
// DateLink's caption and DateSummary's text for a chosen date or none ("点击指定日期" and "").
std::string dateLinkCaption(const std::optional<CalendarDate>& date);
std::string dateSummaryCaption(const std::optional<CalendarDate>& date);
// WeekdayLink's caption: "已指定，点击查看" once a summary is shown, else "点击指定".
std::string weekdayLinkCaption(std::string_view weekdaySummary);

// "1|0|0|0|0|0|1|" -> "星期日|无|无|无|无|无|星期六|"; fewer than seven flags give "未知！";
// flags after the seventh are ignored; a day is chosen only when its flag is exactly "1".
std::string weekdaySummaryFromFlags(std::string_view flags);

// "星期日|无|无|无|无|无|星期六|" -> "1|0|0|0|0|0|1|": part i gives "1|" when it is day i's name.
// An empty summary gives "0000000". A summary with fewer than seven parts (only "未知！" can be)
// names no day: its missing parts count as not chosen. The commit keeps a task's stored flags for
// "未知！" instead (editor_commit.h).
std::string weekdayFlagsFromSummary(std::string_view summary);

// Index 0 = Sunday.
using WeekdayChecks = std::array<bool, 7>;

// The picker's boxes when it opens: every part of the summary that is a day's name checks that day
// (wherever it stands); "无", "未知！" and an empty summary check nothing.
WeekdayChecks weekdayChecksFromSummary(std::string_view summary);
// The summary the picker's "确定" writes: always seven parts, even with nothing checked.
std::string weekdaySummaryFromChecks(const WeekdayChecks& checks);

}  // namespace corvallo::ui::model
