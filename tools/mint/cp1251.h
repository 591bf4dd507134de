// Text conversion between the roster and console (UTF-8) and the launcher's
// world (code page 1251, one byte per character).
#pragma once

#include <string>

// Where a UTF-8 text could not be converted, and why.
struct ConversionProblem {
    bool Found = false;
    bool InvalidUtf8 = false;   // the bytes are not UTF-8 at all
    char32_t CodePoint = 0;     // otherwise: a character code page 1251 lacks
    std::string Character;      // that character in UTF-8, for messages
};

// Converts UTF-8 to code page 1251. A character the code page lacks becomes
// "?" (as the ANSI file-name calls deliver it); the first such character, or
// the first byte that is not UTF-8, is reported through problem.
std::string Utf8ToCp1251(const std::string& utf8, ConversionProblem& problem);

// Every code page 1251 byte has its character, except 0x98, which becomes
// U+FFFD.
std::string Cp1251ToUtf8(const std::string& cp1251);

// Lower case for Latin and Cyrillic letters of code page 1251, as Windows
// compares file names; other bytes stay as they are.
std::string Cp1251Lower(const std::string& cp1251);

// "U+0142": how messages name a character.
std::string UnicodeName(char32_t codePoint);
