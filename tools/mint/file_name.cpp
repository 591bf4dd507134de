#include "tools/mint/file_name.h"

#include "tools/mint/cp1251.h"

namespace {

const std::string ForbiddenCharacters = "\\/:*?\"<>|";

const char* const ReservedNames[] = {
    "con",  "prn",  "aux",  "nul",  "conin$", "conout$",
    "com0", "com1", "com2", "com3", "com4",   "com5", "com6", "com7", "com8", "com9",
    "lpt0", "lpt1", "lpt2", "lpt3", "lpt4",   "lpt5", "lpt6", "lpt7", "lpt8", "lpt9",
};

std::string ShownCharacter(char c)
{
    return c == '"' ? std::string("a double quote") : std::string("\"") + c + "\"";
}

// Windows takes "CON.exe" and "con .txt" for the device as well: what counts
// is the part before the first dot, without trailing spaces.
bool IsReservedDeviceName(const std::string& name)
{
    std::string base = name.substr(0, name.find('.'));
    base.erase(base.find_last_not_of(' ') + 1);
    base = Cp1251Lower(base);
    for (const char* reserved : ReservedNames) {
        if (base == reserved)
            return true;
    }
    return false;
}

// UTF-16 units of UTF-8 text: one per character, two for one beyond U+FFFF.
std::size_t Utf16Units(const std::string& utf8)
{
    std::size_t units = 0;
    for (char c : utf8) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80)
            ++units;
        if (byte >= 0xF0)
            ++units;
    }
    return units;
}

}  // namespace

std::string FieldCharacterProblem(const std::string& field)
{
    for (char c : field) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '$')
            return "contains \"$\", which the launcher reads as the end of a field";
        if (ForbiddenCharacters.find(c) != std::string::npos)
            return "contains " + ShownCharacter(c) + ", which a Windows file name cannot hold";
        if (byte < 0x20 || byte == 0x7F)
            return "contains a control character (" + UnicodeName(byte) + "), which a file name must not hold";
    }
    return std::string();
}

std::string FileNameProblem(const std::string& cp1251Name, int maxLength)
{
    if (!cp1251Name.empty() && (cp1251Name.back() == ' ' || cp1251Name.back() == '.'))
        return "ends in a space or a dot, which Windows drops from file names";
    if (IsReservedDeviceName(cp1251Name))
        return "is a reserved device name in Windows";
    if (static_cast<int>(cp1251Name.size()) > maxLength) {
        return "has " + std::to_string(cp1251Name.size()) + " characters, more than the " +
               std::to_string(maxLength) + " that fit (see --max-name)";
    }
    return std::string();
}

std::string NameLimitProblem(const std::string& utf8Name, const NameLimit& limit)
{
    const std::size_t units = limit.Utf16Units ? Utf16Units(utf8Name) : utf8Name.size();
    if (units <= limit.MaxUnits)
        return std::string();
    const std::string unit = limit.Utf16Units ? " UTF-16 units" : " bytes in UTF-8";
    return "takes " + std::to_string(units) + unit + ", more than the " + std::to_string(limit.MaxUnits) +
           " that the output folder's file system allows in a name";
}
