// The payload archive appended to the program file: program image, tag
// "FFS?", scrambled payload, and a 4-byte little-endian trailer holding the
// tag's offset. While an archive is loaded it serves every name.
#pragma once

#include <cstdint>

#define FFS_TAG "FFS?"
#define FFS_KEY "PackageSealKey"

int FfsOpen(const char* path);
int FfsClose();
int FfsFileSize(const char* name, uint32_t* size);
int FfsReadFile(const char* name, void* buffer, uint32_t length);
int FfsScramble(void* data, uint32_t length, const char* key, uint32_t keyLength);
