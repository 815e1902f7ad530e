#pragma once
// The double-byte half of a code page: which bytes lead a pair, and the character of each pair.

#include "tags/codepage/CodePage.h"

struct CodePage::Pairs {
    bool lead[256] = {};
    char16_t chars[128][256] = {};  // [lead - 0x80][trail]; 0: the page leaves the pair undefined
};

// Builds the pages whose tables are not compiled in.
struct CodePageBuilder {
    // The double-byte page of the given number from the system's converter of that name;
    // nullptr when the system has no such converter.
    static std::unique_ptr<CodePage> doubleByte(int number, const char *converterName);
    static std::unique_ptr<CodePage> singleByte(int number, const char16_t *upper)
    {
        return std::unique_ptr<CodePage>(new CodePage(number, upper));
    }
};
