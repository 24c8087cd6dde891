// Scratch folders and raw file bytes for the Windows file tests.
#pragma once

#include <string>

// A fresh folder under the temporary folder, removed with everything in it on destruction.
class CTempFolder {
public:
    explicit CTempFolder(const std::wstring& prefix);
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    bool Created() const { return created_; }
    const std::wstring& Root() const { return root_; }
    std::wstring Path(const std::wstring& name) const { return root_ + L"\\" + name; }

private:
    std::wstring root_;
    bool created_;
};

// Creates or truncates the file and writes the bytes as they are; false when it cannot.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// The whole file's bytes (other programs may hold it open for reading or writing), or
// "<missing>" when it cannot be opened.
std::string ReadFileBytes(const std::wstring& path);
// Deletes the folder and everything in it, read-only files included; best effort.
void RemoveTree(const std::wstring& folder);
