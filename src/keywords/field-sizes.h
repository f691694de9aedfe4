// What each keyword's fields hold: the buffers its handler reads them into.
// The handlers and the keyword layouts share these, so that a checker built
// on the layouts measures fields exactly as the handlers cut them.
#pragma once

#define WINDOW_NUMBER_SIZE 20
#define WINDOW_PROGRAM_SIZE 320
#define ITEM_NUMBER_SIZE 20
#define ITEM_FIELD_SIZE 160
#define OLE_VERB_SIZE 40
#define OLE_COMPONENT_SIZE 260
#define REGISTER_FIELD_SIZE 160
#define DONE_FIELD_SIZE 320
#define CODE_PAGE_FIELD_SIZE 20
