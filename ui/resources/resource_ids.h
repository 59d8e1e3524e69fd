// Resource ids of Corvallo.exe, shared by corvallo.rc and the program's C++ code.
// Plain defines only: the resource compiler reads this file too.
#ifndef CORVALLO_UI_RESOURCES_RESOURCE_IDS_H
#define CORVALLO_UI_RESOURCES_RESOURCE_IDS_H

// The program icon has the lowest icon id, so Explorer and the task bar take it.
#define IDI_CORVALLO 100
// The about window shows the program icon at 48 x 48.
#define IDI_ABOUT IDI_CORVALLO

// Tray pictures: 16 x 16, with 20, 24 and 32 for high DPI.
#define IDI_TRAY_IDLE 101
#define IDI_TRAY_ACTIVE 102

// Toolbar pictures, 32 x 32 with alpha, and their greyed-out twins for the toolbar's
// disabled image list (the toolbar is not left to grey them itself).
#define IDI_TOOLBAR_START 110
#define IDI_TOOLBAR_STOP 111
#define IDI_TOOLBAR_OPTIONS 112
#define IDI_TOOLBAR_START_DISABLED 113
#define IDI_TOOLBAR_STOP_DISABLED 114
#define IDI_TOOLBAR_OPTIONS_DISABLED 115

// Service status picture of the main window, 32 x 32.
#define IDI_STATUS_RUNNING 120
#define IDI_STATUS_STOPPED 121

// Countdown window: its 48 x 48 icon and its 300 x 200 background.
#define IDI_COUNTDOWN 130
#define IDB_COUNTDOWN_BACKGROUND 200

#endif
