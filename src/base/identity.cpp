#include "base/identity.h"

const ProgramIdentity Identity = {PROGRAM_NAME, PROGRAM_VERSION, PROGRAM_BUILD, VENDOR_KEY};
