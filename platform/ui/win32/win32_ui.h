// The Win32 side of the UI classes that the entry point and the tests of
// the Windows build reach: window handles, the message loop's handling of
// pending messages, text conversion and the message box.
#pragma once

#include <windows.h>

#include <string>

#include "vcl.h"
#include "wide_text.h"

namespace win32 {

HWND Handle(const TControl& control);
HWND Handle(const TForm& form);

// Handles every message waiting in the thread's queue exactly as the
// message loop of TApplication::Run does (dialog keys included). Returns
// false once a quit message was taken; it stays in the queue for the loop.
bool ProcessMessages();

// A modal message box. Test seam: with LINKWART_ERRORBOX_TO_STDERR=1 in the
// environment the title and text go to the standard error stream instead,
// and nothing waits for a user.
void ShowMessageBox(HWND owner, const std::string& title, const std::string& text, UINT flags);

}  // namespace win32
