// The message catalogue: the program's texts by string id, in the language the OS selects.
// In the Windows build they come from the string table resources (resource module first, then
// the program module); in the host build from the same table compiled in.
#pragma once

#include <cstddef>
#include <string>

// Replaces target with the text of id and returns its length; an unknown id gives "" and 0.
size_t LoadResourceString(unsigned id, std::wstring& target);

// Replaces target with the text of id formatted with the values; empty when id is unknown.
void FormatResourceString(std::wstring& target, unsigned id, ...);

// Appends the text of id formatted with the values; appends nothing when id is unknown.
void AppendFormatResource(std::wstring& target, unsigned id, ...);

// The catalogue as an object, for code that should not reach for globals.
class IStringCatalogue {
public:
    virtual ~IStringCatalogue() = default;
    virtual std::wstring Text(unsigned id) const = 0;
};

// The catalogue of this build (resources in the program, compiled-in table on the host).
const IStringCatalogue& ProgramCatalogue();
