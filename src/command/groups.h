// The program group that "CREATE GROUP" named last; "ADD ITEM" works in it.
#pragma once

#define GROUP_NAME_SIZE 320

extern char CurrentGroup[GROUP_NAME_SIZE];

// Readies the install state for a run: no group named yet.
int InitInstall();
