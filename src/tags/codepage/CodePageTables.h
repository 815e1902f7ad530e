#pragma once
// The raw code page tables (see CodePageTables.cpp, generated).

namespace CodePageTables {

struct Table {
    int number;
    char16_t upper[128];  // characters of the bytes 0x80..0xFF
};

extern const Table tables[];
extern const int tableCount;

}  // namespace CodePageTables
