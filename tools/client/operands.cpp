// operands.cpp - record files and sets as operands name them.
#include "operands.h"

namespace dmaclient {

bool EndsWith(const std::string &s, const std::string &tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

RecordSelection SelectionOfFile(const std::string &path) {
    RecordSelection sel;
    if (EndsWith(path, ".devmode")) sel.devModePath = path;
    else if (EndsWith(path, ".secondary")) sel.secondaryPath = path;
    else if (EndsWith(path, ".fax")) sel.faxPath = path;
    return sel;
}

bool RecordSetExists(const std::string &name) {
    return FileExists(SetFile(name, RecordKind::DevMode)) || FileExists(SetFile(name, RecordKind::Secondary));
}

std::string ReadTextFile(const std::string &path) {
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace dmaclient
