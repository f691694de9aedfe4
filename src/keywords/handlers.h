// The keyword handlers, one per script keyword (the skipped keywords share
// SkipLine from command.h). Each is a KeywordHandler: it reads its fields
// from `arguments`, adds what it read to `*consumed` and returns 1, or 0 to
// stop the script.
#pragma once

#include "script/keyword-table.h"

// Settings copied from one field.
int SetCompanyName(InstallScript* script, const char* arguments, int32_t* consumed);
int SetProductName(InstallScript* script, const char* arguments, int32_t* consumed);
int SetProductVersion(InstallScript* script, const char* arguments, int32_t* consumed);
int SetText(InstallScript* script, const char* arguments, int32_t* consumed);
int SetRegistryPath(InstallScript* script, const char* arguments, int32_t* consumed);
int SetUpdateUrl(InstallScript* script, const char* arguments, int32_t* consumed);
int SetUpdateKey(InstallScript* script, const char* arguments, int32_t* consumed);
int SetInstallName(InstallScript* script, const char* arguments, int32_t* consumed);
int SetUninstallName(InstallScript* script, const char* arguments, int32_t* consumed);
// The code page the script is stored in: the loader read it already.
int DeclareCodePage(InstallScript* script, const char* arguments, int32_t* consumed);

// Settings computed from their fields.
int SetInstallSize(InstallScript* script, const char* arguments, int32_t* consumed);
int SetInstallDir(InstallScript* script, const char* arguments, int32_t* consumed);
int SetInstallPath(InstallScript* script, const char* arguments, int32_t* consumed);
int SetFileList(InstallScript* script, const char* arguments, int32_t* consumed);
int SetTempList(InstallScript* script, const char* arguments, int32_t* consumed);
int SetListServer(InstallScript* script, const char* arguments, int32_t* consumed);

// Actions.
int DoCreateGroup(InstallScript* script, const char* arguments, int32_t* consumed);
int DoAddItem(InstallScript* script, const char* arguments, int32_t* consumed);
int DoWindow(InstallScript* script, const char* arguments, int32_t* consumed);
int DoOle(InstallScript* script, const char* arguments, int32_t* consumed);
int DoRegister(InstallScript* script, const char* arguments, int32_t* consumed);
int DoUninstall(InstallScript* script, const char* arguments, int32_t* consumed);
int DoDone(InstallScript* script, const char* arguments, int32_t* consumed);
