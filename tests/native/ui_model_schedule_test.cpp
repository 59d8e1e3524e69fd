#include "ui/model/schedule_texts.h"

#include <gtest/gtest.h>

namespace corvallo::ui::model {
namespace {

TEST(UiModelScheduleTest, SummaryFromFlags) {
    struct Case {
        const char* flags;
        const char* summary;
    };
    const Case cases[] = {
        {"1|0|0|0|0|0|1|", "星期日|无|无|无|无|无|星期六|"},
        {"0|1|0|1|0|0|0|", "无|星期一|无|星期三|无|无|无|"},
        {"0|0|0|0|0|0|0|", "无|无|无|无|无|无|无|"},
        {"1|1|1|1|1|1|1", "星期日|星期一|星期二|星期三|星期四|星期五|星期六|"},  // no final bar
        {"1|0|0|0|0|0|1|1|1|", "星期日|无|无|无|无|无|星期六|"},                 // parts after the seventh
        {"2|01| 1|1 |x||1|", "无|无|无|无|无|无|星期六|"},                          // only exactly "1" counts
        {"1|0|0|0|0|1|", "未知！"},
        {"0", "未知！"},
        {"", "未知！"},
        {"1|0|0||0|0|1|", "星期日|无|无|无|无|无|星期六|"},  // an empty part is a part
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        EXPECT_EQ(weekdaySummaryFromFlags(c.flags), c.summary);
    }
}

TEST(UiModelScheduleTest, FlagsFromSummary) {
    struct Case {
        const char* summary;
        const char* flags;
    };
    const Case cases[] = {
        {"星期日|无|无|无|无|无|星期六|", "1|0|0|0|0|0|1|"},
        {"无|星期一|无|星期三|无|无|无|", "0|1|0|1|0|0|0|"},
        {"无|无|无|无|无|无|无|", "0|0|0|0|0|0|0|"},
        {"星期日|星期一|星期二|星期三|星期四|星期五|星期六|", "1|1|1|1|1|1|1|"},
        {"", "0000000"},
        // A name counts only at its own place.
        {"星期一|无|无|无|无|无|无|", "0|0|0|0|0|0|0|"},
        // Fewer than seven parts name no day beyond those present.
        {"未知！", "0|0|0|0|0|0|0|"},
        {"星期日|", "1|0|0|0|0|0|0|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.summary);
        EXPECT_EQ(weekdayFlagsFromSummary(c.summary), c.flags);
    }
}

TEST(UiModelScheduleTest, EverySetOfDaysSurvivesTheRoundTrip) {
    for (int mask = 0; mask < 128; ++mask) {
        WeekdayChecks checks{};
        std::string flags;
        for (int day = 0; day < 7; ++day) {
            checks[static_cast<std::size_t>(day)] = (mask >> day) & 1;
            flags += (mask >> day) & 1 ? "1|" : "0|";
        }
        SCOPED_TRACE(flags);
        const std::string summary = weekdaySummaryFromChecks(checks);
        EXPECT_EQ(summary, weekdaySummaryFromFlags(flags));
        EXPECT_EQ(weekdayFlagsFromSummary(summary), flags);
        EXPECT_EQ(weekdayChecksFromSummary(summary), checks);
    }
}

TEST(UiModelScheduleTest, PickerOpensWithTheDaysNamedInTheSummary) {
    struct Case {
        const char* summary;
        WeekdayChecks checks;  // Sunday first
    };
    const Case cases[] = {
        {"星期日|无|无|无|无|无|星期六|", {true, false, false, false, false, false, true}},
        {"", {}},
        {"未知！", {}},
        {"无|无|无|无|无|无|无|", {}},
        // The picker matches names wherever they stand.
        {"星期三|无|", {false, false, false, true, false, false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.summary);
        EXPECT_EQ(weekdayChecksFromSummary(c.summary), c.checks);
    }
}

TEST(UiModelScheduleTest, PickerWithNothingCheckedStillGivesSevenParts) {
    EXPECT_EQ(weekdaySummaryFromChecks(WeekdayChecks{}), "无|无|无|无|无|无|无|");
}

TEST(UiModelScheduleTest, PickerBoxesReadMondayToSunday) {
    std::string names;
    for (int index : kWeekdayPickerOrder) names += std::string(kWeekdayNames[static_cast<std::size_t>(index)]) + " ";
    EXPECT_EQ(names, "星期一 星期二 星期三 星期四 星期五 星期六 星期日 ");
}

TEST(UiModelScheduleTest, DateTexts) {
    struct Case {
        CalendarDate date;
        const char* link;
        const char* summary;
    };
    const Case cases[] = {
        {{2014, 8, 5}, "2014年8月5日", "2014-8-5"},
        {{2024, 12, 31}, "2024年12月31日", "2024-12-31"},
        {{2000, 1, 10}, "2000年1月10日", "2000-1-10"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.summary);
        EXPECT_EQ(dateLinkText(c.date), c.link);
        EXPECT_EQ(dateSummaryText(c.date), c.summary);
        EXPECT_EQ(dateLinkCaption(c.date), c.link);
        EXPECT_EQ(dateSummaryCaption(c.date), c.summary);
    }
    EXPECT_EQ(dateLinkCaption(std::nullopt), "点击指定日期");
    EXPECT_EQ(dateSummaryCaption(std::nullopt), "");
}

TEST(UiModelScheduleTest, WeekdayLinkSaysChosenOnceASummaryIsShown) {
    EXPECT_EQ(weekdayLinkCaption(""), "点击指定");
    EXPECT_EQ(weekdayLinkCaption("无|无|无|无|无|无|无|"), "已指定，点击查看");
    EXPECT_EQ(weekdayLinkCaption("未知！"), "已指定，点击查看");
}

}  // namespace
}  // namespace corvallo::ui::model
