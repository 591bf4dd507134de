#include "tools/mint/cp1251.h"

#include <cstdio>

namespace {

// Characters of the bytes 0x80 to 0xBF; 0 marks 0x98, which has none. The
// bytes 0xC0 to 0xFF are the Cyrillic letters U+0410 to U+044F in order.
const char16_t UpperHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

const char32_t NoCharacter = 0xFFFFFFFF;

char32_t CodePointOf(unsigned char byte)
{
    if (byte < 0x80)
        return byte;
    if (byte >= 0xC0)
        return 0x0410 + (byte - 0xC0);
    const char16_t mapped = UpperHalf[byte - 0x80];
    return mapped == 0 ? NoCharacter : mapped;
}

// The code page 1251 byte of a character, or -1 when the code page lacks it.
int ByteOf(char32_t codePoint)
{
    if (codePoint < 0x80)
        return static_cast<int>(codePoint);
    if (codePoint >= 0x0410 && codePoint <= 0x044F)
        return static_cast<int>(0xC0 + (codePoint - 0x0410));
    for (int i = 0; i < 64; ++i) {
        if (UpperHalf[i] != 0 && UpperHalf[i] == codePoint)
            return 0x80 + i;
    }
    return -1;
}

std::string EncodeUtf8(char32_t c)
{
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// Reads one UTF-8 character at pos and advances pos past it; NoCharacter for
// bytes that are not UTF-8 (stray, truncated, overlong, surrogate, too big).
char32_t DecodeUtf8(const std::string& text, std::string::size_type& pos)
{
    const unsigned char lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80)
        return lead;
    int length = 0;
    char32_t c = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, smallest = 0x10000;
    } else {
        return NoCharacter;
    }
    for (int i = 1; i < length; ++i) {
        if (pos >= text.size() || (static_cast<unsigned char>(text[pos]) & 0xC0) != 0x80)
            return NoCharacter;
        c = (c << 6) | (static_cast<unsigned char>(text[pos++]) & 0x3F);
    }
    if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return NoCharacter;
    return c;
}

char32_t LowerCase(char32_t c)
{
    if (c >= 'A' && c <= 'Z')
        return c + 0x20;
    if (c >= 0x0410 && c <= 0x042F)
        return c + 0x20;
    if (c >= 0x0400 && c <= 0x040F)
        return c + 0x50;
    if (c == 0x0490)
        return 0x0491;
    return c;
}

}  // namespace

std::string Utf8ToCp1251(const std::string& utf8, ConversionProblem& problem)
{
    problem = ConversionProblem{};
    std::string out;
    std::string::size_type pos = 0;
    while (pos < utf8.size()) {
        const std::string::size_type start = pos;
        const char32_t c = DecodeUtf8(utf8, pos);
        const int byte = c == NoCharacter ? -1 : ByteOf(c);
        if (byte >= 0) {
            out += static_cast<char>(byte);
            continue;
        }
        out += '?';
        if (problem.Found)
            continue;
        problem.Found = true;
        problem.InvalidUtf8 = c == NoCharacter;
        problem.CodePoint = problem.InvalidUtf8 ? 0 : c;
        problem.Character = utf8.substr(start, pos - start);
    }
    return out;
}

std::string Cp1251ToUtf8(const std::string& cp1251)
{
    std::string out;
    for (char byte : cp1251) {
        const char32_t c = CodePointOf(static_cast<unsigned char>(byte));
        out += EncodeUtf8(c == NoCharacter ? 0xFFFD : c);
    }
    return out;
}

std::string Cp1251Lower(const std::string& cp1251)
{
    std::string out;
    for (char byte : cp1251) {
        const char32_t c = CodePointOf(static_cast<unsigned char>(byte));
        out += c == NoCharacter ? byte : static_cast<char>(ByteOf(LowerCase(c)));
    }
    return out;
}

std::string UnicodeName(char32_t codePoint)
{
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(codePoint));
    return text;
}
