#include "PatchClientRecord.h"

#include "LauncherRig.h"

#include <cstdlib>
#include <cstring>

namespace {

class Cursor {
public:
    explicit Cursor(const std::string& bytes) : m_bytes(bytes) {}

    // Reads "<label><decimal>\n".
    bool Number(const char* label, unsigned long& value)
    {
        const size_t length = std::strlen(label);
        if (m_bytes.compare(m_pos, length, label) != 0)
            return false;
        const size_t end = m_bytes.find('\n', m_pos + length);
        if (end == std::string::npos)
            return false;
        value = std::strtoul(m_bytes.substr(m_pos + length, end - m_pos - length).c_str(), nullptr, 10);
        m_pos = end + 1;
        return true;
    }

    // Reads "<label><N>\n" followed by N bytes and "\n".
    bool Field(const char* label, std::string& value)
    {
        unsigned long size = 0;
        if (!Number(label, size) || m_pos + size + 1 > m_bytes.size() || m_bytes[m_pos + size] != '\n')
            return false;
        value = m_bytes.substr(m_pos, size);
        m_pos += size + 1;
        return true;
    }

    bool Line(const char* text)
    {
        const size_t length = std::strlen(text);
        if (m_bytes.compare(m_pos, length, text) != 0)
            return false;
        m_pos += length;
        return true;
    }

private:
    const std::string& m_bytes;
    size_t m_pos = 0;
};

} // namespace

bool ReadPatchClientRecord(const std::string& path, PatchClientRecord& record)
{
    const std::string bytes = rig::ReadBytes(path);
    Cursor cursor(bytes);
    return cursor.Line("TarvoPatchClient record\n") && cursor.Number("process ", record.processId) &&
           cursor.Field("command line ", record.commandLine) &&
           cursor.Field("current directory ", record.currentDirectory);
}
