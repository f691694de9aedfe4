#include "command/groups.h"

char CurrentGroup[GROUP_NAME_SIZE];

int InitInstall() {
    CurrentGroup[0] = '\0';
    return 1;
}
