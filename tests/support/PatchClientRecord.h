// Reads the record that the stand-in patch client leaves beside itself (TarvoPatchClient.record).
#pragma once

#include <string>

struct PatchClientRecord {
    unsigned long processId = 0;
    std::string commandLine;
    std::string currentDirectory;
};

// False while the record does not exist or is not whole.
bool ReadPatchClientRecord(const std::string& path, PatchClientRecord& record);
