// The keyword layouts tools read scripts with must read exactly what the
// handlers read; otherwise a checker would disagree with the program.
#include "test_script_fixture.h"

namespace {

using KeywordLayouts = ScriptTest;

// Arguments that give every field something to cut: fields of 400
// characters, more than any field holds, and two list entries.
std::string LongFields() {
    std::string field(400, 'f');
    std::string arguments;
    for (int i = 0; i < KEYWORD_FIELDS_MAX + 1; ++i) arguments += field + ",e\n";
    return arguments + "\r\n";
}

// Every keyword whose handler can run here without acting ("DONE" acts in
// the uninstall run only, where it reads its one field).
TEST_F(KeywordLayouts, ReadAsMuchAsTheHandlersInEveryKeyword) {
    LogCapture log;
    Load("", MODE_NONE);
    std::string arguments = LongFields();
    const char* keywords[] = {
        "COMPANY NAME", "PRODUCT NAME", "PRODUCT VERSION", "TEXT",       "BRAND LIST",
        "FILE LIST",    "TEMP LIST",    "GRADIENT START",  "GRADIENT END", "FONT",
        "STRING",       "REFRESH",      "CREATE GROUP",    "ADD ITEM",   "EXECUTE",
        "WINDOW",       "OLE",          "AGREEMENT",       "MESSAGE",    "LISTSERVER",
        "REGISTER",     "BREAK",        "UPDATE URL",      "INSTALL",    "REGISTRY PATH",
        "INSTALL SIZE", "INSTALL DIR",  "INSTALL PATH",    "INSTALL NAME", "UNINSTALL NAME"};
    for (const char* keyword : keywords) {
        const char* canonical = KeywordCanonical(keyword);
        ASSERT_NE(canonical, nullptr) << keyword;
        const KeywordLayout* layout = KeywordLayoutOf(canonical);
        ASSERT_NE(layout, nullptr) << keyword;

        int32_t byHandler = 0;
        KeywordDispatch(keyword, script, arguments.c_str(), &byHandler);
        int32_t byLayout = 0;
        FieldSpan spans[KEYWORD_FIELDS_MAX];
        ReadLayoutFields(layout, arguments.c_str(), spans, &byLayout);
        EXPECT_EQ(byLayout, byHandler) << keyword;
    }
    EXPECT_NE(KeywordLayoutOf("DONE"), nullptr);
    EXPECT_EQ(KeywordCanonical("company name"), std::string("COMPANY NAME"));
    EXPECT_EQ(KeywordCanonical("COMPANY NAMES"), nullptr);
}

TEST_F(KeywordLayouts, SpansCoverEachFieldWhole) {
    const KeywordLayout* layout = KeywordLayoutOf("ADD ITEM");
    FieldSpan spans[KEYWORD_FIELDS_MAX];
    int32_t consumed = 0;
    std::string arguments = "12\n" + std::string(200, 't') + "\n\nName\r\n";
    ReadLayoutFields(layout, arguments.c_str(), spans, &consumed);
    EXPECT_EQ(consumed, 3 + 201 + 1 + 5);
    EXPECT_EQ(spans[1].start, 3);
    EXPECT_EQ(spans[1].length, 200) << "a long field is measured whole";
    EXPECT_EQ(spans[2].length, 0);
    EXPECT_EQ(spans[3].start, 205);
    EXPECT_EQ(spans[3].length, 4);
}

} // namespace
