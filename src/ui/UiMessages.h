// Messages and notification codes of the skinned control kit.
//
// The kit's controls talk to their parent window (a Wnd) the way dialog
// controls always did: a private message for presses and drags, WM_COMMAND
// with the control id in the low word of wParam and a notification code in
// the high word for clicks and edit changes, and the button check messages.
#pragma once

#include "platform/Types.h"

// Private messages of the kit.
constexpr UINT WM_UNCHECK_BUTTON = WM_USER + 256;  // radio group: clear yourself
constexpr UINT WM_BUTTON_UPDOWN = WM_USER + 2000;  // wParam button handle, lParam 0 down / 1 up
constexpr UINT WM_SLIDER_PRESSED = WM_USER + 2400; // wParam control id, lParam position
constexpr UINT WM_SLIDER_MOVED = WM_USER + 2401;
constexpr UINT WM_SLIDER_RELEASED = WM_USER + 2402;

// Button check messages.
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_GETSTATE = 0x00F2;
constexpr UINT BM_SETSTATE = 0x00F3;
constexpr int BST_UNCHECKED = 0;
constexpr int BST_CHECKED = 1;
constexpr int BST_PUSHED = 0x0004;

// Button styles a check box is created with (low byte of the control style).
constexpr UINT BS_PUSHBUTTON = 0x0;
constexpr UINT BS_CHECKBOX = 0x2;
constexpr UINT BS_AUTOCHECKBOX = 0x3;
constexpr UINT BS_RADIOBUTTON = 0x4;
constexpr UINT BS_3STATE = 0x5;
constexpr UINT BS_AUTO3STATE = 0x6;
constexpr UINT BS_AUTORADIOBUTTON = 0x9;

// WM_COMMAND notification codes (high word of wParam).
constexpr WORD BN_CLICKED = 0;
constexpr WORD STN_CLICKED = 0;
constexpr WORD STN_DBLCLK = 1;
constexpr WORD EN_SETFOCUS = 0x0100;
constexpr WORD EN_KILLFOCUS = 0x0200;
constexpr WORD EN_CHANGE = 0x0300;

// WM_COMMAND's wParam: control id in the low word, notification in the high.
constexpr WPARAM MakeCommandWParam(int id, WORD code)
{
    return static_cast<WPARAM>((static_cast<DWORD>(id) & 0xFFFF) | (static_cast<DWORD>(code) << 16));
}
constexpr int CommandId(WPARAM wParam)
{
    return static_cast<int>(wParam & 0xFFFF);
}
constexpr WORD CommandCode(WPARAM wParam)
{
    return static_cast<WORD>((wParam >> 16) & 0xFFFF);
}
