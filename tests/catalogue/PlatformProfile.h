// The platform's profile reader behind the scan's questions, to compare our reader with it.
#pragma once

#include <windows.h>

#include <string>

#include "catalogue/ProfileReader.h"

class PlatformProfile : public ProfileSource {
public:
    explicit PlatformProfile(std::string path) : m_path(std::move(path)) {}

    void ReadString(const char* section, const char* key, char* buffer, size_t size) const override
    {
        ::GetPrivateProfileStringA(section, key, "", buffer, static_cast<DWORD>(size), m_path.c_str());
    }
    int ReadInt(const char* section, const char* key, int defaultValue) const override
    {
        return static_cast<int>(::GetPrivateProfileIntA(section, key, defaultValue, m_path.c_str()));
    }

private:
    std::string m_path;
};
