// Folders of the system and the user that pruning never removes, even when
// the product's removal leaves them empty.
#pragma once

// 1 when `folder` (either separator, any letter case, with or without its
// trailing separator) is the Program Files or Common Files folder, the
// Windows or system folder, the temporary folder, the user's profile or
// the user's Start-menu Programs folder.
int IsWellKnownFolder(const char* folder);
