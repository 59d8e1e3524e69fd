#include "ui/task_editor_window.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <vector>

#include "platform/win32/wide.h"
#include "ui/model/editor_texts.h"
#include "ui/model/list_dialogs.h"
#include "ui/model/schedule_texts.h"
#include "ui/resources/resource_ids.h"
#include "ui/win/layout.h"
#include "ui/win/modal.h"

namespace corvallo::ui {

namespace {

using platform::win32::widen;
using Editor = TaskEditorWindow;

constexpr const wchar_t* kPageClass = L"CorvalloEditorPage";
constexpr UINT_PTR kBalloonTimer = 1;
constexpr UINT kBalloonMilliseconds = 4000;
constexpr UINT_PTR kBalloonToolId = 1;
// From a page to the editor: a label's colours (wParam the DC, lParam the label; 0 for the default)
// and a control's cursor (wParam the control; nonzero when set).
constexpr UINT kPageColorMessage = WM_APP + 40;
constexpr UINT kPageCursorMessage = WM_APP + 41;

// What a subclassed control is to the editor.
enum SubclassKind : UINT_PTR { kNumberBoxKind = 1, kNameBoxKind, kLinkKind };

constexpr int kWidth = 538;
constexpr int kHeight = 505;

// The frame around the pages: the picture and heading above, the hint and the buttons below.
constexpr ControlSpec kFrameTop[] = {
    {ControlKind::Picture, Editor::kPicture, "", 12, 8, 48, 48},
    {ControlKind::Label, Editor::kHeading, "", 72, 12, 440, 20},
    {ControlKind::Label, Editor::kSecondLine, "", 72, 36, 440, 18},
    {ControlKind::Tab, Editor::kEditorTabs, "", 8, 62, 514, 362, TCS_MULTILINE},
};
constexpr ControlSpec kFrameBottom[] = {
    {ControlKind::Label, Editor::kHintLabel, "", 10, 440, 320, 20},
    {ControlKind::DefaultButton, Editor::kCommitButton, "", 342, 434, 84, 26},
    {ControlKind::Button, Editor::kCancelButton, model::kCancelCaption, 434, 434, 84, 26},
};

// Each page's group box; the page's controls lie inside it.
constexpr int kGroupX = 6;
constexpr int kGroupY = 4;
constexpr int kGroupWidth = 488;
constexpr int kGroupHeight = 300;

constexpr ControlSpec kNamePage[] = {
    {ControlKind::Label, Editor::kNameLabel, model::kNameHint, 24, 36, 440, 20},
    {ControlKind::Edit, Editor::kTaskNameBox, "", 24, 64, 300, 24},
    {ControlKind::Button, Editor::kAutoNameButton, model::kAutoNameCaption, 336, 63, 100, 26},
};

// Pages 2 to 4 differ only by their ids.
constexpr std::array<ControlSpec, 4> listPage(int listId) {
    return {{
        {ControlKind::ListBox, listId, "", 20, 28, 460, 222},
        {ControlKind::Button, listId + 1, model::kClearCaption, 20, 262, 84, 26},
        {ControlKind::Button, listId + 2, model::kDeleteCaption, 208, 262, 84, 26},
        {ControlKind::Button, listId + 3, model::kAddCaption, 396, 262, 84, 26},
    }};
}
constexpr auto kSourcePage = listPage(Editor::kSourceList);
constexpr auto kFileTypePage = listPage(Editor::kFileTypeList);
constexpr auto kDestinationPage = listPage(Editor::kDestinationList);

// The spinners have no buddy: their clicks come to the editor, which writes the boxes itself.
constexpr ControlSpec kSchedulePage[] = {
    {ControlKind::FirstRadioButton, Editor::kDateRadio, model::kDateRadioCaption, 24, 30, 110, 20},
    {ControlKind::Link, Editor::kDateLink, "", 140, 32, 150, 18},
    {ControlKind::Label, Editor::kDateSummary, "", 300, 32, 170, 18},
    {ControlKind::RadioButton, Editor::kWeekdayRadio, model::kWeekdayRadioCaption, 24, 64, 110, 20},
    {ControlKind::Link, Editor::kWeekdayLink, "", 140, 66, 150, 18},
    {ControlKind::Label, Editor::kWeekdaySummary, "", 140, 90, 330, 36},
    {ControlKind::RadioButton, Editor::kDailyRadio, model::kDailyRadioCaption, 24, 136, 110, 20},
    {ControlKind::CheckBox, Editor::kRepeatCheck, model::kRepeatCheckCaption, 48, 168, 64, 20, WS_GROUP},
    {ControlKind::Edit, Editor::kRepeatHoursBox, "", 114, 167, 40, 22, ES_NUMBER},
    {ControlKind::UpDown, Editor::kRepeatHoursSpinner, "", 154, 167, 17, 22},
    {ControlKind::Label, Editor::kRepeatHoursLabel, model::kRepeatHoursLabel, 178, 170, 150, 18},
    {ControlKind::Label, Editor::kTimeLabel, model::kTimeLabel, 24, 222, 80, 18},
    {ControlKind::Edit, Editor::kHourBox, "", 106, 219, 40, 22, ES_NUMBER},
    {ControlKind::UpDown, Editor::kHourSpinner, "", 146, 219, 17, 22},
    {ControlKind::Label, Editor::kHourLabel, model::kHourLabel, 168, 222, 20, 18},
    {ControlKind::Edit, Editor::kMinuteBox, "", 192, 219, 40, 22, ES_NUMBER},
    {ControlKind::UpDown, Editor::kMinuteSpinner, "", 232, 219, 17, 22},
    {ControlKind::Label, Editor::kMinuteLabel, model::kMinuteLabel, 254, 222, 20, 18},
};

constexpr ControlSpec kOptionsPage[] = {
    {ControlKind::CheckBox, Editor::kCompressCheck, model::kCompressCaption, 24, 32, 420, 20},
    {ControlKind::CheckBox, Editor::kNotifyCheck, model::kNotifyCaption, 24, 64, 300, 20},
    {ControlKind::CheckBox, Editor::kKeepDaysCheck, model::kKeepDaysCaption, 24, 96, 130, 20},
    {ControlKind::Edit, Editor::kKeepDaysBox, "", 156, 95, 40, 22, ES_NUMBER},
    {ControlKind::UpDown, Editor::kKeepDaysSpinner, "", 196, 95, 17, 22},
    {ControlKind::Label, Editor::kKeepDaysLabel, model::kKeepDaysLabel, 220, 98, 150, 18},
    {ControlKind::Label, Editor::kPostActionLabel, model::kPostActionLabel, 24, 136, 120, 18},
    {ControlKind::DropDownList, Editor::kPostActionBox, "", 146, 132, 170, 200},
};

const std::array<std::span<const ControlSpec>, 6> kPages = {
    std::span<const ControlSpec>(kNamePage), std::span<const ControlSpec>(kSourcePage),
    std::span<const ControlSpec>(kFileTypePage), std::span<const ControlSpec>(kDestinationPage),
    std::span<const ControlSpec>(kSchedulePage), std::span<const ControlSpec>(kOptionsPage),
};

constexpr int kNumberBoxes[] = {Editor::kHourBox, Editor::kMinuteBox, Editor::kRepeatHoursBox, Editor::kKeepDaysBox};

struct SpinnerControls {
    int spinner;
    model::Spinner which;
};
constexpr SpinnerControls kSpinners[] = {
    {Editor::kHourSpinner, model::Spinner::Hour},
    {Editor::kMinuteSpinner, model::Spinner::Minute},
    {Editor::kRepeatHoursSpinner, model::Spinner::RepeatHours},
    {Editor::kKeepDaysSpinner, model::Spinner::KeepDays},
};

struct ListControls {
    model::EditorList list;
    int listBox;
};
constexpr ListControls kLists[] = {
    {model::EditorList::Sources, Editor::kSourceList},
    {model::EditorList::FileTypes, Editor::kFileTypeList},
    {model::EditorList::Destinations, Editor::kDestinationList},
};

int controlOf(model::EditorControl control) {
    switch (control) {
        case model::EditorControl::TaskNameBox: return Editor::kTaskNameBox;
        case model::EditorControl::SourceList: return Editor::kSourceList;
        case model::EditorControl::DestinationList: return Editor::kDestinationList;
        case model::EditorControl::DateLink: return Editor::kDateLink;
        case model::EditorControl::WeekdayLink: return Editor::kWeekdayLink;
    }
    return Editor::kTaskNameBox;
}

void setTextIfChanged(HWND control, const std::string& text) {
    if (control != nullptr && textOf(control) != text) setText(control, text);
}

void setChecked(HWND control, bool checked) {
    SendMessageW(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool isChecked(HWND control) { return SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void setEnabled(HWND control, bool enabled) {
    if (control != nullptr && (IsWindowEnabled(control) != FALSE) != enabled) EnableWindow(control, enabled);
}

void showItems(HWND list, const std::vector<std::string>& items) {
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    bool same = count == static_cast<int>(items.size());
    for (int i = 0; same && i < count; ++i) {
        const int length = static_cast<int>(SendMessageW(list, LB_GETTEXTLEN, i, 0));
        std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
        same = text == widen(items[static_cast<std::size_t>(i)]);
    }
    if (same) return;
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& item : items) {
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(item).c_str()));
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

model::CalendarDate today(platform::Clock& clock) {
    const platform::LocalTime now = clock.now();
    return {now.year, now.month, now.day};
}

// A window's position within its parent's client area.
POINT placeInParent(HWND window) {
    RECT frame{};
    GetWindowRect(window, &frame);
    POINT corner{frame.left, frame.top};
    ScreenToClient(GetParent(window), &corner);
    return corner;
}

}  // namespace

TaskEditorWindow::TaskEditorWindow(TaskEditorContext context, std::optional<std::int32_t> editedTaskId)
    : context_(std::move(context)),
      state_(editedTaskId ? model::openEditEditor(context_.tasks, *editedTaskId) : model::openAddEditor()) {}

TaskEditorWindow::~TaskEditorWindow() = default;

bool TaskEditorWindow::create(HWND owner) {
    const model::EditorFrameTexts texts = model::editorFrameTexts(state_.mode);
    if (!createModalFrame(kTaskEditorClass, texts.title, kWidth, kHeight, owner, IDI_CORVALLO, WS_EX_CONTROLPARENT)) {
        return false;
    }
    createControls(handle(), kFrameTop);
    createPages();
    createControls(handle(), kFrameBottom);

    picture_.reset(static_cast<HICON>(
        LoadImageW(programInstance(), MAKEINTRESOURCEW(IDI_CORVALLO), IMAGE_ICON, scaled(48), scaled(48), 0)));
    SendDlgItemMessageW(handle(), kPicture, STM_SETICON, reinterpret_cast<WPARAM>(picture_.get()), 0);
    LOGFONTW bold{};
    GetObjectW(interfaceFont(), sizeof bold, &bold);
    bold.lfWeight = FW_BOLD;
    hintFont_.reset(CreateFontIndirectW(&bold));
    bold.lfHeight = bold.lfHeight * 5 / 4;
    headingFont_.reset(CreateFontIndirectW(&bold));
    SendDlgItemMessageW(handle(), kHeading, WM_SETFONT, reinterpret_cast<WPARAM>(headingFont_.get()), FALSE);
    SendDlgItemMessageW(handle(), kHintLabel, WM_SETFONT, reinterpret_cast<WPARAM>(hintFont_.get()), FALSE);

    setText(GetDlgItem(handle(), kHeading), texts.heading);
    setText(GetDlgItem(handle(), kSecondLine), texts.secondLine);
    ShowWindow(GetDlgItem(handle(), kSecondLine), texts.secondLine.empty() ? SW_HIDE : SW_SHOW);
    setText(GetDlgItem(handle(), kHintLabel), texts.hint);
    setText(GetDlgItem(handle(), kCommitButton), texts.commitCaption);

    HWND postActions = control(kPostActionBox);
    for (const char* entry : model::kPostActionEntries) {
        SendMessageW(postActions, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(entry).c_str()));
    }
    for (const SpinnerControls& spinner : kSpinners) {
        // A range in the usual direction, so that the upper arrow reports a positive step.
        SendMessageW(control(spinner.spinner), UDM_SETRANGE32, 0, 100);
        SendMessageW(control(spinner.spinner), UDM_SETPOS32, 0, 50);
    }
    links_.apply(pages_[4], kDateLink);
    links_.apply(pages_[4], kWeekdayLink);
    subclassControls();

    balloon_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, handle(), nullptr, programInstance(), nullptr);
    if (balloon_ != nullptr) {
        const std::wstring text = widen(model::kIllegalNameMessage);
        TOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
        tool.hwnd = handle();
        tool.uId = kBalloonToolId;
        tool.lpszText = const_cast<wchar_t*>(text.c_str());
        SendMessageW(balloon_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        SendMessageW(balloon_, TTM_SETMAXTIPWIDTH, 0, scaled(400));
    }

    show();
    showPage(model::EditorPage::Name);
    lastFocus_ = control(kTaskNameBox);
    return true;
}

void TaskEditorWindow::createPages() {
    HWND tabs = GetDlgItem(handle(), kEditorTabs);
    for (const char* text : model::kEditorTabTexts) {
        const std::wstring wide = widen(text);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(wide.c_str());
        SendMessageW(tabs, TCM_INSERTITEMW, SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), reinterpret_cast<LPARAM>(&item));
    }

    WNDCLASSEXW known{};
    known.cbSize = sizeof known;
    if (!GetClassInfoExW(programInstance(), kPageClass, &known)) {
        WNDCLASSEXW pageClass{};
        pageClass.cbSize = sizeof pageClass;
        pageClass.lpfnWndProc = &TaskEditorWindow::pageProc;
        pageClass.hInstance = programInstance();
        pageClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        pageClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        pageClass.lpszClassName = kPageClass;
        RegisterClassExW(&pageClass);
    }

    // The pages cover the tab control's display area, as siblings above it.
    RECT area{};
    GetWindowRect(tabs, &area);
    MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT*>(&area), 2);
    SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    for (std::size_t i = 0; i < kPages.size(); ++i) {
        const int id = kFirstPage + static_cast<int>(i);
        pages_[i] = CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, L"", WS_CHILD | WS_CLIPSIBLINGS, area.left,
                                    area.top, area.right - area.left, area.bottom - area.top, handle(),
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), programInstance(), nullptr);
        createControl(pages_[i], ControlSpec{ControlKind::GroupBox, kFirstGroup + static_cast<int>(i),
                                             model::kEditorGroupCaptions[i], kGroupX, kGroupY, kGroupWidth,
                                             kGroupHeight});
        createControls(pages_[i], kPages[i]);
    }
    // Above the tab control, so that they are drawn over it and take the clicks; their controls then
    // come first in the Tab order, before the tabs and the buttons.
    for (HWND page : pages_) SetWindowPos(page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TaskEditorWindow::subclassControls() {
    for (int id : kNumberBoxes) SetWindowSubclass(control(id), &controlProc, kNumberBoxKind, reinterpret_cast<DWORD_PTR>(this));
    SetWindowSubclass(control(kTaskNameBox), &controlProc, kNameBoxKind, reinterpret_cast<DWORD_PTR>(this));
    SetWindowSubclass(control(kDateLink), &controlProc, kLinkKind, reinterpret_cast<DWORD_PTR>(this));
    SetWindowSubclass(control(kWeekdayLink), &controlProc, kLinkKind, reinterpret_cast<DWORD_PTR>(this));
}

HWND TaskEditorWindow::control(int id) const {
    if (HWND direct = GetDlgItem(handle(), id)) return direct;
    for (HWND page : pages_) {
        if (HWND found = page != nullptr ? GetDlgItem(page, id) : nullptr) return found;
    }
    return nullptr;
}

model::EditorPage TaskEditorWindow::currentPage() const {
    const LRESULT index = SendDlgItemMessageW(handle(), kEditorTabs, TCM_GETCURSEL, 0, 0);
    return static_cast<model::EditorPage>(index + 1);
}

std::string TaskEditorWindow::balloonText() const {
    return balloonShown_ && balloon_ != nullptr && IsWindowVisible(balloon_) ? model::kIllegalNameMessage : "";
}

// Every control from the state; only what differs is written, so a caret or a selection stays.
void TaskEditorWindow::show() {
    setTextIfChanged(control(kTaskNameBox), state_.name);
    for (const ListControls& list : kLists) showItems(control(list.listBox), model::itemsOf(state_, list.list));

    setChecked(control(kDateRadio), state_.schedule == model::ScheduleChoice::Date);
    setChecked(control(kWeekdayRadio), state_.schedule == model::ScheduleChoice::Weekly);
    setChecked(control(kDailyRadio), state_.schedule == model::ScheduleChoice::Daily);
    setTextIfChanged(control(kDateLink), model::dateLinkCaption(state_.date));
    setTextIfChanged(control(kDateSummary), model::dateSummaryCaption(state_.date));
    setTextIfChanged(control(kWeekdayLink), model::weekdayLinkCaption(state_.weekdaySummary));
    setTextIfChanged(control(kWeekdaySummary), state_.weekdaySummary);
    setChecked(control(kRepeatCheck), state_.repeatChecked);
    setTextIfChanged(control(kRepeatHoursBox), std::to_string(state_.repeatHours));
    setTextIfChanged(control(kHourBox), std::to_string(state_.hour));
    setTextIfChanged(control(kMinuteBox), std::to_string(state_.minute));

    setChecked(control(kCompressCheck), state_.compress);
    setChecked(control(kNotifyCheck), state_.notify);
    setChecked(control(kKeepDaysCheck), state_.keepDaysChecked);
    setTextIfChanged(control(kKeepDaysBox), std::to_string(state_.keepDays));
    const std::optional<int> entry = model::postActionEntry(state_);
    SendMessageW(control(kPostActionBox), CB_SETCURSEL, entry ? static_cast<WPARAM>(*entry) : static_cast<WPARAM>(-1), 0);

    const model::ControlEnabling enabling = model::enablingOf(state_);
    setEnabled(control(kRepeatCheck), enabling.repeatCheck);
    setEnabled(control(kRepeatHoursBox), enabling.repeatHours);
    setEnabled(control(kRepeatHoursSpinner), enabling.repeatHours);
    setEnabled(control(kKeepDaysBox), enabling.keepDays);
    setEnabled(control(kKeepDaysSpinner), enabling.keepDays);
}

void TaskEditorWindow::showPage(model::EditorPage page) {
    const int index = static_cast<int>(page) - 1;
    SendDlgItemMessageW(handle(), kEditorTabs, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    for (int i = 0; i < static_cast<int>(kPages.size()); ++i) {
        ShowWindow(pages_[i], i == index ? SW_SHOW : SW_HIDE);
    }
}

void TaskEditorWindow::command(int id, int code, HWND from) {
    switch (id) {
        case kCommitButton: commit(); return;
        case kCancelButton:
        case IDCANCEL: DestroyWindow(handle()); return;
        case kAutoNameButton: autoName(); return;
        case kTaskNameBox:
            if (code == EN_CHANGE) state_.name = textOf(from);
            return;
        case kDateRadio:
        case kWeekdayRadio:
        case kDailyRadio:
            if (code == BN_CLICKED) {
                model::clickScheduleRadio(state_, id == kDateRadio     ? model::ScheduleChoice::Date
                                                  : id == kWeekdayRadio ? model::ScheduleChoice::Weekly
                                                                        : model::ScheduleChoice::Daily);
                show();
            }
            return;
        case kRepeatCheck:
            if (code == BN_CLICKED) {
                model::clickRepeatCheck(state_, isChecked(from));
                show();
            }
            return;
        case kKeepDaysCheck:
            if (code == BN_CLICKED) {
                model::clickKeepDaysCheck(state_, isChecked(from));
                show();
            }
            return;
        case kCompressCheck:
            if (code == BN_CLICKED) state_.compress = isChecked(from);
            return;
        case kNotifyCheck:
            if (code == BN_CLICKED) state_.notify = isChecked(from);
            return;
        case kPostActionBox:
            if (code == CBN_SELCHANGE) {
                model::choosePostAction(state_, static_cast<int>(SendMessageW(from, CB_GETCURSEL, 0, 0)));
                show();
            }
            return;
        default: break;
    }
    for (const ListControls& list : kLists) {
        if (id > list.listBox && id <= list.listBox + 3 && code == BN_CLICKED) {
            listButton(list.list, id - list.listBox);
            return;
        }
    }
}

// `button`: 1 "清空", 2 "删除", 3 "添加".
void TaskEditorWindow::listButton(model::EditorList list, int button) {
    const int listId = list == model::EditorList::Sources     ? kSourceList
                       : list == model::EditorList::FileTypes ? kFileTypeList
                                                              : kDestinationList;
    std::vector<std::string>& items = model::itemsOf(state_, list);
    switch (button) {
        case 1:
            if (const auto question = model::clearQuestion(state_.mode, list, items.size())) {
                if (!context_.prompter.confirm(question->text, question->title)) return;
                model::clearItems(state_, list);
            }
            break;
        case 2: {
            const LRESULT selected = SendMessageW(control(listId), LB_GETCURSEL, 0, 0);
            if (const auto question = model::deleteQuestion(state_.mode, list, selected != LB_ERR)) {
                if (!context_.prompter.confirm(question->text, question->title)) return;
                model::deleteItem(state_, list, static_cast<std::size_t>(selected));
            }
            break;
        }
        case 3:
            if (list == model::EditorList::FileTypes) {
                context_.dialogs.addFileTypes(handle(), items);
            } else {
                context_.dialogs.addLocation(handle(), list, items);
            }
            break;
        default: return;
    }
    show();
}

void TaskEditorWindow::linkReleased(int id) {
    if (id == kDateLink) {
        model::releaseDateLink(state_);
        show();
        const model::CalendarDate shown = state_.date ? *state_.date : today(context_.clock);
        if (const auto date = context_.dialogs.pickDate(handle(), shown)) model::confirmDatePicker(state_, *date);
    } else {
        model::releaseWeekdayLink(state_);
        show();
        if (const auto checks = context_.dialogs.pickWeekdays(handle(), model::weekdayChecksFromSummary(state_.weekdaySummary))) {
            model::confirmWeekdayPicker(state_, *checks);
        }
    }
    if (exists()) show();
}

void TaskEditorWindow::autoName() {
    const std::optional<model::Message> notice =
        context_.tasks.locked([&](const TaskListContents& tasks) { return model::clickAutoName(state_, tasks); });
    show();
    if (notice) context_.prompter.inform(notice->text, notice->title);
}

namespace {

// The commit's effects beyond the task list, through the service, the main window and the files.
class EditorCommitHost : public model::CommitHost {
public:
    explicit EditorCommitHost(TaskEditorContext& context) : context_(context) {}
    void stopWorker(std::int32_t taskId) override { context_.service.stopWorker(taskId); }
    void startWorker(std::int32_t taskId) override { context_.service.startWorker(taskId); }
    void refreshTaskList() override {
        if (context_.refreshTaskList) context_.refreshTaskList();
    }
    void saveTaskFile() override {
        if (const platform::FileError error = corvallo::saveTaskFile(context_.tasks, context_.taskFile)) {
            logNote("task file not saved after an edit: " + error.describe());
        }
    }
    void logNote(const std::string& text) override { context_.log.note(context_.clock.now(), text); }

private:
    TaskEditorContext& context_;
};

}  // namespace

void TaskEditorWindow::commit() {
    EditorCommitHost host(context_);
    const model::CommitResult result = model::commitEditor(state_, context_.tasks, host);
    if (result.refusal) {
        context_.prompter.refuse(result.refusal->message.text);
        if (!exists()) return;
        showPage(result.refusal->page);
        SetFocus(control(controlOf(result.refusal->control)));
        return;
    }
    DestroyWindow(handle());
}

void TaskEditorWindow::showBalloon() {
    if (balloon_ == nullptr) return;
    HWND tabs = GetDlgItem(handle(), kEditorTabs);
    HWND page = pages_[0];
    HWND group = GetDlgItem(page, kFirstGroup);
    HWND nameBox = control(kTaskNameBox);
    RECT frame{};
    GetWindowRect(handle(), &frame);
    // The group within the tab control, and the box within the group: the pages are siblings of the
    // tab control here, and the box is a sibling of its group.
    const POINT tabsAt = placeInParent(tabs);
    const POINT pageAt = placeInParent(page);
    const POINT groupAt = placeInParent(group);
    const POINT boxAt = placeInParent(nameBox);
    RECT box{};
    GetWindowRect(nameBox, &box);
    const model::Point point = model::nameBalloonPoint(
        {frame.left, frame.top}, {tabsAt.x, tabsAt.y},
        {pageAt.x - tabsAt.x + groupAt.x, pageAt.y - tabsAt.y + groupAt.y},
        {boxAt.x - groupAt.x, boxAt.y - groupAt.y, box.right - box.left, box.bottom - box.top});
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = handle();
    tool.uId = kBalloonToolId;
    SendMessageW(balloon_, TTM_TRACKPOSITION, 0, MAKELPARAM(point.x, point.y));
    SendMessageW(balloon_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    balloonShown_ = true;
    SetTimer(handle(), kBalloonTimer, kBalloonMilliseconds, nullptr);
}

void TaskEditorWindow::hideBalloon() {
    KillTimer(handle(), kBalloonTimer);
    if (balloon_ == nullptr || !balloonShown_) return;
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = handle();
    tool.uId = kBalloonToolId;
    SendMessageW(balloon_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
    balloonShown_ = false;
}

bool TaskEditorWindow::notify(const NMHDR& header) {
    if (header.idFrom == kEditorTabs && header.code == TCN_SELCHANGE) {
        showPage(static_cast<model::EditorPage>(SendMessageW(header.hwndFrom, TCM_GETCURSEL, 0, 0) + 1));
        return false;
    }
    if (header.code != UDN_DELTAPOS) return false;
    for (const SpinnerControls& spinner : kSpinners) {
        if (static_cast<int>(header.idFrom) != spinner.spinner) continue;
        const auto& change = reinterpret_cast<const NMUPDOWN&>(header);
        if (change.iDelta != 0) {
            model::spin(state_, spinner.which, change.iDelta > 0 ? model::SpinDirection::Up : model::SpinDirection::Down);
            show();
        }
        // The spinner keeps no position of its own: the box is the value.
        return true;
    }
    return false;
}

LRESULT TaskEditorWindow::staticColor(HWND control, HDC dc) {
    if (LRESULT brush = links_.color(control, dc)) return brush;
    const int id = GetDlgCtrlID(control);
    if (id == kDateSummary || id == kWeekdaySummary || id == kHintLabel) {
        SetTextColor(dc, RGB(0xFF, 0, 0));
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    return 0;
}

LRESULT TaskEditorWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_NOTIFY: return notify(*reinterpret_cast<const NMHDR*>(lParam)) ? 1 : 0;
        case WM_CTLCOLORSTATIC:
            if (LRESULT brush = staticColor(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam))) return brush;
            break;
        case kPageColorMessage: return staticColor(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
        case kPageCursorMessage: return links_.setCursor(reinterpret_cast<HWND>(wParam)) ? TRUE : FALSE;
        case WM_TIMER:
            if (wParam == kBalloonTimer) {
                hideBalloon();
                return 0;
            }
            break;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                if (HWND focus = GetFocus(); focus != nullptr && IsChild(handle(), focus)) lastFocus_ = focus;
            } else if (lastFocus_ != nullptr && IsWindow(lastFocus_)) {
                SetFocus(lastFocus_);
                return 0;
            }
            break;
        case WM_WINDOWPOSCHANGING: {
            // Centred over a smaller main window, the frame would stick out above the screen and its
            // caption could not be reached.
            auto& place = *reinterpret_cast<WINDOWPOS*>(lParam);
            if ((place.flags & SWP_NOMOVE) == 0) {
                MONITORINFO monitor{};
                monitor.cbSize = sizeof monitor;
                RECT frame{};
                GetWindowRect(handle(), &frame);
                const int width = (place.flags & SWP_NOSIZE) == 0 ? place.cx : frame.right - frame.left;
                const int height = (place.flags & SWP_NOSIZE) == 0 ? place.cy : frame.bottom - frame.top;
                RECT wanted{place.x, place.y, place.x + width, place.y + height};
                if (GetMonitorInfoW(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &monitor)) {
                    const RECT& area = monitor.rcWork;
                    place.x = std::max(static_cast<int>(area.left), std::min(place.x, static_cast<int>(area.right) - width));
                    place.y = std::max(static_cast<int>(area.top), std::min(place.y, static_cast<int>(area.bottom) - height));
                }
            }
            break;
        }
        case WM_DESTROY:
            KillTimer(handle(), kBalloonTimer);
            if (balloon_ != nullptr) DestroyWindow(balloon_);
            balloon_ = nullptr;
            break;
        default: break;
    }
    return callDefault(message, wParam, lParam);
}

// The pages pass what their controls report on to the editor.
LRESULT CALLBACK TaskEditorWindow::pageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND editor = GetParent(page);
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY: return SendMessageW(editor, message, wParam, lParam);
        case WM_CTLCOLORSTATIC:
            if (LRESULT brush = SendMessageW(editor, kPageColorMessage, wParam, lParam)) return brush;
            break;
        case WM_SETCURSOR:
            if (SendMessageW(editor, kPageCursorMessage, wParam, 0)) return TRUE;
            break;
        default: break;
    }
    return DefWindowProcW(page, message, wParam, lParam);
}

LRESULT CALLBACK TaskEditorWindow::controlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                                               UINT_PTR kind, DWORD_PTR self) {
    auto* editor = reinterpret_cast<TaskEditorWindow*>(self);
    switch (kind) {
        case kNumberBoxKind:
            // Only the spinners change these; Tab still passes, as the modal loop takes it first.
            switch (message) {
                case WM_LBUTTONDOWN:
                case WM_LBUTTONUP:
                case WM_LBUTTONDBLCLK:
                case WM_RBUTTONDOWN:
                case WM_RBUTTONUP:
                case WM_KEYDOWN:
                case WM_KEYUP:
                case WM_CHAR: return 0;
                default: break;
            }
            break;
        case kNameBoxKind:
            if (message == WM_CHAR) {
                const model::NameCharVerdict verdict = model::filterNameChar(editor->state_.mode, static_cast<char32_t>(wParam));
                if (verdict.showBalloon) editor->showBalloon();
                if (!verdict.accept) return 0;
            }
            break;
        case kLinkKind:
            if (message == WM_LBUTTONUP) {
                const int id = GetDlgCtrlID(control);
                const LRESULT result = DefSubclassProc(control, message, wParam, lParam);
                editor->linkReleased(id);
                return result;
            }
            break;
        default: break;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(control, &controlProc, kind);
    return DefSubclassProc(control, message, wParam, lParam);
}

void runTaskEditor(const TaskEditorContext& context, HWND owner, std::optional<std::int32_t> editedTaskId) {
    TaskEditorWindow editor(context, editedTaskId);
    if (!editor.create(owner)) return;
    runModal(editor, owner);
}

}  // namespace corvallo::ui
