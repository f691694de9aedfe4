// The PAC helper functions as a script run before every PAC file.
#pragma once

extern const char* const PacFunctionsScript;
