// What a Windows file name may hold, for the names of launcher copies.
// The checks work on code page 1251 text; the character checks look only at
// ASCII characters, so they work on UTF-8 text as well.
#pragma once

#include <cstddef>
#include <string>

// Why one field of a copy's name cannot stand in it: a "$" (which would end
// the field early), a character Windows forbids in file names, or a control
// character. Empty when the field is fine.
std::string FieldCharacterProblem(const std::string& field);

// Why a whole file name will not do on Windows or will not reach the launcher
// intact: a trailing space or dot (Windows drops them), a reserved device
// name, or more than maxLength characters. Empty when the name is fine.
std::string FileNameProblem(const std::string& cp1251Name, int maxLength);

// How long one name may be on the file system the copies go to: in bytes on
// POSIX (a Cyrillic letter takes two in UTF-8), in UTF-16 units on Windows.
struct NameLimit {
    std::size_t MaxUnits = 255;
    bool Utf16Units = false;  // false: bytes of UTF-8
};

// Why that file system cannot store this name (UTF-8); empty when it can.
std::string NameLimitProblem(const std::string& utf8Name, const NameLimit& limit);
