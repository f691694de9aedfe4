// Every keyword the script may use, with its handler. Keywords this system
// accepts without acting on them consume the rest of their line.
#include "keywords/handlers.h"
#include "keywords/keywords.h"

struct KeywordEntry {
    const char* keyword;
    KeywordHandler handler;
};

static const KeywordEntry ScriptKeywords[] = {
    {"COMPANY NAME", SetCompanyName},
    {"PRODUCT NAME", SetProductName},
    {"PRODUCT VERSION", SetProductVersion},
    {"TEXT", SetText},
    {"BRAND LIST", SkipLine},
    {"FILE LIST", SetFileList},
    {"TEMP LIST", SetTempList},
    {"GRADIENT START", SkipLine},
    {"GRADIENT END", SkipLine},
    {"FONT", SkipLine},
    {"STRING", SkipLine},
    {"REFRESH", SkipLine},
    {"CREATE GROUP", DoCreateGroup},
    {"ADD ITEM", DoAddItem},
    {"EXECUTE", SkipLine},
    {"WINDOW", DoWindow},
    {"OLE", DoOle},
    {"AGREEMENT", SkipLine},
    {"MESSAGE", SkipLine},
    {"LISTSERVER", SetListServer},
    {"REGISTER", DoRegister},
    {"BREAK", SkipLine},
    {"UPDATE URL", SetUpdateUrl},
    {"INSTALL", DoUninstall},
    {"DONE", DoDone},
    {"REGISTRY PATH", SetRegistryPath},
    {"INSTALL SIZE", SetInstallSize},
    {"INSTALL DIR", SetInstallDir},
    {"INSTALL PATH", SetInstallPath},
    {"INSTALL NAME", SetInstallName},
    {"UNINSTALL NAME", SetUninstallName},
    {"UPDATE KEY", SetUpdateKey},
    {"CODE PAGE", DeclareCodePage},
};

int RegisterScriptKeywords() {
    for (const KeywordEntry& entry : ScriptKeywords) KeywordRegister(entry.keyword, entry.handler);
    return 1;
}
