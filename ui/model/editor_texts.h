#pragma once
// The fixed captions of the task editor, its pickers and its dialogs, in the program's own words.
// Texts that depend on the editor's mode or state come from functions in editor_state.h,
// schedule_texts.h and list_dialogs.h.

#include <array>

namespace corvallo::ui::model {

// Frame and bottom row.
inline constexpr const char* kCancelCaption = "取消";
inline constexpr const char* kOkCaption = "确定";

// Tab texts and group captions, pages 1 to 6.
inline constexpr std::array<const char*, 6> kEditorTabTexts = {
    "1、任务名称", "2、源文件", "3、需要备份的文件类型", "4、备份到", "5、定时执行", "6、高级"};
inline constexpr std::array<const char*, 6> kEditorGroupCaptions = {
    "任务名称：", "需要备份的源文件位置：", "需要备份的文件类型：", "备份文件存放到：", "定时执行备份：", "备份选项："};

// Page 1.
inline constexpr const char* kNameHint = "指定一个好记的名称以便唯一的标识此任务";
inline constexpr const char* kAutoNameCaption = "自动指定...";

// The buttons under each list (pages 2 to 4), left to right.
inline constexpr const char* kClearCaption = "清空";
inline constexpr const char* kDeleteCaption = "删除";
inline constexpr const char* kAddCaption = "添加";

// Page 5.
inline constexpr const char* kDateRadioCaption = "指定日期：";
inline constexpr const char* kWeekdayRadioCaption = "周执行定时：";
inline constexpr const char* kDailyRadioCaption = "每天定时！";
inline constexpr const char* kRepeatCheckCaption = "每隔：";
inline constexpr const char* kRepeatHoursLabel = "小时执行备份操作";
inline constexpr const char* kTimeLabel = "具体时间：";
inline constexpr const char* kHourLabel = "时";
inline constexpr const char* kMinuteLabel = "分";

// Page 6.
inline constexpr const char* kCompressCaption = "备份文件压缩存放（影响备份速度及性能）";
inline constexpr const char* kNotifyCaption = "备份完成显示通知";
inline constexpr const char* kKeepDaysCaption = "每个位置只保留：";
inline constexpr const char* kKeepDaysLabel = "天之内的备份";
inline constexpr const char* kPostActionLabel = "备份操作结束后：";
// PostActionBox entries; an entry's index is the PostAction value.
inline constexpr std::array<const char*, 6> kPostActionEntries = {"不执行其他操作", "关闭屏幕", "待机", "注销", "重启", "关机"};

// The pickers (both windows carry the same title).
inline constexpr const char* kPickerTitle = "选择一个日期";
inline constexpr const char* kDatePickerCloseCaption = "关闭";

// LocationWindow.
inline constexpr const char* kLocationTitle = "添加一个位置";
inline constexpr const char* kBrowseCaption = "浏览...";
inline constexpr const char* kBrowsePrompt = "选择一个有效的位置：";

// FileTypeWindow.
inline constexpr const char* kFileTypeTitle = "添加一个文件类型";
inline constexpr const char* kFileTypeHint = "请注意添加的格式为：*.扩展名";

}  // namespace corvallo::ui::model
