// ZunkCore user-interface helpers: the two message boxes and the wait
// window with its progress bar.
#pragma once

#include "platform/wintypes.h"

#define DEFAULT_QUESTION_CAPTION "Uninstall..."
#define DEFAULT_MESSAGE_CAPTION "Uninstall problem..."

int AskYesNo(const char* text, const char* title);
int ShowMessage(const char* text, const char* title);

int WaitWindowCreate(HINSTANCE instance, HWND parent);
int WaitWindowDestroy();
int WaitWindowShow(int flag);
int WaitProgress(double percentage);
int PumpMessages();
