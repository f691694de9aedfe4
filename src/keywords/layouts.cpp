// The fields every keyword reads, in the order and with the sizes its handler
// reads them. Keywords that act are listed with the buffers of their handler.
#include "keywords/field-sizes.h"
#include "keywords/keywords.h"
#include "uninstall/windows.h"

#include "base/strings.h"

namespace {

const int TEXT = SCRIPT_TEXT_SIZE;

const KeywordLayout Layouts[] = {
    {"COMPANY NAME", 1, {{"name", FIELD_TEXT, TEXT}}},
    {"PRODUCT NAME", 1, {{"name", FIELD_TEXT, TEXT}}},
    {"PRODUCT VERSION", 1, {{"version", FIELD_TEXT, TEXT}}},
    {"TEXT", 1, {{"text", FIELD_TEXT, TEXT}}},
    {"REGISTRY PATH", 1, {{"key", FIELD_TEXT, TEXT}}},
    {"INSTALL SIZE", 1, {{"number", FIELD_TEXT, TEXT}}},
    {"INSTALL DIR", 1, {{"folder", FIELD_PATH, TEXT}}},
    {"INSTALL PATH", 1, {{"unused", FIELD_TEXT, TEXT}}},
    {"INSTALL NAME", 1, {{"file", FIELD_PATH, TEXT}}},
    {"UNINSTALL NAME", 1, {{"file", FIELD_PATH, TEXT}}},
    {"UPDATE URL", 1, {{"URL", FIELD_TEXT, TEXT}}},
    {"UPDATE KEY", 1, {{"key", FIELD_TEXT, TEXT}}},
    {"CODE PAGE", 1, {{"number", FIELD_TEXT, CODE_PAGE_FIELD_SIZE}}},
    {"FILE LIST", 1, {{"list", FIELD_LIST, LIST_ENTRY_SIZE}}},
    {"TEMP LIST", 1, {{"list", FIELD_LIST, LIST_ENTRY_SIZE}}},
    {"LISTSERVER", 3,
     {{"number", FIELD_TEXT, TEXT}, {"name", FIELD_TEXT, TEXT}, {"text", FIELD_TEXT, TEXT}}},
    {"WINDOW", 6,
     {{"close mode", FIELD_TEXT, WINDOW_NUMBER_SIZE},
      {"total wait", FIELD_TEXT, WINDOW_NUMBER_SIZE},
      {"window title", FIELD_TEXT, WINDOW_TEXT_SIZE},
      {"window class", FIELD_TEXT, WINDOW_TEXT_SIZE},
      {"program", FIELD_PATH, WINDOW_PROGRAM_SIZE},
      {"message", FIELD_TEXT, WINDOW_TEXT_SIZE}}},
    {"OLE", 2, {{"verb", FIELD_TEXT, OLE_VERB_SIZE}, {"component", FIELD_PATH, OLE_COMPONENT_SIZE}}},
    {"CREATE GROUP", 1, {{"group", FIELD_TEXT, ITEM_FIELD_SIZE}}},
    {"ADD ITEM", 4,
     {{"number", FIELD_TEXT, ITEM_NUMBER_SIZE},
      {"target", FIELD_TEXT, ITEM_FIELD_SIZE},
      {"arguments", FIELD_TEXT, ITEM_FIELD_SIZE},
      {"name", FIELD_TEXT, ITEM_FIELD_SIZE}}},
    {"REGISTER", 3,
     {{"address", FIELD_TEXT, REGISTER_FIELD_SIZE},
      {"payload text", FIELD_TEXT, REGISTER_FIELD_SIZE},
      {"question", FIELD_TEXT, REGISTER_FIELD_SIZE}}},
    {"INSTALL", 0, {}},
    {"DONE", 1, {{"unused", FIELD_TEXT, DONE_FIELD_SIZE}}},
    {"BRAND LIST", 1, {{"rest", FIELD_LINE, 0}}},
    {"GRADIENT START", 1, {{"rest", FIELD_LINE, 0}}},
    {"GRADIENT END", 1, {{"rest", FIELD_LINE, 0}}},
    {"FONT", 1, {{"rest", FIELD_LINE, 0}}},
    {"STRING", 1, {{"rest", FIELD_LINE, 0}}},
    {"REFRESH", 1, {{"rest", FIELD_LINE, 0}}},
    {"EXECUTE", 1, {{"rest", FIELD_LINE, 0}}},
    {"AGREEMENT", 1, {{"rest", FIELD_LINE, 0}}},
    {"MESSAGE", 1, {{"rest", FIELD_LINE, 0}}},
    {"BREAK", 1, {{"rest", FIELD_LINE, 0}}},
};

} // namespace

const KeywordLayout* KeywordLayoutOf(const char* keyword) {
    for (const KeywordLayout& layout : Layouts) {
        if (StrEqualNoCase(layout.keyword, keyword)) return &layout;
    }
    return nullptr;
}

int ReadLayoutFields(const KeywordLayout* layout, const char* arguments, FieldSpan* spans,
                     int32_t* consumed) {
    // Large enough for every field size above; ReadField never writes more
    // than the size it is given.
    char scratch[WINDOW_PROGRAM_SIZE > DONE_FIELD_SIZE ? WINDOW_PROGRAM_SIZE : DONE_FIELD_SIZE];
    for (int i = 0; i < layout->fieldCount; ++i) {
        const KeywordField& field = layout->fields[i];
        int32_t start = *consumed;
        int32_t taken = 0;
        switch (field.kind) {
        case FIELD_TEXT:
        case FIELD_PATH:
            ReadField(arguments, scratch, field.size, consumed);
            spans[i] = {start, *consumed - start - 1};
            continue;
        case FIELD_LIST: {
            int32_t count = 1;
            CountListEntries(arguments + start, ',', &count, &taken);
            break;
        }
        case FIELD_LINE: SkipLine(nullptr, arguments + start, &taken); break;
        }
        *consumed += taken;
        spans[i] = {start, taken};
    }
    return 1;
}
